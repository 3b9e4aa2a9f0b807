#include "vyx/sim/control_protocol.h"

#include <charconv>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

namespace vyx::sim {

const char* const kControlHelp =
    "Control commands (standard input, one a line; each answers one line, \"ok ...\" or\n"
    "\"error: ...\"; A is a board address, numbers are decimal or 0x hex):\n"
    "  input A dif|dit|din|dis 0|1   set an input level\n"
    "  analog A CH WAVE             AD0..AD4 (CH 0-4): volts, sine:C,AMP,PERIOD,\n"
    "                               ramp:LOW,HIGH,PERIOD or noise:C,AMP\n"
    "  dif-rate A HZ                DIF pulse rate\n"
    "  dit-period A SECONDS         DIT period\n"
    "  outputs A                    ok don=B doe=B dok=B dos=B pwm=N dpw=N dog=N\n"
    "  reg A R [V]                  read (ok N) or write a register\n"
    "  ee A ADDR [V]                read (ok N) or write an EEPROM byte\n"
    "  power A                      power-cycle a board (sets the reset flags)\n"
    "  fault NAME VALUE             a fault setting, named as the --NAME options above\n"
    "  counters                     ok frames=N skipped=N replies=N silence=N ...\n"
    "  turnaround                   ok count=N median-us=N p90-us=N worst-us=N\n"
    "                               overdue-median-us=N overdue-p90-us=N: how quickly the host\n"
    "                               answered, and how late replies ended, since last asked\n"
    "  log                          ok ENTRY | ENTRY ...  (DIR@SECONDS:DATA)\n"
    "  clear-log                    empty the frame log\n"
    "  path                         ok DEVICE\n"
    "  reconnect                    after a drop: ok NEW-DEVICE\n"
    "  quit                         ok, then the simulator ends\n";

namespace {

using Args = std::vector<std::string>;

std::optional<long> Integer(const std::string& text) {
  int base = 10;
  std::string_view digits = text;
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    base = 16;
    digits.remove_prefix(2);
  }
  long value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::uint8_t> Byte(const std::string& text) {
  const auto v = Integer(text);
  if (!v || *v < 0 || *v > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*v);
}

struct Failure {
  std::string message;
};

long Need(const std::optional<long>& v, const char* what) {
  if (!v) throw Failure{std::string("bad ") + what};
  return *v;
}

std::uint8_t NeedByte(const std::string& text, const char* what) {
  const auto v = Byte(text);
  if (!v) throw Failure{std::string("bad ") + what};
  return *v;
}

double NeedNumber(const std::string& text, const char* what) {
  const auto v = ParseNumber(text);
  if (!v) throw Failure{std::string("bad ") + what};
  return *v;
}

void Check(bool ok) {
  if (!ok) throw Failure{"no such board"};
}

std::string Counts(const Counters& c) {
  std::ostringstream out;
  out << "ok frames=" << c.frames << " skipped=" << c.skipped_bytes << " replies=" << c.replies
      << " silence=" << c.silence << " eeprom-silence=" << c.eeprom_silence
      << " bad-checksum=" << c.bad_checksum << " stray=" << c.stray << " truncate=" << c.truncate
      << " stray-pass=" << c.stray_pass << " late=" << c.late << " drops=" << c.drops
      << " junk=" << c.junk;
  return out.str();
}

std::string Turnaround(const TurnaroundFigures& t) {
  const auto us = [](Nanos d) {
    return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
  };
  std::ostringstream out;
  out << "ok count=" << t.host.count << " median-us=" << us(t.host.median)
      << " p90-us=" << us(t.host.p90) << " worst-us=" << us(t.host.worst)
      << " overdue-median-us=" << us(t.overdue.median) << " overdue-p90-us=" << us(t.overdue.p90);
  return out.str();
}

void SetFault(Simulator& sim, const std::string& name, const std::string& value) {
  FaultSettings f = sim.Faults();
  if (std::string error = SetFaultKnob(f, name, value); !error.empty()) throw Failure{error};
  sim.SetFaults(f);
}

std::string Dispatch(Simulator& sim, const Args& a, bool* quit) {
  const std::string& cmd = a[0];
  const auto arity = [&a](std::size_t low, std::size_t high) {
    if (a.size() < low + 1 || a.size() > high + 1) throw Failure{"wrong number of arguments"};
  };
  const auto board = [&a]() { return static_cast<int>(Need(Integer(a[1]), "board")); };

  if (cmd == "quit") {
    *quit = true;
    return "ok";
  }
  if (cmd == "path") return "ok " + sim.DevicePath();
  if (cmd == "counters") return Counts(sim.GetCounters());
  if (cmd == "turnaround") return Turnaround(sim.TakeTurnaround());
  if (cmd == "clear-log") {
    sim.ClearFrameLog();
    return "ok";
  }
  if (cmd == "log") {
    std::string out = "ok";
    const char* sep = " ";
    for (const LogEntry& e : sim.FrameLog()) {
      out += sep + FormatLogEntry(e);
      sep = " | ";
    }
    return out;
  }
  if (cmd == "reconnect") {
    const std::string path = sim.Reconnect();
    if (path.empty()) throw Failure{"cannot reconnect: " + sim.LastError()};
    return "ok " + path;
  }
  if (cmd == "fault") {
    arity(2, 2);
    SetFault(sim, a[1], a[2]);
    return "ok";
  }
  if (cmd == "input") {
    arity(3, 3);
    static const std::map<std::string, Input> kInputs = {
        {"dif", Input::kDif}, {"dit", Input::kDit}, {"din", Input::kDin}, {"dis", Input::kDis}};
    const auto it = kInputs.find(a[2]);
    if (it == kInputs.end()) throw Failure{"unknown input " + a[2]};
    const long level = Need(Integer(a[3]), "level");
    if (level != 0 && level != 1) throw Failure{"level must be 0 or 1"};
    Check(sim.SetInput(board(), it->second, level == 1));
    return "ok";
  }
  if (cmd == "analog") {
    arity(3, 3);
    const long channel = Need(Integer(a[2]), "channel");
    if (channel < 0 || channel >= reg::kAnalogChannels) throw Failure{"channel must be 0 to 4"};
    const auto wave = Waveform::Parse(a[3]);
    if (!wave) throw Failure{"bad waveform " + a[3]};
    Check(sim.SetAnalog(board(), static_cast<int>(channel), *wave));
    return "ok";
  }
  if (cmd == "dif-rate" || cmd == "dit-period") {
    arity(2, 2);
    const double v = NeedNumber(a[2], cmd.c_str());
    const double high = cmd == "dif-rate" ? kMaxDifRate : kMaxDitPeriod;
    if (v < 0.0 || v > high) {
      throw Failure{cmd + " takes 0 to " + std::to_string(static_cast<long>(high)) + ", not " +
                    a[2]};
    }
    Check(cmd == "dif-rate" ? sim.SetDifRate(board(), v) : sim.SetDitPeriod(board(), v));
    return "ok";
  }
  if (cmd == "outputs") {
    arity(1, 1);
    const auto o = sim.ReadOutputs(board());
    Check(o.has_value());
    std::ostringstream out;
    out << "ok don=" << o->don << " doe=" << o->doe << " dok=" << o->dok << " dos=" << o->dos
        << " pwm=" << o->pwm << " dpw=" << int(o->dpw) << " dog=" << int(o->dog);
    return out.str();
  }
  if (cmd == "reg" || cmd == "ee") {
    arity(2, 3);
    const std::uint8_t at = NeedByte(a[2], cmd == "reg" ? "register" : "address");
    if (a.size() == 4) {
      const std::uint8_t v = NeedByte(a[3], "value");
      Check(cmd == "reg" ? sim.WriteRegister(board(), at, v) : sim.WriteEeprom(board(), at, v));
      return "ok";
    }
    const auto v = cmd == "reg" ? sim.ReadRegister(board(), at) : sim.ReadEeprom(board(), at);
    Check(v.has_value());
    return "ok " + std::to_string(*v);
  }
  if (cmd == "power") {
    arity(1, 1);
    Check(sim.PowerCycle(board()));
    return "ok";
  }
  throw Failure{"unknown command " + cmd};
}

}  // namespace

std::string RunControlCommand(Simulator& sim, std::string_view line, bool* quit) {
  std::istringstream in{std::string(line)};
  Args args;
  for (std::string word; in >> word;) args.push_back(word);
  if (args.empty()) return "error: empty command";
  try {
    return Dispatch(sim, args, quit);
  } catch (const Failure& f) {
    return "error: " + f.message;
  }
}

}  // namespace vyx::sim
