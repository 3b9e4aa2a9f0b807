// The example host, built against the installed package (see installed_package.cmake), run
// against the simulated board: the package's headers, libraries and Qt dependencies make a
// program that really reads the board.
#include <QProcess>
#include <QTest>

#include "vyx/sim/simulator.h"

class InstalledExampleTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void embedWidgetReadsTheBoard() {
    vyx::sim::Simulator sim{vyx::sim::Options{}};
    const std::string device = sim.Start();
    QVERIFY2(!device.empty(), sim.LastError().c_str());

    QProcess host;
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(QStringLiteral(VYX_INSTALLED_EMBED_WIDGET),
               {QString::fromStdString(device), QStringLiteral("3")});
    QVERIFY2(host.waitForFinished(60'000), "the example did not finish");
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.exitCode(), 0);
    // The board's default AD0 input is 1.0 V.
    const QStringList lines =
        QString::fromUtf8(host.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, QStringList(3, QStringLiteral("AD0volt 1.000")));
    sim.Stop();
  }

  void readOnceTellsAMissingPort() {
    QProcess host;
    host.start(QStringLiteral(VYX_INSTALLED_READ_ONCE), {QStringLiteral("/dev/vyx-no-such-port")});
    QVERIFY(host.waitForFinished(60'000));
    QCOMPARE(host.exitCode(), 2);
    const QString said = QString::fromUtf8(host.readAllStandardError());
    QVERIFY2(said.contains(QStringLiteral("cannot open /dev/vyx-no-such-port")), qPrintable(said));
  }

  void readOnceReadsTheBoard() {
    vyx::sim::Simulator sim{vyx::sim::Options{}};
    const std::string device = sim.Start();
    QVERIFY2(!device.empty(), sim.LastError().c_str());
    QProcess host;
    host.start(QStringLiteral(VYX_INSTALLED_READ_ONCE), {QString::fromStdString(device)});
    QVERIFY(host.waitForFinished(60'000));
    QCOMPARE(host.exitCode(), 0);
    const QString out = QString::fromUtf8(host.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("AD4volt      4.000")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("FWver        1.0")), qPrintable(out));
    sim.Stop();
  }
};

QTEST_MAIN(InstalledExampleTest)
#include "installed_example_test.moc"
