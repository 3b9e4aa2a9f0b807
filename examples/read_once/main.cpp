// Reads the board once, without a window:
//   read_once DEVICE [ADDRESS]
// Exit status 0 with the readings, 1 when the board did not answer, 2 when the port did
// not open.
#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <string_view>

#include "control/vyx.h"
#include "platform/qt_platform.h"

namespace {

// The host side of the component: here, only the end of the update matters.
class Host : public vyx::Host {
 public:
  void PropertyChanged(std::string_view) override {}
  void NewData() override {}
  void UpdateEnded(const vyx::UpdateEnd& end) override {
    ended = end;
    // Queued: an update can end before the event loop has started.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  }
  vyx::UpdateEnd ended;
};

void Print(const vyx::Vyx& vyx, std::string_view name) {
  vyx::PropValue v;
  if (!vyx.Get(name, v).ok()) return;
  std::string text;
  if (const auto* s = std::get_if<std::string>(&v)) text = *s;
  if (const auto* i = std::get_if<std::int16_t>(&v)) text = std::to_string(*i);
  std::printf("%-12s %s\n", std::string(name).c_str(), text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: read_once DEVICE [ADDRESS]\n");
    return 2;
  }
  vyx::qt::Platform platform;
  if (const auto mapped = platform.portMap().Set(1, argv[1]); !mapped.ok()) {
    std::fprintf(stderr, "%s\n", mapped.message().c_str());
    return 2;
  }
  Host host;
  vyx::Vyx vyx(platform.port(), platform.timer(), platform.clock(), &host);

  // Choosing the port opens it; a device that does not open leaves the port closed.
  (void)vyx.Set("CommPort", std::string("1"));
  (void)vyx.Set("MicroAddress", std::string(argc > 2 ? argv[2] : "0"));
  if (!platform.port().IsOpen()) {
    std::fprintf(stderr, "cannot open %s: %s\n", argv[1], platform.port().LastError().c_str());
    return 2;
  }

  // The component says when the update has ended, and how.
  (void)vyx.Set("UpdateCmd", true);
  app.exec();
  if (!host.ended.ok()) {
    std::fprintf(stderr, "the update of the board at address %s on %s failed: %s\n",
                 argc > 2 ? argv[2] : "0", argv[1], host.ended.Describe().c_str());
    return 1;
  }
  for (std::string_view name :
       {"AD0volt", "AD1volt", "AD2volt", "AD3volt", "AD4volt", "DITinterval", "DIFcount", "CLKtime",
        "FWver", "IDstring", "Vrefvolt", "DINstate", "DISstate"}) {
    Print(vyx, name);
  }
  return 0;
}
