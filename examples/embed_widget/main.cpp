// A host window with the Vyx component on it. Give it a device to read from it at once:
//   embed_widget /dev/ttyUSB0 [COUNT]      (quits after COUNT readings)
#include <QApplication>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>

#include "platform/port_map.h"
#include "vyx_widget.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  auto* vyx = new VyxWidget;
  window.setCentralWidget(vyx);
  window.setWindowTitle(QStringLiteral("Vyx host"));

  const int count = argc > 2 ? std::atoi(argv[2]) : 0;
  int readings = 0;
  QObject::connect(vyx, &VyxWidget::NewData, [&] {
    std::printf("AD0volt %s\n", qPrintable(vyx->AD0volt()));
    std::fflush(stdout);
  });
  // Each update ends once; the next one starts from that end.
  QObject::connect(vyx, &VyxWidget::updateEnded, [&](bool ok, const QString& reason) {
    if (!ok) std::fprintf(stderr, "update failed: %s\n", qPrintable(reason));
    if (ok && ++readings == count) {
      app.quit();
    } else if (ok) {
      vyx->setUpdateCmd(true);
    }
  });

  if (argc > 1) {
    // Comm1 is a position; the host decides which device it leads to.
    if (const auto mapped = vyx->portMap().Set(1, argv[1]); !mapped.ok()) {
      std::fprintf(stderr, "%s\n", mapped.message().c_str());
      return 2;
    }
    vyx->setCommPort(QStringLiteral("1"));
    vyx->setUpdateCmd(true);
  }
  window.show();
  return app.exec();
}
