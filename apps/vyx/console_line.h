// The shell's line syntax: one line in, one command or one error out. A pure function of
// its input, with no knowledge of the component beyond the shape of each command, so that
// it can be tested and fuzzed on its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

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
  Help,
  Save,
  Restore,
  Quit,
};

struct ShellCommand {
  Verb verb = Verb::Quit;
  std::string name;             // property or field name; empty for `focus none`
  std::string text;             // port device, document path, or the text of `type`
  documents::JsonScalar value;  // set
  int number = 0;               // port N, key CODE
  std::optional<int> index;     // click INDEX
  double seconds = 0.0;         // wait, sleep
  std::string given;            // set: the value as written, for messages
};

struct LineError {
  std::string message;
  // A `set` whose value is no JSON value: the property and the value as written, so that the
  // shell can say what the property takes.
  std::string property = {};
  std::string given = {};
};

struct BlankLine {};

using ParsedLine = std::variant<BlankLine, ShellCommand, LineError>;

// Longest wait or sleep a command may ask for: a day.
inline constexpr double kMaxSeconds = 86400.0;

// Parses one line without its newline. Blanks (spaces, tabs, carriage returns, form feeds and
// vertical tabs) around words are ignored; a line of blanks is a BlankLine, which the shell
// answers with nothing.
ParsedLine ParseShellLine(std::string_view line);

// One line per command: its arguments, then what it does. `help` answers these, and the
// program's usage text lists them.
std::vector<std::string> ShellHelp();

}  // namespace vyx::console
