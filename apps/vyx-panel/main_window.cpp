#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "about.h"
#include "chart_buffer.h"
#include "control/vyx.h"
#include "document_check.h"
#include "edit_watch.h"
#include "json_document_bag.h"
#include "log_reader.h"
#include "platform/port_map.h"
#include "ports_dialog.h"
#include "readings_csv.h"
#include "recent_files.h"
#include "strip_chart.h"
#include "vyx_widget.h"

namespace vyx::panel {

namespace {

const QString kIntervalKey = QStringLiteral("updates/interval");
const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kDocumentFilter = QObject::tr("Vyx documents (*.json);;All files (*)");

// Readings are stale, and no longer joined by a line, once a couple of periods pass without
// one; never sooner than this, so that back-to-back updates do not flicker.
constexpr qint64 kStaleFloorMs = 2000;
qint64 StaleAfter(int intervalMs) { return std::max<qint64>(kStaleFloorMs, 2LL * intervalMs); }

QString Message(const Status& s) { return QString::fromStdString(s.message()); }

}  // namespace

MainWindow::MainWindow(QSettings& settings, QWidget* parent)
    : QMainWindow(parent), settings_(settings) {
  prompt_ = [this](const QString& name) {
    const auto answer = QMessageBox::warning(
        this, tr("Unsaved changes"),
        tr("The document \"%1\" has changes that are not saved.").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return Decision::Save;
    if (answer == QMessageBox::Discard) return Decision::Discard;
    return Decision::Cancel;
  };
  errors_ = [this](const QString& title, const QString& message) {
    QMessageBox::warning(this, title, message);
  };

  splitter_ = new QSplitter(Qt::Horizontal);
  // The component sits at the top of its own column; a document swaps it in place.
  holder_ = new QWidget;
  holderLayout_ = new QVBoxLayout(holder_);
  holderLayout_->setContentsMargins(6, 6, 2, 6);
  holderLayout_->addStretch(1);
  chart_ = new StripChart;
  chart_->setContentsMargins(2, 6, 6, 0);
  splitter_->addWidget(holder_);
  splitter_->addWidget(chart_);
  splitter_->setCollapsible(0, false);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  setCentralWidget(splitter_);

  driver_.setInterval(settings_.value(kIntervalKey, 200).toInt());
  chart_->setStaleAfter(StaleAfter(driver_.interval()));
  connect(&driver_, &UpdateDriver::updateFinished, this, &MainWindow::refreshStatus);
  connect(&driver_, &UpdateDriver::runningChanged, this, [this](bool on) {
    runAction_->setChecked(on);
    refreshStatus();
  });

  buildActions();
  buildMenus();
  buildToolBar();
  buildStatusBar();

  installComponent();
  setDocument(QString());

  // The rate falls when updates stall, so it is shown afresh even when nothing ends.
  auto* tick = new QTimer(this);
  connect(tick, &QTimer::timeout, this, &MainWindow::refreshStatus);
  tick->start(1000);

  if (!restoreGeometry(settings_.value(kGeometryKey).toByteArray())) resize(1040, 540);
}

MainWindow::~MainWindow() {
  driver_.setWidget(nullptr);
  log_.stop();
}

void MainWindow::buildActions() {
  newAction_ = new QAction(tr("&New"), this);
  newAction_->setShortcut(QKeySequence::New);
  connect(newAction_, &QAction::triggered, this, [this] { newDocument(); });
  openAction_ = new QAction(tr("&Open..."), this);
  openAction_->setShortcut(QKeySequence::Open);
  connect(openAction_, &QAction::triggered, this, &MainWindow::openClicked);
  openLogAction_ = new QAction(tr("Open &Log..."), this);
  connect(openLogAction_, &QAction::triggered, this, &MainWindow::openLogClicked);
  saveAction_ = new QAction(tr("&Save"), this);
  saveAction_->setShortcut(QKeySequence::Save);
  connect(saveAction_, &QAction::triggered, this, [this] { saveDocument(); });
  saveAsAction_ = new QAction(tr("Save &As..."), this);
  saveAsAction_->setShortcut(QKeySequence::SaveAs);
  connect(saveAsAction_, &QAction::triggered, this, &MainWindow::saveAsClicked);
  quitAction_ = new QAction(tr("&Quit"), this);
  quitAction_->setShortcut(QKeySequence::Quit);
  connect(quitAction_, &QAction::triggered, this, &MainWindow::close);

  runAction_ = new QAction(tr("&Automatic updates"), this);
  runAction_->setCheckable(true);
  runAction_->setShortcut(Qt::Key_F5);
  connect(runAction_, &QAction::triggered, this, [this](bool on) {
    if (on) {
      driver_.start();
    } else {
      driver_.stop();
    }
    runAction_->setChecked(driver_.isRunning());
  });
  updateOnceAction_ = new QAction(tr("&Update once"), this);
  updateOnceAction_->setShortcut(Qt::Key_F6);
  connect(updateOnceAction_, &QAction::triggered, this, [this] {
    if (vyx_) vyx_->setUpdateCmd(true);
  });
  logAction_ = new QAction(tr("&Log to CSV..."), this);
  logAction_->setCheckable(true);
  connect(logAction_, &QAction::triggered, this, &MainWindow::logClicked);
  portsAction_ = new QAction(tr("&Ports..."), this);
  connect(portsAction_, &QAction::triggered, this, &MainWindow::portsClicked);
  aboutAction_ = new QAction(tr("&About Vyx Panel"), this);
  connect(aboutAction_, &QAction::triggered, this,
          [this] { QMessageBox::about(this, tr("About Vyx Panel"), AboutText()); });
}

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(newAction_);
  file->addAction(openAction_);
  recentMenu_ = file->addMenu(tr("Open &Recent"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
  file->addAction(openLogAction_);
  file->addAction(saveAction_);
  file->addAction(saveAsAction_);
  file->addSeparator();
  file->addAction(quitAction_);

  QMenu* device = menuBar()->addMenu(tr("&Device"));
  device->addAction(updateOnceAction_);
  device->addAction(runAction_);
  device->addAction(logAction_);
  device->addSeparator();
  device->addAction(portsAction_);

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->addAction(aboutAction_);
}

void MainWindow::buildToolBar() {
  QToolBar* bar = addToolBar(tr("Main"));
  bar->setObjectName(QStringLiteral("main"));
  bar->setMovable(false);
  bar->addAction(newAction_);
  bar->addAction(openAction_);
  bar->addAction(saveAction_);
  bar->addSeparator();
  bar->addAction(updateOnceAction_);
  bar->addAction(runAction_);
  interval_ = new QSpinBox;
  interval_->setRange(0, 3'600'000);
  interval_->setSingleStep(50);
  interval_->setPrefix(tr("every "));
  interval_->setSuffix(tr(" ms"));
  interval_->setSpecialValueText(tr("back to back"));
  interval_->setValue(driver_.interval());
  interval_->setToolTip(tr("Time from the start of one automatic update to the next"));
  interval_->setAccessibleName(tr("Update interval"));
  connect(interval_, &QSpinBox::valueChanged, this, [this](int ms) {
    driver_.setInterval(ms);
    chart_->setStaleAfter(StaleAfter(ms));
    settings_.setValue(kIntervalKey, ms);
  });
  bar->addWidget(interval_);
  bar->addSeparator();
  bar->addAction(logAction_);
  bar->addAction(portsAction_);
}

void MainWindow::buildStatusBar() {
  runLabel_ = new QLabel;
  rateLabel_ = new QLabel;
  failedLabel_ = new QLabel;
  errorLabel_ = new QLabel;
  logLabel_ = new QLabel;
  errorLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  statusBar()->addWidget(runLabel_);
  statusBar()->addWidget(rateLabel_);
  statusBar()->addWidget(failedLabel_);
  statusBar()->addWidget(errorLabel_, 1);
  statusBar()->addPermanentWidget(logLabel_);
  refreshStatus();
}

void MainWindow::installComponent() {
  const bool wasRunning = driver_.isRunning();
  driver_.setWidget(nullptr);
  // The old component closes its port now, before the new one may open the same device.
  delete vyx_.data();
  auto* fresh = new VyxWidget;
  holderLayout_->insertWidget(0, fresh);
  vyx_ = fresh;
  applyPorts();

  connect(fresh, &VyxWidget::updateEnded, this, &MainWindow::onUpdateEnded);
  auto* watch = new EditWatch(fresh, fresh);
  connect(watch, &EditWatch::edited, this, &MainWindow::markEdited);
  driver_.setWidget(fresh);
  driver_.resetCounts();
  chart_->clear();
  if (wasRunning) QTimer::singleShot(0, &driver_, &UpdateDriver::start);
}

void MainWindow::applyPorts() {
  if (!vyx_) return;
  const QStringList errors = ApplyPortMapping(LoadPortMapping(settings_), vyx_->portMap());
  for (std::size_t i = 0; i < session_.size(); ++i) {
    // Checked when they were given; a refusal here would leave the settings' device.
    if (!session_[i].device.isEmpty())
      (void)vyx_->portMap().Set(static_cast<int>(i) + 1, session_[i].device.toStdString());
  }
  if (!errors.isEmpty()) {
    showError(tr("Ports"), tr("Some saved ports were not applied:\n\n%1").arg(errors.join(u'\n')));
  }
}

void MainWindow::setCommandLinePorts(const PortMapping& ports) {
  for (std::size_t i = 0; i < ports.size(); ++i) {
    if (!ports[i].isEmpty()) session_[i] = {ports[i], QStringLiteral("--port")};
  }
  applyPorts();
}

void MainWindow::setSimulatedDevice(const QString& device) {
  simulatedDevice_ = device;
  session_[0] = {device, tr("the simulated board")};
  applyPorts();
  // Only an untouched new document moves to the simulated board; an open one keeps its port.
  if (path_.isEmpty() && !isWindowModified() && vyx_) {
    vyx_->setCommPort(QStringLiteral("1"));
    setWindowModified(false);
  }
}

QString MainWindow::documentName() const {
  return path_.isEmpty() ? tr("Untitled") : QFileInfo(path_).fileName();
}

void MainWindow::setDocument(const QString& path) {
  path_ = path;
  if (!path.isEmpty()) RecentFiles(settings_).add(path);
  setWindowModified(false);
  updateTitle();
}

void MainWindow::markEdited() {
  if (!isWindowModified()) setWindowModified(true);
}

void MainWindow::updateTitle() {
  setWindowTitle(tr("%1[*] - Vyx Panel").arg(documentName()));
  setWindowFilePath(path_);
}

bool MainWindow::newDocument() {
  if (!maybeSave()) return false;
  installComponent();
  if (!simulatedDevice_.isEmpty()) vyx_->setCommPort(QStringLiteral("1"));
  setDocument(QString());
  return true;
}

bool MainWindow::openDocument(const QString& path) {
  if (!maybeSave()) return false;
  documents::JsonDocumentBag bag;
  if (const Status loaded = bag.Load(path); !loaded.ok()) {
    showError(tr("Open document"), tr("Cannot open %1:\n%2").arg(path, Message(loaded)));
    return false;
  }
  if (const QString problem = CheckDocument(bag); !problem.isEmpty()) {
    showError(tr("Open document"),
              tr("%1 is not a document this panel can restore:\n%2").arg(path, problem));
    return false;
  }
  installComponent();
  QString error;
  const bool restored = vyx_->restore(bag, &error);
  setDocument(path);
  if (!restored) {
    // Checked above, so only a field that refused a value it had accepted gets here.
    showError(tr("Open document"), tr("%1 was restored only in part:\n%2").arg(path, error));
    setWindowModified(true);
    return false;
  }
  return true;
}

bool MainWindow::saveDocument() {
  if (path_.isEmpty()) return saveAsClicked();
  return saveDocumentAs(path_);
}

bool MainWindow::saveDocumentAs(const QString& path) {
  if (!vyx_) return false;
  documents::JsonDocumentBag bag;
  QString error;
  if (!vyx_->save(bag, &error)) {
    showError(tr("Save document"), tr("Cannot save %1:\n%2").arg(path, error));
    return false;
  }
  if (const Status saved = bag.SaveTo(path); !saved.ok()) {
    showError(tr("Save document"), tr("Cannot save %1:\n%2").arg(path, Message(saved)));
    return false;
  }
  setDocument(path);
  return true;
}

bool MainWindow::maybeSave() {
  if (!isWindowModified()) return true;
  switch (prompt_(documentName())) {
    case Decision::Save:
      return saveDocument();
    case Decision::Discard:
      return true;
    case Decision::Cancel:
      return false;
  }
  return false;
}

void MainWindow::setPortMapping(const PortMapping& mapping) {
  SavePortMapping(settings_, mapping);
  applyPorts();
}

bool MainWindow::startLog(const QString& path) {
  QString error;
  if (!log_.start(path, &error)) {
    showError(tr("CSV log"), error);
    logAction_->setChecked(false);
    return false;
  }
  logged_ = 0;
  logAction_->setChecked(true);
  refreshStatus();
  return true;
}

void MainWindow::stopLog() {
  log_.stop();
  logAction_->setChecked(false);
  refreshStatus();
}

bool MainWindow::openLog(const QString& path) {
  QString error;
  std::optional<ChartBuffer> readings = ReadLog(path, error);
  if (!readings) {
    showError(tr("Open log"), error);
    return false;
  }
  chart_->showLog(std::move(*readings), QFileInfo(path).fileName());
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!maybeSave()) {
    event->ignore();
    return;
  }
  driver_.stop();
  stopLog();
  settings_.setValue(kGeometryKey, saveGeometry());
  event->accept();
}

void MainWindow::onUpdateEnded(bool ok, const QString& reason) {
  if (!vyx_) return;
  // Every update is charted and logged, whoever pressed Update; a press that found the panel
  // busy sent nothing and is not an update.
  if (vyx_->lastUpdateEnd().failure == UpdateFailure::NotReady) return;
  if (!ok) {
    chart_->addFailure(chart_->now());
  } else if (const std::optional<vyx::Readings> readings = vyx_->lastReadings()) {
    chart_->addReading(chart_->now(), ChartBuffer::SampleOf(*readings));
  }
  logRow(ok, reason);
}

void MainWindow::logRow(bool ok, const QString& reason) {
  if (!log_.isActive() || !vyx_) return;
  const vyx::documents::Readings readings = vyx::documents::TakeReadings(vyx_->component());
  vyx::documents::LogRow row;
  row.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
  row.update = ++logged_;
  row.readings = ok ? &readings : nullptr;
  row.error = reason.toStdString();
  QString error;
  if (!log_.append(vyx::documents::CsvRow(row), &error)) {
    logAction_->setChecked(false);
    showError(tr("CSV log"), tr("Logging stopped: %1").arg(error));
  }
}

QString MainWindow::statusText() const {
  return QStringList{runLabel_->text(), rateLabel_->text(), failedLabel_->text(),
                     errorLabel_->text(), logLabel_->text()}
      .join(QStringLiteral(" | "));
}

void MainWindow::refreshStatus() {
  runLabel_->setText(driver_.isRunning() ? tr("Automatic updates on")
                                         : tr("Automatic updates off"));
  rateLabel_->setText(tr("%1 updates/s").arg(driver_.rate(), 0, 'f', 1));
  failedLabel_->setText(tr("%n failed", nullptr, static_cast<int>(driver_.failed())));
  errorLabel_->setText(
      driver_.lastError().isEmpty() ? QString() : tr("Last error: %1").arg(driver_.lastError()));
  logLabel_->setText(log_.isActive()
                         ? tr("Logging to %1 (%n rows)", nullptr, static_cast<int>(log_.rows()))
                               .arg(QFileInfo(log_.path()).fileName())
                         : QString());
}

void MainWindow::showError(const QString& title, const QString& message) {
  errors_(title, message);
}

void MainWindow::openClicked() {
  const QString path = QFileDialog::getOpenFileName(
      this, tr("Open document"), QFileInfo(path_).absolutePath(), kDocumentFilter);
  if (!path.isEmpty()) openDocument(path);
}

void MainWindow::openLogClicked() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Open log"), QString(),
                                                    tr("CSV logs (*.csv);;All files (*)"));
  if (!path.isEmpty()) openLog(path);
}

