// The example hosts, built against the installed package (installed_package.cmake), run
// against the simulated board: the package's headers, libraries and Qt dependencies make
// programs that really read the board, and say so when the port is missing.
#include <QtTest>

#include "vyx/sim/simulator.h"

class InstalledExampleTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void examplesReadTheBoard() {
    vyx::sim::Simulator sim{vyx::sim::Options{}};
    const QString device = QString::fromStdString(sim.Start());
    QVERIFY2(!device.isEmpty(), sim.LastError().c_str());
    // The board's default inputs: AD0 1.0 V, AD4 4.0 V. Answers on standard output, or
    // standard error with status 2.
    const struct {
      const char* program;
      QStringList arguments;
      const char* said;
    } runs[] = {{"embed_widget", {device, "3"}, "AD0volt 1.000\nAD0volt 1.000\nAD0volt 1.000\n"},
                {"read_once", {device}, "AD4volt      4.000"},
                {"read_once", {"/dev/vyx-no"}, "cannot open /dev/vyx-no"}};
    for (const auto& run : runs) {
      QProcess host;
      host.start(VYX_INSTALLED "/build-" + QString(run.program) + "/" + run.program, run.arguments);
      QVERIFY2(host.waitForFinished(60'000), run.program);
      QCOMPARE(host.exitStatus(), QProcess::NormalExit);
      QCOMPARE(host.exitCode(), run.arguments.size() == 1 && run.arguments[0] != device ? 2 : 0);
      QVERIFY2((host.readAllStandardOutput() + host.readAllStandardError()).contains(run.said),
               run.program);
    }
  }
};

QTEST_MAIN(InstalledExampleTest)
#include "installed_example_test.moc"
