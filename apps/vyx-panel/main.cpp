// vyx-panel: the desktop host. Argument parsing and wiring only.
#include <QApplication>
#include <QPixmap>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "about.h"
#include "main_window.h"
#include "panel_options.h"
#include "strip_chart.h"
#include "vyx/sim/demo_board.h"

int main(int argc, char** argv) {
  // Read before the application exists: help, version and mistakes need no display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QString message;
  bool exitNow = false;
  const auto options = vyx::panel::ParsePanelOptions(arguments, message, exitNow);
  if (!options) {
    std::fputs(qPrintable(exitNow ? message : QStringLiteral("vyx-panel: %1\n").arg(message)),
               exitNow ? stdout : stderr);
    return exitNow ? 0 : 2;
  }

  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Vyx"));
  QApplication::setApplicationName(QStringLiteral("vyx-panel"));
  QApplication::setApplicationVersion(vyx::panel::PanelVersion());
  QGuiApplication::setDesktopFileName(QStringLiteral("vyx-panel"));  // its entry and icon

  std::unique_ptr<QSettings> settings =
      options->settingsFile.isEmpty()
          ? std::make_unique<QSettings>()
          : std::make_unique<QSettings>(options->settingsFile, QSettings::IniFormat);

  std::unique_ptr<vyx::sim::Simulator> board;
  vyx::panel::MainWindow window(*settings);
  if (options->chartWindow) window.chart()->setWindow(qint64{*options->chartWindow} * 1000);
  window.setCommandLinePorts(options->ports);
  if (options->simulate) {
    std::string device;
    std::string error;
    board = vyx::sim::StartDemoBoard(device, error);
    if (!board) {
      std::fprintf(stderr, "vyx-panel: cannot start the simulated board: %s\n", error.c_str());
      return 1;
    }
    window.setSimulatedDevice(QString::fromStdString(device));
    if (options->outage) {
      // The board stops answering, as a pulled cable shows it, and then answers again.
      const vyx::sim::FaultSettings normal = board->Faults();
      vyx::sim::FaultSettings silent = normal;
      silent.silence = 1.0;
      vyx::sim::Simulator* sim = board.get();
      const auto ms = [](double seconds) { return static_cast<int>(seconds * 1000); };
      QTimer::singleShot(ms(options->outage->start), &window,
                         [sim, silent] { sim->SetFaults(silent); });
      QTimer::singleShot(ms(options->outage->start + options->outage->length), &window,
                         [sim, normal] { sim->SetFaults(normal); });
    }
  }
  if (!options->document.isEmpty()) window.openDocument(options->document);
  if (options->simulate) window.updates().start();
  window.show();

  int status = 0;
  if (!options->screenshot.isEmpty()) {
    QTimer::singleShot(static_cast<int>(options->after * 1000), &window, [&] {
      window.chart()->refresh();
      const QPixmap picture = window.grab();
      window.updates().stop();
      if (!picture.save(options->screenshot)) {
        std::fprintf(stderr, "vyx-panel: cannot write %s\n", qPrintable(options->screenshot));
        status = 1;
      }
      window.setWindowModified(false);  // a picture is not an edit to keep
      window.close();
    });
  }
  const int run = QApplication::exec();
  if (board) board->Stop();
  return status != 0 ? status : run;
}
