// Renders the panel at 96 DPI after real updates against the simulated board:
//   vyx_render_panel [OUTPUT.png]      (default docs/panel.png)
#include <QApplication>
#include <QEventLoop>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>

#include "platform/port_map.h"
#include "vyx/sim/simulator.h"
#include "vyx_widget.h"

namespace {

// Presses Update and runs the event loop until NewData, or gives up after two seconds.
bool UpdateOnce(VyxWidget& w) {
  QEventLoop loop;
  bool arrived = false;
  QObject::connect(&w, &VyxWidget::NewData, &loop, [&] {
    arrived = true;
    loop.quit();
  });
  QTimer::singleShot(2000, &loop, &QEventLoop::quit);
  w.setUpdateCmd(true);
  loop.exec();
  return arrived;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  const QString output =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/panel.png");

  vyx::sim::Simulator sim{vyx::sim::Options{}};
  const std::string device = sim.Start();
  if (device.empty()) {
    std::fprintf(stderr, "cannot start the simulated board: %s\n", sim.LastError().c_str());
    return 1;
  }

  VyxWidget w;
  if (const auto mapped = w.portMap().Set(1, device); !mapped.ok()) {
    std::fprintf(stderr, "cannot map Comm1: %s\n", mapped.message().c_str());
    return 1;
  }
  w.resize(w.sizeHint());
  w.show();
  if (w.logicalDpiX() != 96) std::fprintf(stderr, "note: rendering at %d DPI\n", w.logicalDpiX());

  w.setCommPort(QStringLiteral("1"));
  // The first update finds the board; outputs and records set then go out with the second,
  // and the third reads the identifier back.
  bool answered = UpdateOnce(w);
  w.setIDstring(QStringLiteral("SIM-01"));
  w.setVrefvolt(QStringLiteral("5.0000"));
  w.setPWMduty(QStringLiteral("55"));
  w.setDPWduty(QStringLiteral("25"));
  w.setDOGduty(QStringLiteral("75"));
  w.setDONstate(1);
  w.setDOKstate(1);
  answered = answered && UpdateOnce(w) && UpdateOnce(w);
  if (!answered) {
    std::fprintf(stderr, "the simulated board did not answer\n");
    return 1;
  }
  app.processEvents();

  if (!w.grab().save(output)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
    return 1;
  }
  sim.Stop();
  std::printf("%s\n", qPrintable(output));
  return 0;
}
