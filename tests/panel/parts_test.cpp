// The desktop host's parts that have rules of their own: the command line, the chart buffer,
// the CSV log, the recent documents, the port mapping in the settings, and the check of a
// document before it replaces the component.
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QXmlStreamReader>
#include <QtCharts/QChartView>
#include <utility>

#include "chart_buffer.h"
#include "console_readings.h"
#include "csv_logger.h"
#include "document_check.h"
#include "json_document_bag.h"
#include "log_reader.h"
#include "platform/port_map.h"
#include "port_settings.h"
#include "ports_dialog.h"
#include "recent_files.h"
#include "strip_chart.h"

using vyx::panel::ChartBuffer;
using vyx::panel::StripChart;

namespace {

ChartBuffer::Sample All(double v) { return {v, v, v, v, v}; }

// A log as both hosts write it: every reading of the monitor's columns, AD0 to AD4 at volts.
QByteArray HostLog(const QList<std::pair<const char*, std::optional<double>>>& rows,
                   const std::string& id = "bench") {
  std::string out = vyx::console::CsvHeader() + "\n";
  long update = 0;
  for (const auto& [time, volts] : rows) {
    vyx::console::Readings readings;
    for (const std::string_view name : vyx::console::kReadingNames) {
      if (name.starts_with("AD")) {
        readings.emplace_back(name, QString::number(volts.value_or(0), 'f', 4).toStdString());
      } else if (name == "IDstring") {
        readings.emplace_back(name, id);
      } else {
        readings.emplace_back(name, std::string("0"));
      }
    }
    vyx::console::LogRow row{time, ++update, volts ? &readings : nullptr};
    out += vyx::console::CsvRow(row) + "\n";
  }
  return QByteArray::fromStdString(out);
}

QStringList Lines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

}  // namespace

class PartsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private Q_SLOTS:
  // Answers that need no window come without a display, as a terminal without one gets them.
  void commandLineAnswersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: vyx-panel [options]";
    QTest::newRow("help names --port") << QStringList{"-h"} << 0 << "--port <N=DEVICE>";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "vyx-panel 1.00";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "Unknown option 'bogus'";
    QTest::newRow("port without a device")
        << QStringList{"--port", "3="} << 2 << "--port takes N=DEVICE with N from 1 to 8";
    QTest::newRow("port beyond Comm8") << QStringList{"--port", "9=/dev/ttyUSB0"} << 2
                                       << "--port takes N=DEVICE with N from 1 to 8";
    QTest::newRow("port that is no device")
        << QStringList{"--port", "2=tcp://host"} << 2 << "'tcp://host' is not tcp://HOST:PORT";
    QTest::newRow("Comm1 belongs to the simulated board")
        << QStringList{"--simulate", "--port", "1=/dev/ttyUSB0"} << 2
        << "--simulate maps Comm1 itself";
    QTest::newRow("outage needs the board")
        << QStringList{"--simulate-outage", "5,10"} << 2 << "--simulate-outage needs --simulate";
    QTest::newRow("outage needs a length")
        << QStringList{"--simulate", "--simulate-outage", "5"} << 2 << "START,LENGTH";
  }
  void commandLineAnswersWithoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
      env.remove(QString::fromLatin1(name));
    panel.setProcessEnvironment(env);
    panel.start(QStringLiteral(VYX_PANEL_BINARY), arguments);
    QVERIFY(panel.waitForFinished(30'000));
    const QString out = QString::fromLocal8Bit(panel.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(panel.readAllStandardError());
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), status);
    QVERIFY2((status == 0 ? out : err).contains(said), qPrintable(out + err));
  }

  // The desktop's entry runs the panel and names its icon; both install where desktops look.
  void desktopEntryAndIconInstall() {
    QFile entry(QStringLiteral(VYX_PANEL_SOURCE_DIR "/vyx-panel.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QMap<QString, QString> keys;
    for (const QString& line : lines.mid(1)) {
      const qsizetype eq = line.indexOf(u'=');
      QVERIFY2(eq > 0 && !keys.contains(line.left(eq)), qPrintable(line));
      keys.insert(line.left(eq), line.mid(eq + 1));
    }
    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Vyx Panel"));
    QVERIFY(keys.value(QStringLiteral("Exec")).startsWith(QStringLiteral("vyx-panel ")));
    QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("vyx-panel"));
    QCOMPARE(keys.value(QStringLiteral("Terminal")), QStringLiteral("false"));
    QVERIFY(keys.value(QStringLiteral("Categories")).endsWith(u';'));

    QFile icon(QStringLiteral(VYX_PANEL_SOURCE_DIR "/vyx-panel.svg"));
    QVERIFY(icon.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&icon);
    QVERIFY(svg.readNextStartElement());
    QCOMPARE(svg.name(), QStringLiteral("svg"));
    QCOMPARE(svg.attributes().value(QStringLiteral("viewBox")), QStringLiteral("0 0 64 64"));
    while (!svg.atEnd()) svg.readNext();
    QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));

    QTemporaryDir prefix;
    QProcess install;
    install.start(
        QStringLiteral(VYX_CMAKE_COMMAND),
        {QStringLiteral("--install"), QStringLiteral(VYX_BUILD_DIR), QStringLiteral("--component"),
         QStringLiteral("panel"), QStringLiteral("--prefix"), prefix.path()});
    QVERIFY(install.waitForFinished(60'000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    for (const char* path : {"bin/vyx-panel", "share/applications/vyx-panel.desktop",
                             "share/icons/hicolor/scalable/apps/vyx-panel.svg"}) {
      QVERIFY2(QFile::exists(prefix.filePath(QString::fromLatin1(path))), path);
    }
  }

  void chartKeepsOnlyTheWindow() {
    ChartBuffer b(10'000);
    for (qint64 t = 1'000'000; t <= 1'020'000; t += 1'000) b.append(t, All(double(t)));
    QCOMPARE(b.latest(), qint64{1'020'000});
    // 1 010 000 to 1 020 000 inclusive.
    QCOMPARE(b.points(0).size(), 11);
    QCOMPARE(b.points(4).front().x(), 1'010'000.0);
    b.setWindow(5'000);
    QCOMPARE(b.points(2).size(), 6);
    QCOMPARE(b.points(2).front().x(), 1'015'000.0);
  }

  void chartThinsPointsThatCrowdTheWindow() {
    ChartBuffer b(2'000);  // one point a millisecond at most
    for (qint64 t = 5'000; t < 5'010; ++t) b.append(t, All(1.0));
    b.append(5'010, {2.0, std::nullopt, 2.0, 2.0, 2.0});
    QCOMPARE(b.points(0).size(), 11);
    QCOMPARE(b.points(1).size(), 10);  // a missing value leaves the channel out

    ChartBuffer coarse(60'000);  // 30 ms apart at most
    for (qint64 t = 0; t < 300; t += 10) coarse.append(1'000'000 + t, All(1.0));
    QCOMPARE(coarse.points(3).size(), 10);
  }

  void chartIgnoresTimeGoingBack() {
    ChartBuffer b(60'000);
    b.append(2'000'000, All(1.0));
    b.append(1'999'000, All(9.0));
    QCOMPARE(b.points(0).size(), 1);
    QCOMPARE(b.points(0).front().y(), 1.0);
    b.clear();
    QVERIFY(b.isEmpty());
    QVERIFY(b.points(0).isEmpty());
  }

  // Lines break where readings stopped: at a failed update (a negative time below), and
  // across a pause longer than the join limit. Segments are written "1 2 | 4 5" in seconds.
  void chartBreaksItsLinesWhereReadingsStopped_data() {
    QTest::addColumn<qint64>("windowMs");
    QTest::addColumn<qint64>("joinLimitMs");
    QTest::addColumn<QList<qint64>>("events");
    QTest::addColumn<QString>("segments");
    QTest::newRow("steady readings") << 60'000LL << 0LL << QList<qint64>{1, 2, 3} << "1 2 3";
    QTest::newRow("a failed update")
        << 60'000LL << 0LL << QList<qint64>{1, 2, -3, 4, 5} << "1 2 | 4 5";
    QTest::newRow("failures in a row break once")
        << 60'000LL << 0LL << QList<qint64>{1, -2, -3, -4, 5, 6} << "1 | 5 6";
    QTest::newRow("a pause past the join limit")
        << 60'000LL << 2'000LL << QList<qint64>{1, 2, 6, 7} << "1 2 | 6 7";
    QTest::newRow("a pause within the join limit")
        << 60'000LL << 2'000LL << QList<qint64>{1, 2, 4, 5} << "1 2 4 5";
    QTest::newRow("a break that leaves the window takes nothing with it")
        << 3'000LL << 0LL << QList<qint64>{1, -2, 3, 5} << "3 5";
    QTest::newRow("a lone reading between failures")
        << 60'000LL << 0LL << QList<qint64>{1, -2, 3, -4, 5} << "1 | 3 | 5";
  }
  void chartBreaksItsLinesWhereReadingsStopped() {
    QFETCH(qint64, windowMs);
    QFETCH(qint64, joinLimitMs);
    QFETCH(QList<qint64>, events);
    QFETCH(QString, segments);
    ChartBuffer b(windowMs);
    b.setJoinLimit(joinLimitMs);
    for (const qint64 e : events) {
      if (e < 0) {
        b.breakLines(-e * 1000);
      } else {
        b.append(e * 1000, All(1.0));
      }
    }
    QStringList shown;
    for (const ChartBuffer::Segment& run : b.segments(2)) {
      QStringList xs;
      for (const QPointF& p : run) xs << QString::number(p.x() / 1000);
      shown << xs.join(u' ');
    }
    QCOMPARE(shown.join(QStringLiteral(" | ")), segments);
  }

  // The axis runs on the clock, not on the readings; stale readings say how old they are,
  // and the lines show the hole once readings come back.
  void chartRunsOnTheClockThroughAnOutage() {
    constexpr qint64 kStart = 1'700'000'000'000;
    qint64 now = kStart;
    StripChart chart;
    chart.setClock([&now] { return now; });
    chart.setStaleAfter(2'000);
    for (; now <= kStart + 4'000; now += 1'000) chart.addReading(now, All(2.0));
    chart.addFailure(kStart + 4'500);
    now = kStart + 16'000;
    chart.refresh();
    QCOMPARE(chart.shownTimes(), std::make_pair(now - chart.window(), now));
    QCOMPARE(chart.drawnSegments(0).size(), 1);
    QCOMPARE(chart.drawnSegments(0).front().back().x(), double(kStart + 4'000));
    QCOMPARE(chart.staleText(), QStringLiteral("Readings 12 s old"));

    chart.addReading(now, All(3.0));
    now += 1'000;
    chart.addReading(now, All(3.0));
    chart.refresh();
    const QList<ChartBuffer::Segment> drawn = chart.drawnSegments(4);
    QCOMPARE(drawn.size(), 2);
    QCOMPARE(drawn[1].front(), QPointF(double(kStart + 16'000), 3.0));
    QCOMPARE(chart.drawnPoints(4), 7);
    QCOMPARE(chart.staleText(), QString());
  }

  // Keys zoom and pan the time axis and hold it there; Home follows the present again.
  void chartZoomsAndPans_data() {
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<qint64>("from");  // seconds before the present, 30 s shown at first
    QTest::addColumn<qint64>("to");
    QTest::addColumn<bool>("following");
    QTest::newRow("nothing") << QList<int>{} << -30'000LL << 0LL << true;
    QTest::newRow("zoom in") << QList<int>{Qt::Key_Plus} << -22'500LL << -7'500LL << false;
    QTest::newRow("zoom in, then out")
        << QList<int>{Qt::Key_Plus, Qt::Key_Minus} << -30'000LL << 0LL << false;
    QTest::newRow("back in time") << QList<int>{Qt::Key_Left} << -36'000LL << -6'000LL << false;
    QTest::newRow("zoom in, then forward")
        << QList<int>{Qt::Key_Plus, Qt::Key_Right} << -19'500LL << -4'500LL << false;
    QTest::newRow("home again") << QList<int>{Qt::Key_Plus, Qt::Key_Left, Qt::Key_Home} << -30'000LL
                                << 0LL << true;
  }
  void chartZoomsAndPans() {
    QFETCH(QList<int>, keys);
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(bool, following);
    constexpr qint64 kNow = 1'700'000'000'000;
    StripChart chart;
    chart.setClock([] { return kNow; });
    chart.show();
    auto* view = chart.findChild<QChartView*>();
    QVERIFY(view);
    for (const int key : keys) QTest::keyClick(view, static_cast<Qt::Key>(key));
    QCOMPARE(chart.shownTimes(), std::make_pair(kNow + from, kNow + to));
    QCOMPARE(chart.following(), following);
  }

  // The wheel zooms about the time under the pointer; a rubber band (the chart zooming into
  // a stretch) holds the view too.
  void chartWheelAndRubberBandHoldTheView() {
    constexpr qint64 kNow = 1'700'000'000'000;
    StripChart chart;
    chart.setClock([] { return kNow; });
    chart.resize(800, 400);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    auto* view = chart.findChild<QChartView*>();
    const QPoint at(view->viewport()->width() * 3 / 4, view->viewport()->height() / 2);
    const auto timeAt = [&] {
      return view->chart()->mapToValue(view->chart()->mapFromScene(view->mapToScene(at))).x();
    };
    const double before = timeAt();
    QWheelEvent wheel(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    const auto [from, to] = chart.shownTimes();
    QCOMPARE(to - from, qint64{24'000});
    QVERIFY2(qAbs(timeAt() - before) < 100, qPrintable(QString::number(timeAt() - before)));
    QVERIFY(!chart.following());

    chart.resetView();
    QVERIFY(chart.following());
    const QRectF plot = view->chart()->plotArea();
    view->chart()->zoomIn(plot.adjusted(plot.width() / 2, 0, 0, 0));
    QVERIFY(!chart.following());
    QCOMPARE(chart.shownTimes().first, kNow - 15'000);
  }

  // A log either host wrote opens into the chart: a failed row breaks the lines. Segments
  // are written in seconds after 12:00:00Z, as above.
  void logOpensIntoTheChart_data() {
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<QString>("segments");
    QTest::addColumn<QString>("error");
    QTest::newRow("readings with a failed update")
        << HostLog({{"2024-05-01T12:00:01.000Z", 1.5},
                    {"2024-05-01T12:00:02.000Z", 1.5},
                    {"2024-05-01T12:00:03.000Z", std::nullopt},
                    {"2024-05-01T12:00:04.000Z", 1.5},
                    {"2024-05-01T12:00:05.000Z", 1.5}})
        << "1 2 | 4 5" << QString();
    QTest::newRow("texts quoted over commas, quotes and lines")
        << HostLog({{"2024-05-01T12:00:01.000Z", 2.0}, {"2024-05-01T12:00:02.000Z", 2.0}},
                   "a,\"b\"\nc")
        << "1 2" << QString();
    QTest::newRow("times with an offset")
        << HostLog({{"2024-05-01T14:00:01.000+02:00", 2.0}, {"2024-05-01T12:00:02.000Z", 2.0}})
        << "1 2" << QString();
    QTest::newRow("a long pause") << HostLog({{"2024-05-01T12:00:01.000Z", 1.0},
                                              {"2024-05-01T12:00:02.000Z", 1.0},
                                              {"2024-05-01T12:00:03.000Z", 1.0},
                                              {"2024-05-01T12:01:00.000Z", 1.0},
                                              {"2024-05-01T12:01:01.000Z", 1.0}})
                                  << "1 2 3 | 60 61" << QString();
    QTest::newRow("not a log") << QByteArray("name,value\nx,1\n") << QString()
                               << "is not a log of readings";
    QTest::newRow("a row without a time")
        << HostLog({{"2024-05-01T12:00:01.000Z", 1.0}}) + "soon,2,true,1.0\n"
        << QString() << "row 3: \"soon\" is not a time";
    QTest::newRow("a header alone") << HostLog({}) << QString() << "holds no readings";
    QTest::newRow("nothing") << QByteArray() << QString() << "is empty";
  }
  void logOpensIntoTheChart() {
    QFETCH(QByteArray, log);
    QFETCH(QString, segments);
    QFETCH(QString, error);
    const QString path = dir_.filePath(QStringLiteral("opened.csv"));
    {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write(log);
    }
    QString said;
    const std::optional<ChartBuffer> read = vyx::panel::ReadLog(path, said);
    if (!error.isEmpty()) {
      QVERIFY(!read);
      QVERIFY2(said.contains(error), qPrintable(said));
      return;
    }
    QVERIFY2(read, qPrintable(said));
    const double noon =
        double(QDateTime::fromString(QStringLiteral("2024-05-01T12:00:00Z"), Qt::ISODate)
                   .toMSecsSinceEpoch());
    StripChart chart;
    chart.showLog(*read, QStringLiteral("opened.csv"));
    QStringList shown;
    for (const ChartBuffer::Segment& run : chart.drawnSegments(0)) {
      QStringList xs;
      for (const QPointF& p : run) xs << QString::number((p.x() - noon) / 1000);
      shown << xs.join(u' ');
    }
    QCOMPARE(shown.join(QStringLiteral(" | ")), segments);
    const auto [from, to] = chart.shownTimes();
    QCOMPARE(from, qint64(chart.drawnSegments(0).front().front().x()));
    QCOMPARE(to, qint64(chart.drawnSegments(0).back().back().x()));
  }

  void voltsReadThePanelsTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<double>("volts");
    QTest::newRow("fixed decimals") << "2.5000" << true << 2.5;
    QTest::newRow("blanks around") << " 4.1 " << true << 4.1;
    QTest::newRow("cleared field") << "" << false << 0.0;
    QTest::newRow("a comma is no separator") << "2,5" << false << 0.0;
  }
  void voltsReadThePanelsTexts() {
    QFETCH(QString, text);
    QFETCH(bool, readable);
    QFETCH(double, volts);
    const auto v = ChartBuffer::Volts(text);
    QCOMPARE(v.has_value(), readable);
    if (readable) QCOMPARE(*v, volts);
  }

  void logWritesEachRowAsItComes() {
    const QString path = dir_.filePath(QStringLiteral("log.csv"));
    vyx::panel::CsvLogger log;
    QString error;
    QVERIFY2(log.start(path, &error), qPrintable(error));
    QVERIFY(log.isActive());
    QVERIFY(log.append("a,1", &error));
    // Readable while the log is still open: nothing waits in a buffer.
    QCOMPARE(Lines(path), (QStringList{QString::fromStdString(vyx::console::CsvHeader()),
                                       QStringLiteral("a,1")}));
    QVERIFY(log.append("b,2", &error));
    QCOMPARE(log.rows(), qint64{2});
    log.stop();
    QVERIFY(!log.append("c,3", &error));
    QVERIFY(!error.isEmpty());

    // A new log replaces the old file.
    QVERIFY(log.start(path, &error));
    log.stop();
    QCOMPARE(Lines(path).size(), 1);
  }

  void logThatCannotBeWrittenSaysWhy() {
    vyx::panel::CsvLogger log;
    QString error;
    QVERIFY(!log.start(dir_.filePath(QStringLiteral("missing/dir/log.csv")), &error));
    QVERIFY(!log.isActive());
    QVERIFY2(error.contains(QStringLiteral("missing/dir/log.csv")), qPrintable(error));
  }

  void recentDocumentsNewestFirstWithoutRepeats() {
    QSettings settings(dir_.filePath(QStringLiteral("recent.ini")), QSettings::IniFormat);
    vyx::panel::RecentFiles recent(settings);
    recent.clear();
    for (int i = 0; i < 10; ++i) recent.add(dir_.filePath(QStringLiteral("d%1.json").arg(i)));
    recent.add(dir_.filePath(QStringLiteral("d5.json")));
    const QStringList list = recent.list();
    QCOMPARE(list.size(), vyx::panel::RecentFiles::kMax);
    QCOMPARE(list.front(), dir_.filePath(QStringLiteral("d5.json")));
    QCOMPARE(list.at(1), dir_.filePath(QStringLiteral("d9.json")));
    QCOMPARE(list.count(dir_.filePath(QStringLiteral("d5.json"))), 1);
    QVERIFY(!list.contains(dir_.filePath(QStringLiteral("d0.json"))));
    recent.remove(dir_.filePath(QStringLiteral("d9.json")));
    QCOMPARE(recent.list().at(1), dir_.filePath(QStringLiteral("d8.json")));
  }

  void portMappingSurvivesInSettingsAndAppliesWhatIsValid() {
    const QString ini = dir_.filePath(QStringLiteral("ports.ini"));
    vyx::panel::PortMapping m;
    m[0] = QStringLiteral("/dev/pts/9");
    m[2] = QStringLiteral("tcp://127.0.0.1:4001");
    m[3] = QStringLiteral("tcp://nowhere");  // no port number
    {
      QSettings s(ini, QSettings::IniFormat);
      vyx::panel::SavePortMapping(s, m);
    }
    QSettings s(ini, QSettings::IniFormat);
    const vyx::panel::PortMapping loaded = vyx::panel::LoadPortMapping(s);
    QCOMPARE(loaded, m);

    vyx::qt::PortMap map;
    const QStringList errors = vyx::panel::ApplyPortMapping(loaded, map);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().startsWith(QStringLiteral("Comm4")), qPrintable(errors.front()));
    QCOMPARE(map.Device(1), std::string("/dev/pts/9"));
    QCOMPARE(map.Device(3), std::string("tcp://127.0.0.1:4001"));
    QVERIFY(!map.IsMapped(2));  // empty: no device
    QVERIFY(!map.IsMapped(4));  // refused: unchanged
    QCOMPARE(map.Device(2), std::string());

    m[3].clear();
    vyx::panel::SavePortMapping(s, m);
    QVERIFY(!s.contains(QStringLiteral("ports/comm4")));
  }

  void portDialogEntriesStandForTheirDevice() {
    const QList<vyx::panel::FoundPort> found{
        {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("A5XK")},
        {QStringLiteral("/dev/ttyS0"), QString(), QString()}};
    QCOMPARE(vyx::panel::DescribePort(found[0]),
             QStringLiteral("/dev/ttyUSB0 - FT232R USB UART (A5XK)"));
    QCOMPARE(vyx::panel::PortsDialog::DeviceOf(vyx::panel::DescribePort(found[0]), found),
             QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(vyx::panel::PortsDialog::DeviceOf(QStringLiteral(" /dev/pts/4 "), found),
             QStringLiteral("/dev/pts/4"));

    // An empty position is offered as no device, never as one of the machine's serial ports.
    vyx::panel::PortsDialog dialog(vyx::panel::PortMapping{}, {});
    QStringList shown;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) shown << label->text();
    for (const QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
      QVERIFY(edit->text().isEmpty());
      shown << edit->placeholderText();
    }
    QCOMPARE(dialog.findChildren<QLineEdit*>().size(), 8);
    QVERIFY2(!shown.join(u'\n').contains(QStringLiteral("ttyS")), qPrintable(shown.join(u'\n')));
  }

  void portDialogShowsThisRunsPortsAndKeepsTheSettings() {
    vyx::panel::PortMapping saved;
    saved[0] = QStringLiteral("/dev/ttyUSB0");
    saved[2] = QStringLiteral("/dev/ttyUSB2");
    vyx::panel::SessionPorts session;
    session[0] = {QStringLiteral("/dev/pts/9"), QStringLiteral("the simulated board")};
    session[1] = {QStringLiteral("tcp://127.0.0.1:4001"), QStringLiteral("--port")};
    vyx::panel::PortsDialog dialog(saved, {}, session);
    const QList<QComboBox*> boxes = dialog.findChildren<QComboBox*>();
    QCOMPARE(boxes.size(), 8);
    QCOMPARE(boxes[0]->currentText(),
             QStringLiteral("/dev/pts/9 (the simulated board, for this run)"));
    QVERIFY(!boxes[0]->isEnabled());
    QVERIFY(boxes[1]->currentText().startsWith(QStringLiteral("tcp://127.0.0.1:4001 (--port")));
    QVERIFY(!boxes[1]->isEnabled());
    QCOMPARE(boxes[2]->currentText(), QStringLiteral("/dev/ttyUSB2"));
    QVERIFY(boxes[2]->isEnabled());
    // Accepting keeps what the settings held for the positions this run maps.
    QCOMPARE(dialog.mapping(), saved);
  }

  void documentCheckFindsTheFirstKeyThatWouldStopARestore_data() {
    QTest::addColumn<QJsonObject>("document");
    QTest::addColumn<QString>("badKey");
    QTest::newRow("empty document") << QJsonObject{} << QString();
    QTest::newRow("saved values") << QJsonObject{{"CommPort", "1"},
                                                 {"PWMduty", "50"},
                                                 {"DONstate", 1},
                                                 {"UpdateCmd", false}}
                                  << QString();
    QTest::newRow("numbers where texts go")
        << QJsonObject{{"AD0volt", 2.5}, {"DIFcount", 12}} << QString();
    QTest::newRow("state not a number") << QJsonObject{{"DOEstate", "on"}} << "DOEstate";
    QTest::newRow("state out of range") << QJsonObject{{"DINstate", 70000}} << "DINstate";
    QTest::newRow("state a check box cannot show") << QJsonObject{{"DOKstate", 2}} << "DOKstate";
    QTest::newRow("short key first") << QJsonObject{{"DON", "x"}, {"DONstate", "y"}} << "DON";
    QTest::newRow("object where a text goes")
        << QJsonObject{{"IDstring", QJsonObject{}}} << "IDstring";
  }
  void documentCheckFindsTheFirstKeyThatWouldStopARestore() {
    QFETCH(QJsonObject, document);
    QFETCH(QString, badKey);
    vyx::JsonDocumentBag bag(document);
    const QString problem = vyx::panel::CheckDocument(bag);
    if (badKey.isEmpty()) {
      QVERIFY2(problem.isEmpty(), qPrintable(problem));
    } else {
      QVERIFY2(problem.startsWith(QStringLiteral("key \"%1\"").arg(badKey)), qPrintable(problem));
    }
  }
};

QTEST_MAIN(PartsTest)
#include "parts_test.moc"
