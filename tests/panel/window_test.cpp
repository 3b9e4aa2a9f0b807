// The desktop host: its command line, and its window against the simulated board on a real
// pseudo-terminal: documents, automatic updates, the chart, the log, the unsaved-changes prompt.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "control/vyx.h"
#include "main_window.h"
#include "panel_view.h"
#include "platform/port_map.h"
#include "ports_dialog.h"
#include "strip_chart.h"
#include "vyx/sim/simulator.h"

using vyx::panel::ChartBuffer;
using vyx::panel::MainWindow;

namespace {

constexpr int kWaitMs = 20'000;  // generous: a loaded machine, not a speed target

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QStringList Lines(const QString& path) {
  return QString::fromUtf8(Read(path)).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  std::unique_ptr<vyx::sim::Simulator> sim_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<MainWindow> window_;
  QStringList errors_, prompts_;
  MainWindow::Decision decision_ = MainWindow::Decision::Cancel;

  QString file(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  VyxWidget& vyx() { return *window_->component(); }

  // A window whose Comm1 leads to a fresh simulated board.
  void openWindow() {
    sim_ = std::make_unique<vyx::sim::Simulator>(vyx::sim::Options{});
    QVERIFY2(!sim_->Start().empty(), sim_->LastError().c_str());
    settings_ = std::make_unique<QSettings>(file("panel.ini"), QSettings::IniFormat);
    window_ = std::make_unique<MainWindow>(*settings_);
    window_->setErrorSink([this](const QString&, const QString& message) { errors_ << message; });
    window_->setSavePrompt([this](const QString& name) { return prompts_ << name, decision_; });
    window_->setSimulatedDevice(QString::fromStdString(sim_->DevicePath()));
    window_->show();
  }
  // Runs automatic updates until n more have ended the way asked; the one under way when the
  // driver stops still ends.
  void runUpdates(int n, bool ok) {
    auto& d = window_->updates();
    const qint64 target = (ok ? d.succeeded() : d.failed()) + n;
    d.start();
    QTRY_VERIFY_WITH_TIMEOUT((ok ? d.succeeded() : d.failed()) >= target, kWaitMs);
    d.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!vyx().component().UpdateInProgress(), kWaitMs);
  }

 private Q_SLOTS:
  void init() {
    errors_.clear();
    prompts_.clear();
    decision_ = MainWindow::Decision::Cancel;
  }
  void cleanup() {
    if (window_) window_->setWindowModified(false);
    window_.reset();
    settings_.reset();
    sim_.reset();
  }

  // Answers that need no window come without a display, as a terminal without one gets them.
  void commandLineAnswersWithoutADisplay_data() {
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("help") << "--help" << 0 << "--port <N=DEVICE>";
    QTest::newRow("version") << "--version" << 0 << "vyx-panel 1.00";
    QTest::newRow("unknown option") << "--bogus" << 2 << "Unknown option 'bogus'";
    QTest::newRow("Comm1 simulated")
        << "--simulate --port 1=/dev/x" << 2 << "--simulate maps Comm1";
    QTest::newRow("outage length") << "--simulate --simulate-outage 5" << 2 << "START,LENGTH";
  }
  void commandLineAnswersWithoutADisplay() {
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
      env.remove(QString::fromLatin1(name));
    panel.setProcessEnvironment(env);
    panel.start(QStringLiteral(VYX_PANEL_BINARY), arguments.split(u' '));
    QVERIFY(panel.waitForFinished(30'000));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), status);
    const QString out = status == 0 ? panel.readAllStandardOutput() : panel.readAllStandardError();
    QVERIFY2(out.contains(said), qPrintable(out));
  }

  // Automatic updates follow each other, never overlapping, back to back or on their period;
  // they fill the chart and the log, and are no edits of the document.
  void updatesFillTheChartAndTheLogThenTheDocumentReopens() {
    openWindow();
    QList<qint64> starts;
    QElapsedTimer clock;
    clock.start();
    connect(&vyx(), &VyxWidget::propertyChanged, this, [&](const QString& name) {
      if (name == QStringLiteral("UpdateCmd")) starts << clock.elapsed();
    });
    auto& d = window_->updates();
    d.setInterval(0);
    runUpdates(20, true);
    QCOMPARE(qint64(starts.size()), d.succeeded() + d.failed());  // no press while "Busy"
    starts.clear();
    const QString log = file("readings.csv");
    QVERIFY(window_->startLog(log));
    d.setInterval(150);
    runUpdates(4, true);
    for (int i = 1; i < starts.size(); ++i) QVERIFY(starts[i] - starts[i - 1] >= 145);
    QVERIFY(!window_->isWindowModified());
    // The board's default AD4 input is 4.0 V.
    QVERIFY(qAbs(window_->chart()->buffer().points(4).back().y() - 4.0) < 0.01);
    // Each row is in the file as it comes, while the log is still open.
    const qint64 rows = window_->log().rows();
    QCOMPARE(Lines(log).size(), rows + 1);
    QVERIFY2(Lines(log).back().contains(QStringLiteral(",true,1.0")),
             qPrintable(Lines(log).back()));
    window_->stopLog();
    // The log opens into the chart, every row a point.
    QVERIFY(window_->openLog(log));
    QCOMPARE(window_->chart()->drawnPoints(4), int(rows));

    vyx().setPWMduty(QStringLiteral("40"));
    vyx().setDOKstate(1);
    const QString doc = file("bench.json");
    QVERIFY(window_->saveDocumentAs(doc));
    QVERIFY(!window_->isWindowModified());
    QCOMPARE(window_->windowTitle(), QStringLiteral("bench.json[*] - Vyx Panel"));
    // Reopening builds a fresh component that opens its port through its own rules and
    // sends the saved outputs with its first update.
    const VyxWidget* before = window_->component();
    QVERIFY(window_->newDocument());
    QVERIFY(window_->component() != before);
    QCOMPARE(vyx().PWMduty(), QString());
    QVERIFY(window_->openDocument(doc));
    QVERIFY(!window_->isWindowModified());
    QCOMPARE(vyx().CommStatus(), QStringLiteral("Connect"));
    QCOMPARE(vyx().PWMduty(), QStringLiteral("40"));
    runUpdates(2, true);  // the first finds the board, the second sends
    QVERIFY(sim_->ReadOutputs(0)->dok);
    QVERIFY(errors_.isEmpty());
    QCOMPARE(settings_->value(QStringLiteral("documents/recent")).toStringList().value(0), doc);
  }

  // A document is checked whole before it replaces the component: one that would not restore
  // leaves the window, its edits and its document as they were.
  void aDocumentThatCannotBeRestoredChangesNothing_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("said");
    QTest::newRow("no such file") << QByteArray() << "bad.json";
    QTest::newRow("not JSON") << QByteArray("{\"CommPort\": ") << "not a JSON";
    QTest::newRow("state not a number")
        << QByteArray(R"({"CommPort": "2", "DONstate": "on"})") << "key \"DONstate\"";
    QTest::newRow("the first bad key")
        << QByteArray(R"({"DON": "x", "DONstate": "y"})") << "key \"DON\"";
  }
  void aDocumentThatCannotBeRestoredChangesNothing() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, said);
    openWindow();
    QVERIFY(window_->saveDocumentAs(file("good.json")));
    vyx().setPWMduty(QStringLiteral("12"));
    QFile bad(file("bad.json"));
    QVERIFY(contents.isEmpty() ? !bad.exists() || bad.remove() : bad.open(QIODevice::WriteOnly));
    bad.write(contents);
    bad.close();
    decision_ = MainWindow::Decision::Discard;
    const VyxWidget* before = window_->component();
    QVERIFY(!window_->openDocument(file("bad.json")));
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_.front().contains(said), qPrintable(errors_.front()));
    QCOMPARE(window_->component(), before);
    QCOMPARE(window_->documentPath(), file("good.json"));
    QCOMPARE(vyx().PWMduty(), QStringLiteral("12"));
    QVERIFY(window_->isWindowModified());  // the edit is still there to be saved
  }

  void unsavedChangesAreSavedDiscardedOrKept() {
    openWindow();
    const QString doc = file("kept.json");
    QVERIFY(window_->saveDocumentAs(doc));
    // The operator's click marks the document.
    QTest::mouseClick(static_cast<vyx::qt::PanelView*>(vyx().panel())->widgetOf(vyx::Field::ChkDON),
                      Qt::LeftButton);
    QVERIFY(window_->isWindowModified());
    QVERIFY(window_->saveDocumentAs(doc));

    vyx().setDPWduty(QStringLiteral("33"));
    QVERIFY(!window_->newDocument());  // cancelled
    QVERIFY(!window_->close());
    decision_ = MainWindow::Decision::Save;
    QVERIFY(window_->newDocument());
    QVERIFY(Read(doc).contains("\"DPWduty\": \"33\""));
    vyx().setDOGduty(QStringLiteral("5"));
    decision_ = MainWindow::Decision::Discard;
    QVERIFY(window_->openDocument(doc));
    QCOMPARE(vyx().DOGduty() + vyx().DPWduty(), QStringLiteral("33"));
    QVERIFY(window_->close());  // nothing changed: no question
    QCOMPARE(prompts_, QString("kept.json kept.json kept.json Untitled").split(u' '));
  }

  // While the board is silent updates fail and are counted, the lines stop where the readings
  // stopped and the panel says how old they are; afterwards the hole stays in the lines.
  void anOutageCountsFailuresAndShowsAsAHole() {
    openWindow();
    vyx::panel::StripChart& chart = *window_->chart();
    QList<double> failures;
    connect(&window_->updates(), &vyx::panel::UpdateDriver::updateFinished, this,
            [&](bool ok) { failures << (ok ? 0 : double(chart.now())); });
    runUpdates(3, true);
    sim_->SetFaults({.silence = 1.0});
    runUpdates(2, false);
    auto& d = window_->updates();
    QVERIFY2(d.lastError().contains(QStringLiteral("no reply")), qPrintable(d.lastError()));
    QVERIFY(window_->statusText().contains(QString("%1 failed | Last error: ").arg(d.failed()) +
                                           d.lastError()));
    chart.setClock([] { return QDateTime::currentMSecsSinceEpoch() + 12'000; });
    QVERIFY2(chart.staleText().contains(QRegularExpression("^Readings 1[2-9] s old$")),
             qPrintable(chart.staleText()));
    chart.setClock(&QDateTime::currentMSecsSinceEpoch);
    sim_->SetFaults({});
    runUpdates(2, true);
    chart.refresh();
    const QList<ChartBuffer::Segment> lines = chart.drawnSegments(0);
    QCOMPARE(lines.size(), 2);
    for (const double failed : failures) {  // no line runs across a failed update
      for (const auto& l : lines) QVERIFY(!(l.front().x() < failed && failed < l.back().x()));
    }
    QCOMPARE(chart.staleText(), QString());
    // Updates that cannot run fail at once, say why, and do not spin.
    vyx().setCommPort(QStringLiteral("0"));  // NoCom
    runUpdates(2, false);
    QVERIFY2(d.lastError().contains("port not open: no port chosen"), qPrintable(d.lastError()));
    QVERIFY(window_->statusText().contains(d.lastError()));
    vyx().setCommPort(QStringLiteral("1"));
    vyx().setMicroStatus(QStringLiteral("Busy"));  // as a document saved mid-update has it
    d.start();
    QVERIFY(!d.isRunning());
    QVERIFY2(d.lastError().startsWith("not ready: "), qPrintable(d.lastError()));
    vyx().setClearCmd(true);  // Clear makes it ready again
    runUpdates(1, true);
  }

  // The port dialog's Scan lists which addresses of a position's device answer; a device that
  // does not open says why.
  void thePortDialogScansALine() {
    vyx::sim::Options options;
    options.boards = {1, 3};
    vyx::sim::Simulator board(options);
    const QString device = QString::fromStdString(board.Start());
    vyx::panel::PortMapping current;
    current[1] = device;
    current[2] = file("no-such-device");
    vyx::panel::PortsDialog dialog(current, {});
    const struct {
      const char* comm;
      QString expected;
    } cases[] = {
        {"Comm2",
         "Addr0: no board (no reply)\nAddr1: firmware 1.0, identifier \"Vantrel\", "
         "calibration 5.0000 V\nAddr2: no board (no reply)\nAddr3: firmware 1.0"},
        {"Comm3", "did not open: " + file("no-such-device")},
    };
    const auto named = [&dialog]<typename W>(W*, const QString& name) -> W* {
      for (W* w : dialog.findChildren<W*>()) {
        if (w->accessibleName() == name) return w;
      }
      return nullptr;
    };
    for (const auto& c : cases) {
      QToolButton* scan = named(static_cast<QToolButton*>(nullptr), QString("Scan ") + c.comm);
      QLabel* found = named(static_cast<QLabel*>(nullptr), QString(c.comm) + " boards");
      QVERIFY(scan && found);
      scan->click();
      QTRY_VERIFY_WITH_TIMEOUT(scan->isEnabled(), kWaitMs);
      QVERIFY2(found->text().contains(c.expected), qPrintable(found->text()));
    }
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