bool MainWindow::saveAsClicked() {
  QFileDialog dialog(this, tr("Save document"), path_.isEmpty() ? QString() : path_,
                     kDocumentFilter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("json"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  return saveDocumentAs(dialog.selectedFiles().constFirst());
}

void MainWindow::portsClicked() {
  PortsDialog dialog(LoadPortMapping(settings_), FindSerialPorts(), session_, this);
  if (dialog.exec() == QDialog::Accepted) setPortMapping(dialog.mapping());
}

void MainWindow::logClicked(bool on) {
  if (!on) {
    stopLog();
    return;
  }
  const QString path = QFileDialog::getSaveFileName(
      this, tr("Log readings to"), QStringLiteral("vyx-log.csv"), tr("CSV files (*.csv)"));
  if (path.isEmpty()) {
    logAction_->setChecked(false);
    return;
  }
  startLog(path);
}

void MainWindow::fillRecentMenu() {
  recentMenu_->clear();
  RecentFiles recent(settings_);
  const QStringList files = recent.list();
  for (const QString& file : files) {
    QAction* a = recentMenu_->addAction(QFileInfo(file).fileName());
    a->setToolTip(file);
    connect(a, &QAction::triggered, this, [this, file] {
      if (!QFileInfo::exists(file)) {
        RecentFiles(settings_).remove(file);
        showError(tr("Open document"), tr("%1 no longer exists.").arg(file));
        return;
      }
      openDocument(file);
    });
  }
  if (files.isEmpty()) recentMenu_->addAction(tr("(none)"))->setEnabled(false);
  recentMenu_->addSeparator();
  connect(recentMenu_->addAction(tr("Clear list")), &QAction::triggered, this,
          [this] { RecentFiles(settings_).clear(); });
}

}  // namespace vyx::panel
