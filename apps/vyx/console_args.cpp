#include "console_args.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "console_line.h"

namespace vyx::console {

std::optional<long> ParseLong(std::string_view s, long min, long max) {
  long v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || v < min || v > max)
    return std::nullopt;
  return v;
}

namespace {

// Seconds with an optional fraction, as milliseconds; a positive time never rounds to none.
std::optional<long long> ParseSeconds(std::string_view s, double max) {
  double v = 0.0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !(v >= 0.0) || v > max)
    return std::nullopt;
  const auto ms = std::llround(v * 1000.0);
  return v > 0.0 && ms == 0 ? 1 : ms;
}

// A comma-separated list of numbers from min to max, each once, in the order given.
std::optional<std::vector<int>> ParseList(std::string_view s, long min, long max) {
  std::vector<int> out;
  while (true) {
    const std::size_t comma = s.find(',');
    const auto n = ParseLong(s.substr(0, comma), min, max);
    if (!n || std::find(out.begin(), out.end(), *n) != out.end()) return std::nullopt;
    out.push_back(static_cast<int>(*n));
    if (comma == std::string_view::npos) return out;
    s.remove_prefix(comma + 1);
  }
}

constexpr double kMaxDurationSeconds = 366.0 * 86400.0;

constexpr std::string_view kUsageCommands =
    R"(Usage: vyx [--port N=DEVICE]... [--simulate] COMMAND [OPTIONS]

Drives the I/O board through the Vyx component, without a window.

Commands:
  shell                read commands from standard input, one per line
  read                 select the port and board, run one update, print the readings
  monitor              repeat updates and log the readings
  ports [TEXT]         list the serial devices found (location, description, USB vendor:product,
                       serial number), only those whose line holds TEXT in any case when it is
                       given (ports usb, ports 0403:6001), and the current CommN mapping
  scan                 ask addresses 0 to 3 on each mapped line (or those of --comm) which
                       boards answer: firmware revision, identifier and calibration
  bridge               serve the boards of the mapped lines (or those of --comm) to an MQTT
                       broker: state, readings, availability, set requests, discovery
)";

constexpr std::string_view kUsageOptions = R"(
Options:
  --port N=DEVICE      map CommN (1 to 8) to DEVICE: a path, tcp://HOST:PORT (a line served
                       raw) or rfc2217://HOST:PORT (served over Telnet, which takes the line
                       settings from vyx); a bare name such as ttyUSB0 is under /dev, a
                       relative path starts from the working directory
  --simulate           start the built-in simulated board and map Comm1 to it
  --comm N             read, monitor: the port position to select (default 1); scan, bridge:
                       the positions to serve, such as 1,2 (default: every mapped one)
  --address A          read: the board address 0 to 3 (default 0); monitor, bridge: the
                       addresses to poll in turn, such as 0,1,2,3 (default 0)
  --format F           read: json (default) or text; monitor: csv (default) or jsonl;
                       scan: text (default) or json
  --interval MS        monitor: start an update every MS milliseconds (default 0: back to back);
                       with several addresses, a round of them; bridge: a round of each line's
                       boards every MS milliseconds (default 0: back to back)
  --count N            monitor: stop after N updates, one per board (default 0: until
                       interrupted)
  --duration SECONDS   monitor: start no update once SECONDS have passed and end then
                       (default 0: until interrupted); with --count, whichever comes first
  --output FILE        monitor: write the log to FILE (- for standard output, the default);
                       FILE is made or emptied only once the first row is ready
  --append             monitor: add to the --output FILE instead of replacing it; no second
                       header when it already has content
  --mqtt URL           bridge: the broker, mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT]
                       (8883) (default mqtt://localhost:1883)
  --mqtt-user NAME     bridge: the broker's user name (default: VYX_MQTT_USER)
  --mqtt-password PW   bridge: its password (default: VYX_MQTT_PASSWORD, which ps cannot show)
  --mqtt-ca FILE       bridge, mqtts: the CA certificates (default: the system's)
  --node NAME          bridge: this machine's name in the topics (default: the host name)
  --client-id ID       bridge: the MQTT client identifier (default: vyx-NODE)
  --topic-prefix P     bridge: the first level of every topic (default: vyx)
  --discovery-prefix P bridge: where Home Assistant looks for devices (default: homeassistant)
  --no-discovery       bridge: announce no devices to Home Assistant
  --help               show this help
  --version            show the version

Options may stand before or after the command. Ports not given with --port come from
VYX_COMM1 to VYX_COMM8; a port mapped by neither leads to no device. A reader that goes away
(vyx monitor | head) ends vyx quietly.

Exit status: 0 success, 1 the port, the board or a file failed, 2 wrong command line.
)";

}  // namespace

