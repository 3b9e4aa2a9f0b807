// A component on doubles: fake port, manual timer, set clock and a host that records every
// notification in order. Everything is driven the way a host and the board drive it.
#pragma once

#include <cstdint>
#include <functional>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "control/vyx.h"
#include "fake_clock.h"
#include "fake_port.h"
#include "manual_timer.h"

namespace vyx::test {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

class RecordingHost : public Host {
 public:
  void PropertyChanged(std::string_view name) override {
    events.push_back("changed " + std::string(name));
    if (onChanged) onChanged(name);
  }
  void NewData() override {
    events.push_back("NewData");
    ++newData;
    if (onNewData) onNewData();
  }
  void UpdateEnded(const UpdateEnd& end) override {
    events.push_back("ended " + std::to_string(end.address) + " " + end.Describe());
    ends.push_back(events.back());
    if (onEnded) onEnded(end);
  }
  Strings events;
  Strings ends;  // the update-ended events alone
  int newData = 0;
  std::function<void()> onNewData;
  std::function<void(std::string_view)> onChanged;
  std::function<void(const UpdateEnd&)> onEnded;
};

// A status block reply: 25 register bytes (0x21..0x39) and their sum modulo 256.
inline Bytes StatusReply(Bytes regs) {
  regs.resize(25, 0);
  regs.push_back(static_cast<std::uint8_t>(std::accumulate(regs.begin(), regs.end(), 0u) % 256u));
  return regs;
}

// A property as text: texts as they are, check boxes as 0 or 1, commands as true or false.
inline std::string Show(const PropValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
  return std::to_string(std::get<std::int16_t>(v));
}

// Most properties, for checks that nothing changed: r.Shown(kMost) == before.
inline const std::string kMost =
    "CommPort= CommStatus= MicroAddress= MicroStatus= IDstring= Vrefvolt= AD0volt= DITinterval= "
    "FWver= DIFcount= PWMduty= DPWduty= DOGduty= DONstate= DINstate= RSTstate= CLKtime=";

struct Rig {
  FakeClock clock;
  FakePort port{clock};
  ManualTimer timer;
  RecordingHost host;
  Vyx vyx{port, timer, clock, &host};

  const std::string& text(Field f) const { return vyx.Fields().Text(f); }
  std::string Get(std::string_view name) const {
    PropValue v;
    return vyx.Get(name, v) ? Show(v) : "<unknown>";
  }
  // The properties named in "Name=value Name=value", as they are now, in the same form.
  std::string Shown(const std::string& expected) const {
    std::istringstream words(expected);
    std::string out;
    for (std::string w; words >> w;) {
      const std::string name = w.substr(0, w.find('='));
      out += (out.empty() ? "" : " ") + name + "=" + Get(name);
    }
    return out;
  }
  // Runs host and operator actions in order, false at the first one refused: "Name=value"
  // sets a property's text, ">text" types, "#13" presses a key, "~" takes the focus away,
  // and a field's name clicks it. "PWMduty=50 BufDPW >42 #13" is one script.
  bool Act(const std::string& script) {
    std::istringstream words(script);
    for (std::string w; words >> w;) {
      const auto eq = w.find('=');
      const auto field = FieldByName(w);
      const Status s = eq != std::string::npos ? vyx.Set(w.substr(0, eq), w.substr(eq + 1))
                       : w[0] == '>'           ? vyx.Type(w.substr(1))
                       : w[0] == '#'           ? vyx.KeyDown(std::stoi(w.substr(1)))
                       : w == "~"              ? vyx.Focus(std::nullopt)
                       : field                 ? vyx.Click(*field)
                                               : Status::Fail("no field " + w);
      if (!s) return false;
    }
    return true;
  }
  // The operator picks a port, an address.
  void Connect(int comm = 1) { (void)vyx.Click(Field::CmbComm, comm); }
  void Address(int a) { (void)vyx.Click(Field::CmbMicro, a); }
  // The host presses Update.
  void Update() { (void)vyx.Set("UpdateCmd", true); }
  // The board answers at once with a valid status block.
  void Answer(Bytes regs = {}) { port.Deliver(StatusReply(std::move(regs))); }
  // One answered update of a board whose EEPROM is silent; then a clean slate to watch.
  void BringOnline(Bytes regs = {}) {
    Update();
    Answer(std::move(regs));
    port.frames.clear();
    host.events.clear();
    host.ends.clear();
    host.newData = 0;
  }
  // Lets `seconds` pass, the line delivering what is due, and ticks the timer once.
  void TickAfter(double seconds) {
    port.RunUntil(clock.Now() + FakeClock::Span(seconds));
    timer.Fire();
  }
  // Runs the line and the reply timer, a tick every 5 ms, for `seconds`.
  void Run(double seconds) {
    for (int i = 0; i < static_cast<int>(seconds / 0.005); ++i) TickAfter(0.005);
  }
};

}  // namespace vyx::test
