// The shell's line syntax: one line in, one command or one error out. A pure function of
// its input, with no knowledge of the component beyond the shape of each command, so that
// it can be tested and fuzzed on its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "json_values.h"

namespace vyx::console {

enum class Verb : std::uint8_t {
  Port,
  Set,
  Get,
  Dump,
  Field,
  Style,
  Focus,
  Type,
  Key,
  Click,
  Wait,
  Sleep,
  Events,
  Save,
  Restore,
  Quit,
};

struct ShellCommand {
  Verb verb = Verb::Quit;
  std::string name;          // property or field name; empty for `focus none`
  std::string text;          // port device, document path, or the text of `type`
  JsonScalar value;          // set
  int number = 0;            // port N, key CODE
  std::optional<int> index;  // click INDEX
  double seconds = 0.0;      // wait, sleep
};

struct LineError {
  std::string message;
};

struct BlankLine {};

using ParsedLine = std::variant<BlankLine, ShellCommand, LineError>;

// Longest wait or sleep a command may ask for: a day.
inline constexpr double kMaxSeconds = 86400.0;

// Parses one line without its newline. A trailing carriage return and surrounding blanks
// are ignored; a line of blanks is a BlankLine, which the shell answers with nothing.
ParsedLine ParseShellLine(std::string_view line);

}  // namespace vyx::console
