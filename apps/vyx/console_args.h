// The console host's command line: a pure function from the arguments to what to run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/port_option.h"

namespace vyx::console {

enum class CliCommand : std::uint8_t { Shell, Read, Monitor, Ports, Scan, Bridge, Help, Version };
enum class OutputFormat : std::uint8_t { Json, Text, Csv, Jsonl };

using qt::PortOption;

struct CliOptions {
  CliCommand command = CliCommand::Help;
  std::vector<PortOption> ports;
  bool simulate = false;
  int comm = 1;                   // read, monitor: the first of `comms`
  int address = 0;                // read: the first of `addresses`
  std::vector<int> comms;         // scan, bridge: empty for every mapped position
  std::vector<int> addresses{0};  // monitor, bridge: polled in this order
  OutputFormat format = OutputFormat::Json;
  int intervalMs = 0;        // 0: back to back
  long count = 0;            // 0: until stopped
  long long durationMs = 0;  // 0: until stopped
  std::string output;        // empty or "-": standard output
  bool append = false;       // add to the output file instead of replacing it
  std::string filter;        // ports: what a listed device's line holds
  // bridge
  std::string mqttUrl = "mqtt://localhost:1883";
  std::string mqttUser, mqttPassword;  // from the options, else VYX_MQTT_USER/_PASSWORD
  std::string mqttCaFile;              // mqtts: the CA certificates; empty for the system's
  std::string clientId;                // empty: "vyx-" and the node
  std::string topicPrefix = "vyx";
  std::string node;  // empty: the host name
  std::string discoveryPrefix = "homeassistant";
  bool discovery = true;
};

struct CliError {
  std::string message;
};

// Parses the arguments after the program name. Options may stand before or after the
// command; `--name value` and `--name=value` are the same.
std::variant<CliOptions, CliError> ParseArguments(const std::vector<std::string>& args);

// A whole decimal number from min to max, nothing before or after it.
std::optional<long> ParseLong(std::string_view s, long min, long max);

// The help text, the shell's commands among it.
std::string UsageText();

// Exit statuses of the console host.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the port, the board or a file failed
inline constexpr int kExitUsage = 2;    // the command line is wrong

}  // namespace vyx::console
