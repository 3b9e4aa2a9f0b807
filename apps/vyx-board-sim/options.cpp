#include "options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <set>

#include "vyx/sim/control_protocol.h"

namespace vyx::board_sim {

namespace {

std::optional<long> Integer(std::string_view text) {
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::vector<int>> BoardList(std::string_view text) {
  std::vector<int> boards;
  while (true) {
    const auto comma = text.find(',');
    const auto v = Integer(text.substr(0, comma));
    if (!v || *v < 0 || *v > 3) return std::nullopt;
    boards.push_back(static_cast<int>(*v));
    if (comma == std::string_view::npos) return boards;
    text.remove_prefix(comma + 1);
  }
}

std::string FaultOptions() {
  std::string out;
  for (const sim::FaultKnob& k : sim::FaultKnobs()) {
    std::string option = "  --" + std::string(k.name) + " " + k.value;
    option.resize(std::max<std::size_t>(option.size() + 1, 23), ' ');
    out += option + k.help + "\n";
  }
  return out;
}

}  // namespace

std::string Usage() {
  return std::string(
             "Usage: vyx-board-sim [OPTION]...\n"
             "Simulated I/O board line on a pseudo-terminal (default) or a TCP port. Prints the\n"
             "device path on the first line, then reads control commands from standard input\n"
             "until it closes, \"quit\", SIGINT or SIGTERM.\n"
             "\n"
             "Line:\n"
             "  --boards LIST        board addresses on the line, 0-3 (default 0), e.g. 0,2\n"
             "  --tcp PORT           serve on 127.0.0.1:PORT instead (0 picks a free port)\n"
             "  --link PATH          keep a symlink to the pseudo-terminal at PATH\n"
             "  --line-rate          pace both directions at 38400 baud, 8N1\n"
             "  --reply-chunk N      replies reach the host a byte at a time as due (1, the\n"
             "                       default), whole once the last byte is due (0, as from a\n"
             "                       USB adapter), or in pieces of N bytes\n"
             "  --eeprom FILE        keep the EEPROMs in FILE (4 x 256 bytes), across restarts\n"
             "\n"
             "Board (every board starts with these values):\n"
             "  --firmware REV       firmware revision (default 1.0; register 0x21 = REV x 10)\n"
             "  --vref VOLTS         converter reference (default 5.0)\n"
             "  --ad N=WAVE          analog input N (0-4): VOLTS, sine:CENTRE,AMPLITUDE,PERIOD,\n"
             "                       ramp:LOW,HIGH,PERIOD or noise:CENTRE,AMPLITUDE (seconds);\n"
             "                       defaults 1.0, 2.0, 2.5, 3.0, 4.0 V\n"
             "  --input NAME=LEVEL   input level, NAME dif, dit, din or dis, LEVEL 0 or 1\n"
             "  --dif-rate HZ        DIF pulses a second (default 10)\n"
             "  --dit-period SECONDS DIT period (default 0.01)\n"
             "  --clock-start COUNT  clock counter at power-up, 0-65535 (default 0)\n"
             "\n"
             "Faults (probabilities 0 to 1 per reply; reproducible with --seed):\n"
             "  --seed N             random seed (default 1)\n" +
             FaultOptions() +
             "\n"
             "  --help               this text\n"
             "  --version            the version\n"
             "\n") +
         sim::kControlHelp;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  sim::Options& o = cl.options;
  const auto number = [&cl](const std::string& name, const std::string& text, double low,
                            double high) {
    const auto v = sim::ParseNumber(text);
    if (!v || *v < low || *v > high) {
      cl.error = "bad value for " + name + ": " + text;
      return 0.0;
    }
    return *v;
  };
  const auto integer = [&cl](const std::string& name, const std::string& text, long low,
                             long high) {
    const auto v = Integer(text);
    if (!v || *v < low || *v > high) {
      cl.error = "bad value for " + name + ": " + text;
      return 0L;
    }
    return *v;
  };
  for (std::size_t i = 0; i < args.size() && cl.error.empty(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      cl.help = true;
      continue;
    }
    if (arg == "--version") {
      cl.version = true;
      continue;
    }
    if (arg == "--line-rate") {
      o.line_rate = true;
      continue;
    }
    static const std::set<std::string> kWithValue = {
        "--boards",   "--tcp",   "--link",       "--eeprom",     "--seed",
        "--firmware", "--vref",  "--dif-rate",   "--dit-period", "--clock-start",
        "--ad",       "--input", "--reply-chunk"};
    const bool fault =
        arg.starts_with("--") &&
        std::any_of(sim::FaultKnobs().begin(), sim::FaultKnobs().end(),
                    [&arg](const sim::FaultKnob& k) { return arg.substr(2) == k.name; });
    if (!kWithValue.contains(arg) && !fault) {
      cl.error = "unknown option " + arg;
      break;
    }
    if (i + 1 >= args.size()) {
      cl.error = arg + " needs a value";
      break;
    }
    const std::string& value = args[++i];
    if (fault) {
      if (std::string e = sim::SetFaultKnob(o.faults, arg.substr(2), value); !e.empty()) {
        cl.error = "bad value for " + arg + ": " + e;
      }
    } else if (arg == "--boards") {
      const auto boards = BoardList(value);
      if (boards)
        o.boards = *boards;
      else
        cl.error = "bad board list: " + value;
    } else if (arg == "--tcp") {
      o.tcp = true;
      o.tcp_port = static_cast<std::uint16_t>(integer(arg, value, 0, 65535));
    } else if (arg == "--reply-chunk") {
      o.reply_chunk = static_cast<int>(integer(arg, value, 0, 4096));
    } else if (arg == "--link") {
      o.link = value;
    } else if (arg == "--eeprom") {
      o.eeprom_file = value;
    } else if (arg == "--seed") {
      o.seed = static_cast<std::uint32_t>(integer(arg, value, 0, 4294967295L));
    } else if (arg == "--firmware") {
      o.board.firmware = number(arg, value, 0.0, 25.5);
    } else if (arg == "--vref") {
      o.board.vref = number(arg, value, 0.1, 100.0);
    } else if (arg == "--dif-rate") {
      o.board.dif_rate = number(arg, value, 0.0, sim::kMaxDifRate);
    } else if (arg == "--dit-period") {
      o.board.dit_period = number(arg, value, 0.0, sim::kMaxDitPeriod);
    } else if (arg == "--clock-start") {
      o.board.clock_start = static_cast<std::uint16_t>(integer(arg, value, 0, 65535));
    } else if (arg == "--ad") {
      const auto eq = value.find('=');
      const auto channel = Integer(std::string_view(value).substr(0, eq));
      const auto wave =
          eq == std::string::npos ? std::nullopt : sim::Waveform::Parse(value.substr(eq + 1));
      if (!channel || *channel < 0 || *channel > 4 || !wave) {
        cl.error = "bad value for --ad: " + value;
      } else {
        o.board.analog[static_cast<std::size_t>(*channel)] = *wave;
      }
    } else if (arg == "--input") {
      static const std::map<std::string, int> kInputs = {
          {"dif", 0}, {"dit", 1}, {"din", 2}, {"dis", 3}};
      const auto eq = value.find('=');
      const auto input = kInputs.find(value.substr(0, eq));
      const std::string level = eq == std::string::npos ? "" : value.substr(eq + 1);
      if (input == kInputs.end() || (level != "0" && level != "1")) {
        cl.error = "bad value for --input: " + value;
      } else {
        o.board.inputs[static_cast<std::size_t>(input->second)] = level == "1";
      }
    } else {
      cl.error = "unknown option " + arg;
    }
  }
  return cl;
}

}  // namespace vyx::board_sim