std::string UsageText() {
  std::string text(kUsageCommands);
  text += "\nShell commands, one per line on standard input (a line of blanks is none):\n";
  for (const std::string& line : ShellHelp()) text += "  " + line + "\n";
  return text + std::string(kUsageOptions);
}

std::variant<CliOptions, CliError> ParseArguments(const std::vector<std::string>& args) {
  CliOptions o;
  std::optional<CliCommand> command;
  std::optional<std::string> format;
  bool help = false, version = false, filtered = false;
  bool monitorOptions = false, bridgeOptions = false;
  std::optional<std::string> comms, addresses;
  bool intervalGiven = false;

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (!arg.starts_with("--")) {
      if (arg == "-h") {
        help = true;
        continue;
      }
      if (command == CliCommand::Ports && !filtered) {
        o.filter = arg;
        filtered = true;
        continue;
      }
      if (command) return CliError{"unexpected argument \"" + arg + "\""};
      if (arg == "shell") {
        command = CliCommand::Shell;
      } else if (arg == "read") {
        command = CliCommand::Read;
      } else if (arg == "monitor") {
        command = CliCommand::Monitor;
      } else if (arg == "ports") {
        command = CliCommand::Ports;
      } else if (arg == "scan") {
        command = CliCommand::Scan;
      } else if (arg == "bridge") {
        command = CliCommand::Bridge;
      } else {
        return CliError{"unknown command \"" + arg + "\""};
      }
      continue;
    }

    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    // Flags take no value; every other option takes exactly one.
    if (arg == "--help" || arg == "--version" || arg == "--simulate" || arg == "--append" ||
        arg == "--no-discovery") {
      if (inlineValue) return CliError{arg + " takes no value"};
      if (arg == "--help") help = true;
      if (arg == "--version") version = true;
      if (arg == "--simulate") o.simulate = true;
      if (arg == "--append") o.append = monitorOptions = true;
      if (arg == "--no-discovery") {
        o.discovery = false;
        bridgeOptions = true;
      }
      continue;
    }
    // The bridge's texts, taken as they are.
    const std::pair<std::string_view, std::string*> texts[] = {
        {"--mqtt", &o.mqttUrl},
        {"--mqtt-user", &o.mqttUser},
        {"--mqtt-password", &o.mqttPassword},
        {"--mqtt-ca", &o.mqttCaFile},
        {"--client-id", &o.clientId},
        {"--topic-prefix", &o.topicPrefix},
        {"--node", &o.node},
        {"--discovery-prefix", &o.discoveryPrefix}};
    const auto text = std::find_if(std::begin(texts), std::end(texts),
                                   [&arg](const auto& t) { return t.first == arg; });
    const bool known = text != std::end(texts) || arg == "--port" || arg == "--comm" ||
                       arg == "--address" || arg == "--format" || arg == "--interval" ||
                       arg == "--count" || arg == "--output" || arg == "--duration";
    if (!known) return CliError{"unknown option " + arg};
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return CliError{arg + " needs a value"};
    }

    if (text != std::end(texts)) {
      if (value.empty() && arg != "--mqtt-password") return CliError{arg + " needs a value"};
      *text->second = value;
      bridgeOptions = true;
    } else if (arg == "--port") {
      std::string error;
      const auto port = qt::ParsePortOption(value, error);
      if (!port) return CliError{error};
      o.ports.push_back(*port);
    } else if (arg == "--comm") {
      comms = value;
    } else if (arg == "--address") {
      addresses = value;
    } else if (arg == "--format") {
      format = value;
    } else if (arg == "--interval") {
      const auto n = ParseLong(value, 0, 86'400'000);
      if (!n) return CliError{"--interval takes milliseconds from 0 to 86400000"};
      o.intervalMs = static_cast<int>(*n);
      intervalGiven = true;
    } else if (arg == "--count") {
      const auto n = ParseLong(value, 0, 1'000'000'000);
      if (!n) return CliError{"--count takes a number of updates, 0 for no limit"};
      o.count = *n;
      monitorOptions = true;
    } else if (arg == "--duration") {
      const auto ms = ParseSeconds(value, kMaxDurationSeconds);
      if (!ms) return CliError{"--duration takes seconds from 0 to 31622400, 0 for no limit"};
      o.durationMs = *ms;
      monitorOptions = true;
    } else if (arg == "--output") {
      if (value.empty()) return CliError{"--output needs a file name"};
      o.output = value;
      monitorOptions = true;
    }
  }

  if (help) {
    o.command = CliCommand::Help;
    return o;
  }
  if (version) {
    o.command = CliCommand::Version;
    return o;
  }
  if (!command) return CliError{"no command given"};
  o.command = *command;

  const bool reads = o.command == CliCommand::Read || o.command == CliCommand::Monitor;
  const bool serves = o.command == CliCommand::Scan || o.command == CliCommand::Bridge;
  if (comms) {
    if (!reads && !serves) return CliError{"--comm applies to read, monitor, scan and bridge"};
    const auto list = ParseList(*comms, 1, 8);
    if (!list || (reads && list->size() > 1)) {
      return CliError{reads ? "--comm takes a port position from 1 to 8"
                            : "--comm takes port positions from 1 to 8, such as 1,2"};
    }
    o.comms = *list;
    o.comm = list->front();
  }
  if (addresses) {
    const bool many = o.command == CliCommand::Monitor || o.command == CliCommand::Bridge;
    if (!many && o.command != CliCommand::Read) {
      return CliError{"--address applies to read, monitor and bridge"};
    }
    const auto list = ParseList(*addresses, 0, 3);
    if (!list || (!many && list->size() > 1)) {
      return CliError{many ? "--address takes board addresses from 0 to 3, such as 0,1,2,3"
                           : "--address takes a board address from 0 to 3"};
    }
    o.addresses = *list;
    o.address = list->front();
  }
  if (monitorOptions && o.command != CliCommand::Monitor)
    return CliError{"--count, --duration, --output and --append apply to monitor"};
  if (intervalGiven && o.command != CliCommand::Monitor && o.command != CliCommand::Bridge)
    return CliError{"--interval applies to monitor and bridge"};
  if (bridgeOptions && o.command != CliCommand::Bridge)
    return CliError{"the --mqtt, topic, node and discovery options apply to bridge"};
  if (o.append && (o.output.empty() || o.output == "-"))
    return CliError{"--append needs --output FILE"};
  if (format && !reads && o.command != CliCommand::Scan)
    return CliError{"--format applies to read, monitor and scan"};

  if (o.command == CliCommand::Read) {
    if (!format || *format == "json") {
      o.format = OutputFormat::Json;
    } else if (*format == "text") {
      o.format = OutputFormat::Text;
    } else {
      return CliError{"read --format takes json or text"};
    }
  } else if (o.command == CliCommand::Monitor) {
    if (!format || *format == "csv") {
      o.format = OutputFormat::Csv;
    } else if (*format == "jsonl") {
      o.format = OutputFormat::Jsonl;
    } else {
      return CliError{"monitor --format takes csv or jsonl"};
    }
  } else if (o.command == CliCommand::Scan) {
    if (!format || *format == "text") {
      o.format = OutputFormat::Text;
    } else if (*format == "json") {
      o.format = OutputFormat::Json;
    } else {
      return CliError{"scan --format takes text or json"};
    }
  }

  for (const PortOption& p : o.ports) {
    if (o.simulate && p.comm == 1)
      return CliError{"--simulate maps Comm1 itself; map another port with --port"};
  }
  return o;
}

}  // namespace vyx::console
