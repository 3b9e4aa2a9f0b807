// The desktop host's window against the simulated board over a real pseudo-terminal:
// documents, automatic updates, the chart, the CSV log and the unsaved-changes prompt.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "control/vyx.h"
#include "main_window.h"
#include "panel/field.h"
#include "panel_view.h"
#include "platform/port_map.h"
#include "strip_chart.h"
#include "vyx/sim/simulator.h"
#include "vyx_widget.h"

using vyx::panel::ChartBuffer;
using vyx::panel::MainWindow;
using vyx::panel::StripChart;
using vyx::panel::UpdateDriver;

namespace {

constexpr int kWaitMs = 20'000;  // generous: a loaded machine, not a speed target

QJsonObject ReadJson(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(f.readAll()).object();
}

QStringList Lines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<vyx::sim::Simulator> sim_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<MainWindow> window_;
  QStringList errors_;
  QStringList prompts_;
  MainWindow::Decision decision_ = MainWindow::Decision::Cancel;

  QString file(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

  // A window whose Comm1 leads to a fresh simulated board.
  void openWindow(vyx::sim::FaultSettings faults = {}) {
    vyx::sim::Options o;
    o.faults = faults;
    sim_ = std::make_unique<vyx::sim::Simulator>(std::move(o));
    const std::string device = sim_->Start();
    QVERIFY2(!device.empty(), sim_->LastError().c_str());
    settings_ = std::make_unique<QSettings>(file("panel.ini"), QSettings::IniFormat);
    window_ = std::make_unique<MainWindow>(*settings_);
    window_->setErrorSink([this](const QString&, const QString& message) { errors_ << message; });
    window_->setSavePrompt([this](const QString& name) {
      prompts_ << name;
      return decision_;
    });
    window_->setSimulatedDevice(QString::fromStdString(device));
    window_->show();
  }

  VyxWidget& vyx() { return *window_->component(); }

  // Triggers the window's action by its text and hands the dialog it opens to check, then
  // closes the dialog.
  void inDialogOf(const QString& actionText, const std::function<void(QDialog&)>& check) {
    QAction* action = nullptr;
    for (QAction* a : window_->findChildren<QAction*>()) {
      if (a->text() == actionText) action = a;
    }
    QVERIFY2(action, qPrintable(actionText));
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        seen = true;
        check(*dialog);
        dialog->reject();
      }
    });
    action->trigger();
    QVERIFY2(seen, qPrintable(actionText));
  }

  // Runs automatic updates until n more have ended the way asked.
  void runUpdates(int n, bool ok) {
    auto& d = window_->updates();
    const qint64 target = (ok ? d.succeeded() : d.failed()) + n;
    d.start();
    QTRY_VERIFY_WITH_TIMEOUT((ok ? d.succeeded() : d.failed()) >= target, kWaitMs);
    d.stop();
    // The update under way when the driver stops still ends.
    QTRY_VERIFY_WITH_TIMEOUT(!vyx().component().UpdateInProgress(), kWaitMs);
  }

 private Q_SLOTS:
  void init() {
    errors_.clear();
    prompts_.clear();
    decision_ = MainWindow::Decision::Cancel;
    QFile::remove(file("panel.ini"));
  }

  void cleanup() {
    if (window_) window_->setWindowModified(false);
    window_.reset();
    settings_.reset();
    if (sim_) sim_->Stop();
    sim_.reset();
  }

  void updatesFillTheChartAndTheLogThenTheDocumentReopens() {
    openWindow();
    QCOMPARE(vyx().CommStatus(), QStringLiteral("Connect"));
    QVERIFY(!window_->isWindowModified());
    QCOMPARE(window_->windowTitle(), QStringLiteral("Untitled[*] - Vyx Panel"));

    const QString log = file("readings.csv");
    QVERIFY(window_->startLog(log));
    runUpdates(5, true);
    // Readings are not edits: the document is as it was.
    QVERIFY(!window_->isWindowModified());

    window_->chart()->refresh();
    for (int c = 0; c < 5; ++c) QVERIFY(window_->chart()->drawnPoints(c) >= 1);
    // The board's default inputs: AD0 1.0 V, AD4 4.0 V.
    QCOMPARE(window_->chart()->buffer().points(0).back().y(), 1.0);
    QCOMPARE(window_->chart()->buffer().points(4).back().y(), 4.0);

    const qint64 rows = window_->log().rows();
    QVERIFY(rows >= 5);
    const QStringList lines = Lines(log);
    QCOMPARE(lines.size(), rows + 1);
    QVERIFY(lines.front().startsWith(QStringLiteral("time,update,ok,AD0volt,")));
    QVERIFY2(lines.back().contains(QStringLiteral(",true,1.0")), qPrintable(lines.back()));
    window_->stopLog();

    // The log opens into the chart, every row a point; what is not a log changes nothing.
    QVERIFY(window_->openLog(log));
    QVERIFY(window_->chart()->showingLog());
    QCOMPARE(window_->chart()->drawnPoints(4), int(rows));
    Write(file("notes.csv"), "name,value\nx,1\n");
    QVERIFY(!window_->openLog(file("notes.csv")));
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(window_->chart()->drawnPoints(4), int(rows));
    errors_.clear();
    window_->chart()->resetView();
    QVERIFY(!window_->chart()->showingLog());

    vyx().setPWMduty(QStringLiteral("40"));
    vyx().setDOKstate(1);
    QVERIFY(window_->isWindowModified());
    const QString doc = file("bench.json");
    QVERIFY(window_->saveDocumentAs(doc));
    QVERIFY(!window_->isWindowModified());
    QCOMPARE(window_->windowTitle(), QStringLiteral("bench.json[*] - Vyx Panel"));
    QCOMPARE(ReadJson(doc).value(QStringLiteral("CommPort")).toString(), QStringLiteral("1"));
    QCOMPARE(ReadJson(doc).value(QStringLiteral("PWMduty")).toString(), QStringLiteral("40"));

    // Reopening builds a fresh component that opens its port through its own rules and
    // sends the saved outputs with its first update.
    const VyxWidget* before = window_->component();
    QVERIFY(window_->newDocument());
    QVERIFY(window_->component() != before);
    QCOMPARE(vyx().PWMduty(), QString());
    QVERIFY(window_->openDocument(doc));
    QCOMPARE(window_->documentPath(), doc);
    QVERIFY(!window_->isWindowModified());
    QCOMPARE(vyx().CommStatus(), QStringLiteral("Connect"));
    QCOMPARE(vyx().PWMduty(), QStringLiteral("40"));
    QCOMPARE(vyx().DOKstate(), qint16{1});
    runUpdates(2, true);
    QTRY_VERIFY_WITH_TIMEOUT(sim_->ReadOutputs(0).value_or(vyx::sim::Outputs{}).dok, kWaitMs);
    QVERIFY(errors_.isEmpty());
    QCOMPARE(QSettings(file("panel.ini"), QSettings::IniFormat)
                 .value(QStringLiteral("documents/recent"))
                 .toStringList()
                 .value(0),
             doc);
  }

  void aboutTellsTheVersionAndTheLicence() {
    openWindow();
    QString said;
    inDialogOf(QStringLiteral("&About Vyx Panel"), [&](QDialog& dialog) {
      if (auto* box = qobject_cast<QMessageBox*>(&dialog)) said = box->text();
    });
    QVERIFY2(said.contains(QStringLiteral("Vyx Panel 1.00")), qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("Licence: MIT")), qPrintable(said));
  }

  void portSettingsShowThePortsOfThisRun() {
    openWindow();
    vyx::panel::PortMapping commandLine;
    commandLine[1] = QStringLiteral("tcp://127.0.0.1:4001");
    window_->setCommandLinePorts(commandLine);
    QCOMPARE(vyx().portMap().Device(2), std::string("tcp://127.0.0.1:4001"));
    QStringList shown;
    inDialogOf(QStringLiteral("&Ports..."), [&](QDialog& dialog) {
      for (const QComboBox* box : dialog.findChildren<QComboBox*>()) shown << box->currentText();
    });
    QCOMPARE(shown.size(), 8);
    const QString board = QString::fromStdString(sim_->DevicePath());
    QCOMPARE(shown[0], QStringLiteral("%1 (the simulated board, for this run)").arg(board));
    QCOMPARE(shown[1], QStringLiteral("tcp://127.0.0.1:4001 (--port, for this run)"));
    QVERIFY(shown[2].isEmpty());
  }

  void aDocumentThatCannotBeRestoredChangesNothing_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("said");
    QTest::newRow("not JSON") << QByteArray("{\"CommPort\": ") << QStringLiteral("not a JSON");
    QTest::newRow("not an object") << QByteArray("[1, 2]") << QStringLiteral("not a JSON object");
    QTest::newRow("a value that does not fit")
        << QByteArray(R"({"CommPort": "2", "DONstate": "on"})") << QStringLiteral("DONstate");
  }
  void aDocumentThatCannotBeRestoredChangesNothing() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, said);
    openWindow();
    const QString good = file("good.json");
    vyx().setIDstring(QStringLiteral("BENCH"));
    QVERIFY(window_->saveDocumentAs(good));
    vyx().setPWMduty(QStringLiteral("12"));

    const QString bad = file("bad.json");
    Write(bad, contents);
    decision_ = MainWindow::Decision::Discard;
    const VyxWidget* before = window_->component();
    QVERIFY(!window_->openDocument(bad));
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_.front().contains(said), qPrintable(errors_.front()));
    QCOMPARE(window_->component(), before);
    QCOMPARE(window_->documentPath(), good);
    QCOMPARE(vyx().CommPort(), QStringLiteral("1"));
    QCOMPARE(vyx().PWMduty(), QStringLiteral("12"));
    QVERIFY(window_->isWindowModified());  // the edit is still there to be saved

    QVERIFY(!window_->openDocument(file("no-such.json")));
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(window_->component(), before);
  }

  void unsavedChangesAreSavedDiscardedOrKept() {
    openWindow();
    const QString doc = file("kept.json");
    QVERIFY(window_->saveDocumentAs(doc));

    vyx().setDPWduty(QStringLiteral("33"));
    QVERIFY(window_->isWindowModified());

    decision_ = MainWindow::Decision::Cancel;
    QVERIFY(!window_->newDocument());
    QVERIFY(!window_->close());
    QVERIFY(window_->isVisible());
    QCOMPARE(prompts_, (QStringList{QStringLiteral("kept.json"), QStringLiteral("kept.json")}));
    QCOMPARE(vyx().DPWduty(), QStringLiteral("33"));

    decision_ = MainWindow::Decision::Save;
    QVERIFY(window_->newDocument());
    QCOMPARE(ReadJson(doc).value(QStringLiteral("DPWduty")).toString(), QStringLiteral("33"));
    QVERIFY(window_->documentPath().isEmpty());
    QCOMPARE(vyx().DPWduty(), QString());

    vyx().setDOGduty(QStringLiteral("5"));
    decision_ = MainWindow::Decision::Discard;
    QVERIFY(window_->openDocument(doc));
    QCOMPARE(prompts_.size(), 4);
    QCOMPARE(prompts_.back(), QStringLiteral("Untitled"));
    QCOMPARE(vyx().DOGduty(), QString());
    QCOMPARE(vyx().DPWduty(), QStringLiteral("33"));

    // Nothing changed: no question.
    QVERIFY(window_->close());
    QCOMPARE(prompts_.size(), 4);
  }

  void theOperatorsEditsMarkTheDocument() {
    openWindow();
    auto* panel = static_cast<vyx::qt::PanelView*>(vyx().panel());
    auto* don = qobject_cast<QCheckBox*>(panel->widgetOf(vyx::Field::ChkDON));
    QVERIFY(don);
    QVERIFY(!window_->isWindowModified());
    QTest::mouseClick(don, Qt::LeftButton);
    QCOMPARE(vyx().DONstate(), qint16{1});
    QVERIFY(window_->isWindowModified());

    // Pressing Update on the panel edits nothing, even when its reply changes readings.
    QVERIFY(window_->saveDocumentAs(file("operator.json")));
    auto* update = panel->widgetOf(vyx::Field::CmdUpdate);
    QSignalSpy data(&vyx(), &VyxWidget::NewData);
    QTest::mouseClick(update, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(data.count() >= 1, kWaitMs);
    QVERIFY(!window_->isWindowModified());
  }

  void updatesFollowEachOtherWithoutOverlap() {
    openWindow();
    int presses = 0;
    bool pressedWhileBusy = false;
    connect(&vyx(), &VyxWidget::propertyChanged, this, [&](const QString& name) {
      if (name == QStringLiteral("UpdateCmd")) ++presses;
    });
    // The Update command sees the status first: a press while "Busy" would start nothing.
    connect(&vyx(), &VyxWidget::UpdateCmdChanged, this, [&] {
      if (vyx().UpdateCmd() && vyx().MicroStatus() != QStringLiteral("Ready"))
        pressedWhileBusy = true;
    });
    auto& d = window_->updates();
    d.setInterval(0);
    runUpdates(20, true);
    QVERIFY(!pressedWhileBusy);
    QTRY_COMPARE_WITH_TIMEOUT(qint64{presses}, d.succeeded() + d.failed(), kWaitMs);
    QVERIFY(d.rate() > 0.0);

    // On a period, one update starts no sooner than the period after the last.
    QList<qint64> starts;
    QElapsedTimer clock;
    clock.start();
    connect(&vyx(), &VyxWidget::propertyChanged, this, [&](const QString& name) {
      if (name == QStringLiteral("UpdateCmd")) starts << clock.elapsed();
    });
    d.setInterval(150);
    runUpdates(4, true);
    QVERIFY(starts.size() >= 4);
    for (int i = 1; i < starts.size(); ++i) QVERIFY(starts[i] - starts[i - 1] >= 145);
  }

  void aSilentBoardCountsFailedUpdates() {
    vyx::sim::FaultSettings silent;
    silent.silence = 1.0;
    openWindow(silent);
    const QString log = file("failed.csv");
    QVERIFY(window_->startLog(log));
    runUpdates(2, false);
    auto& d = window_->updates();
    QCOMPARE(d.succeeded(), qint64{0});
    QVERIFY(d.failed() >= 2);
    QVERIFY2(d.lastError().contains(QStringLiteral("no valid reply")), qPrintable(d.lastError()));
    QVERIFY2(window_->statusText().contains(QStringLiteral("%1 failed").arg(d.failed())),
             qPrintable(window_->statusText()));
    QVERIFY(window_->statusText().contains(d.lastError()));
    const QStringList lines = Lines(log);
    QVERIFY(lines.size() >= 3);
    QVERIFY2(lines.at(1).contains(QStringLiteral(",1,false,")), qPrintable(lines.at(1)));

    // The board speaks again: the next updates succeed.
    sim_->SetFaults({});
    runUpdates(1, true);
  }

  // While the board is silent the chart's axis runs on, the lines stop where the readings
  // stopped and the panel says how old they are; afterwards the hole stays in the lines.
  void anOutageShowsAsAHoleWithTheReadingsAge() {
    openWindow();
    StripChart& chart = *window_->chart();
    QList<double> failures;
    connect(&window_->updates(), &UpdateDriver::updateFinished, this, [&](bool ok) {
      if (!ok) failures << double(chart.now());
    });
    runUpdates(3, true);
    vyx::sim::FaultSettings silent;
    silent.silence = 1.0;
    sim_->SetFaults(silent);
    runUpdates(2, false);

    chart.setClock([] { return QDateTime::currentMSecsSinceEpoch() + 12'000; });
    const qint64 now = chart.now();
    QVERIFY(now - chart.shownTimes().second < 1'000);  // the axis reaches the present
    QVERIFY(chart.drawnSegments(0).back().back().x() < double(now - 12'000));
    QVERIFY2(QRegularExpression(QStringLiteral("^Readings 1[2-9] s old$"))
                 .match(chart.staleText())
                 .hasMatch(),
             qPrintable(chart.staleText()));

    chart.setClock(&QDateTime::currentMSecsSinceEpoch);
    sim_->SetFaults({});
    runUpdates(2, true);
    chart.refresh();
    const QList<ChartBuffer::Segment> lines = chart.drawnSegments(0);
    QCOMPARE(lines.size(), 2);
    // No line runs across a failed update.
    QVERIFY(failures.size() >= 2);
    for (const double failed : failures) {
      for (const ChartBuffer::Segment& line : lines)
        QVERIFY(!(line.front().x() < failed && failed < line.back().x()));
    }
    QCOMPARE(chart.staleText(), QString());
  }

  void aClosedPortFailsWithoutSpinningAndSaysWhy_data() {
    QTest::addColumn<bool>("heldByAnother");
    QTest::addColumn<QString>("said");
    QTest::newRow("no port chosen") << false << QStringLiteral("port 0 is not open (Offline)");
    QTest::newRow("held by another program") << true << QStringLiteral("in use by another program");
  }
  void aClosedPortFailsWithoutSpinningAndSaysWhy() {
    QFETCH(bool, heldByAnother);
    QFETCH(QString, said);
    openWindow();
    vyx().setCommPort(QStringLiteral("0"));  // NoCom
    VyxWidget other;
    if (heldByAnother) {
      QVERIFY(other.portMap().Set(1, sim_->DevicePath()).ok());
      other.setCommPort(QStringLiteral("1"));
      QCOMPARE(other.CommStatus(), QStringLiteral("Connect"));
      vyx().setCommPort(QStringLiteral("1"));
    }
    QCOMPARE(vyx().CommStatus(), QStringLiteral("Offline"));
    runUpdates(2, false);
    QVERIFY2(window_->updates().lastError().contains(said),
             qPrintable(window_->updates().lastError()));
    QVERIFY(window_->statusText().contains(said));
  }

  void aStatusStuckOnBusyStopsTheUpdatesWithAReason() {
    openWindow();
    vyx().setMicroStatus(QStringLiteral("Busy"));  // as a document saved mid-update restores it
    auto& d = window_->updates();
    d.start();
    QVERIFY(!d.isRunning());
    QVERIFY2(d.lastError().contains(QStringLiteral("Busy")), qPrintable(d.lastError()));
    vyx().setClearCmd(true);
    QCOMPARE(vyx().MicroStatus(), QStringLiteral("Ready"));
    runUpdates(1, true);
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
