// A component on doubles: fake port, manual timer, set clock and a host that records
// every notification in order.
#pragma once

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "control/vyx.h"
#include "fake_clock.h"
#include "fake_port.h"
#include "manual_timer.h"
#include "vyx_probe.h"

namespace vyx::test {

class RecordingHost : public Host {
 public:
  void PropertyChanged(std::string_view name) override {
    events.push_back("changed " + std::string(name));
  }
  void NewData() override {
    events.push_back("NewData");
    ++newData;
    if (onNewData) onNewData();
  }
  std::vector<std::string> events;
  int newData = 0;
  std::function<void()> onNewData;
};

// A status block reply: 25 register bytes (0x21..0x39) and their checksum.
inline std::vector<std::uint8_t> StatusReply(std::vector<std::uint8_t> regs) {
  regs.resize(25, 0);
  const unsigned sum = std::accumulate(regs.begin(), regs.end(), 0u);
  regs.push_back(static_cast<std::uint8_t>(sum % 256u));
  return regs;
}

struct Rig {
  FakeClock clock;
  FakePort port{clock};
  ManualTimer timer;
  RecordingHost host;
  Vyx vyx{port, timer, clock, &host};

  Members& m() { return VyxProbe::M(vyx); }
  FieldStore& f() { return VyxProbe::F(vyx); }
  const std::string& text(Field fld) { return vyx.Fields().Text(fld); }

  // Opens Comm1 through the port list, as the operator would.
  void Connect(int comm = 1) { f().SetSelected(Field::CmbComm, static_cast<std::int16_t>(comm)); }
  // Presses Update.
  void Update() { f().SetValue(Field::CmdUpdate, true); }
  // Lets `seconds` pass and ticks the timer once.
  void TickAfter(double seconds) {
    clock.Advance(seconds);
    port.Pump();
    timer.Fire();
  }
  // Answers the pending request with a valid status block at once.
  void Answer(std::vector<std::uint8_t> regs = {}) { port.Deliver(StatusReply(std::move(regs))); }
};

}  // namespace vyx::test
