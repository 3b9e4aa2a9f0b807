// Renders the panel at 96 DPI after real updates against the simulated board:
//   vyx_render_panel [OUTPUT.png]      (default docs/panel.png)
#include <QtTest>
#include <QtWidgets>
#include <cstdio>

#include "platform/port_map.h"
#include "vyx/sim/simulator.h"
#include "vyx_widget.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "docs/panel.png";
  vyx::sim::Simulator sim{vyx::sim::Options{}};
  VyxWidget w;
  if (!w.portMap().Set(1, sim.Start()).ok()) {
    std::fprintf(stderr, "cannot start the simulated board: %s\n", sim.LastError().c_str());
    return 1;
  }
  w.resize(w.sizeHint());
  w.show();
  w.setCommPort(QStringLiteral("1"));
  // The first update finds the board; outputs and records set then go out with the second,
  // and the third reads the identifier back.
  const auto update = [&w] {
    QSignalSpy newData(&w, &VyxWidget::NewData);
    w.setUpdateCmd(true);
    return newData.wait(2000);
  };
  bool answered = update();
  w.setIDstring(QStringLiteral("SIM-01"));
  w.setVrefvolt(QStringLiteral("5.0000"));
  w.setPWMduty(QStringLiteral("55"));
  w.setDONstate(1);
  w.setDOKstate(1);
  answered = answered && update() && update();
  app.processEvents();
  if (!answered || !w.grab().save(output)) {
    std::fprintf(stderr, "the board did not answer, or %s cannot be written\n", qPrintable(output));
    return 1;
  }
  return 0;
}
