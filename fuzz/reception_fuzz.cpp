// The update conversation fed arbitrary bytes, ticks, clock steps and port trouble. Between
// two operations the component must be in a state the sequencer can leave: either awaiting
// a reply with the timer and the threshold armed, or idle and "Ready". NewData comes only
// from a complete, valid reply, once per reply, with the panel already "Ready"; every press
// of Update ends exactly once, and the successful ends are the NewData events.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "rig.h"

namespace {

using vyx::Field;
using vyx::test::Rig;

enum class Op : std::uint8_t {
  Update,
  UpdateProperty,
  Bytes,
  ValidReply,
  LateReply,
  Tick,
  Advance,
  PortError,
  Vanish,
  ChoosePort,
  ChooseAddress,
  kMaxValue = ChooseAddress
};

// A frame the component may put on the wire: a known letter, the address digit, hex digits.
bool PlausibleFrame(const std::string& f) {
  if (f.size() < 6) return false;
  if (std::string("pqrsuPQRSTU").find(f[0]) == std::string::npos) return false;
  if (f[1] < '0' || f[1] > '3') return false;
  for (std::size_t i = 2; i < f.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(f[i]))) return false;
  }
  return true;
}

// Counts what the host hears of each update's end.
struct Ends : vyx::Host {
  explicit Ends(vyx::Host& inner) : inner_(inner) {}
  void PropertyChanged(std::string_view name) override { inner_.PropertyChanged(name); }
  void NewData() override { inner_.NewData(); }
  void UpdateEnded(const vyx::UpdateEnd& end) override { ++(end.ok() ? ok : failed); }
  int ok = 0;
  int failed = 0;

 private:
  vyx::Host& inner_;
};

void CheckState(Rig& r, const Ends& ends, int presses) {
  const std::string& status = r.vyx.Fields().Caption(Field::LblStatus);
  const bool awaiting = r.vyx.UpdateInProgress();
  fuzz::Require(ends.ok == r.host.newData, "each NewData is followed by one successful end");
  fuzz::Require(ends.ok + ends.failed + (awaiting ? 1 : 0) == presses,
                "every press of Update ends once");
  if (awaiting) {
    fuzz::Require(status == "Busy", "an awaited reply shows Busy");
    fuzz::Require(r.timer.enabled && r.timer.interval == 110, "an awaited reply has its timer");
    fuzz::Require(r.port.threshold == 26, "an awaited reply has its threshold");
  } else {
    fuzz::Require(status == "Ready", "no awaited reply: the update has ended and shows Ready");
    fuzz::Require(!r.timer.enabled, "the timer runs only while a reply is awaited");
  }
  fuzz::Require(r.text(Field::TxtEvent) == std::to_string(r.host.newData),
                "TxtEvent counts the NewData events");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Rig r;
  Ends ends(r.host);
  r.vyx.SetHost(&ends);
  r.host.onNewData = [&r] {
    fuzz::Require(!r.vyx.UpdateInProgress(), "NewData comes after the update ended");
    fuzz::Require(r.vyx.Fields().Caption(Field::LblStatus) == "Ready", "NewData sees Ready");
  };
  r.Connect(1);
  int presses = 0;
  // A board that answered before: no first-answer EEPROM reads.
  if (in.ConsumeBool()) {
    r.Update();
    r.Answer();
    ++presses;
  }

  for (int ops = 0; ops < 256 && in.remaining_bytes() > 0; ++ops) {
    switch (in.ConsumeEnum<Op>()) {
      case Op::Update:
        (void)r.vyx.Click(Field::CmdUpdate);
        ++presses;
        break;
      case Op::UpdateProperty:
        (void)r.vyx.Set("UpdateCmd", true);
        ++presses;
        break;
      case Op::Bytes:
        r.port.Deliver(in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange(1, 60)));
        break;
      case Op::ValidReply:
        r.Answer(in.ConsumeBytes<std::uint8_t>(25));
        break;
      case Op::LateReply:
        r.port.DeliverLater(vyx::test::StatusReply(in.ConsumeBytes<std::uint8_t>(25)),
                            in.ConsumeIntegralInRange(0, 400) / 1000.0);
        break;
      case Op::Tick:
        r.TickAfter(in.ConsumeIntegralInRange(0, 400) / 1000.0);
        break;
      case Op::Advance:
        r.clock.Advance(in.ConsumeIntegralInRange(0, 400) / 1000.0);
        r.port.Pump();
        break;
      case Op::PortError:
        r.port.RaiseEvent(vyx::CommEvent::Error);
        break;
      case Op::Vanish:
        r.port.RaiseEvent(vyx::CommEvent::Vanished);
        break;
      case Op::ChoosePort:
        r.Connect(in.ConsumeIntegralInRange(0, 2));
        break;
      case Op::ChooseAddress:
        r.Address(in.ConsumeIntegralInRange(0, 3));
        break;
    }
    CheckState(r, ends, presses);
  }
  for (const std::string& f : r.port.frames) {
    fuzz::Require(PlausibleFrame(f), "every frame written is well formed");
  }
  return 0;
}
