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
  void NewData() override { got = true; }
  bool got = false;
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

  // Choosing the port opens it; a missing device shows "Offline" instead of failing.
  (void)vyx.Set("CommPort", std::string("1"));
  (void)vyx.Set("MicroAddress", std::string(argc > 2 ? argv[2] : "0"));
  vyx::PropValue status;
  (void)vyx.Get("CommStatus", status);
  if (std::get<std::string>(status) != "Connect") {
    std::fprintf(stderr, "cannot open %s: the port reads \"%s\"\n", argv[1],
                 std::get<std::string>(status).c_str());
    return 2;
  }

  // The update ends with "Ready", after NewData when the board answered.
  vyx.SetFieldObserver([&](vyx::Field f) {
    if (f == vyx::Field::LblStatus && vyx.Fields().Caption(f) == "Ready") {
      QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    }
  });
  (void)vyx.Set("UpdateCmd", true);
  app.exec();
  vyx.SetFieldObserver({});

  if (!host.got) {
    std::fprintf(stderr, "no reply from the board at address %s on %s\n", argc > 2 ? argv[2] : "0",
                 argv[1]);
    return 1;
  }
  for (std::string_view name :
       {"AD0volt", "AD1volt", "AD2volt", "AD3volt", "AD4volt", "DITinterval", "DIFcount", "CLKtime",
        "FWver", "IDstring", "Vrefvolt", "DINstate", "DISstate"}) {
    Print(vyx, name);
  }
  return 0;
}
