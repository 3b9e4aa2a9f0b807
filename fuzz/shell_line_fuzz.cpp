// The shell's line parser: any line gives a blank, a command or an error, never a crash. A
// parsed command keeps to its verb's limits, and written back as a canonical line it parses
// to the same command.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "console_line.h"
#include "fuzz_check.h"

namespace {

using vyx::console::ShellCommand;
using vyx::console::Verb;
using vyx::documents::JsonScalar;

bool HasBlank(std::string_view s) { return s.find_first_of(" \t\r") != std::string_view::npos; }
bool Trimmed(std::string_view s) {
  return !s.empty() && !HasBlank(s.substr(0, 1)) && !HasBlank(s.substr(s.size() - 1));
}

std::string JsonText(const JsonScalar& v) {
  switch (v.kind) {
    case JsonScalar::Kind::String:
      return vyx::documents::JsonQuote(v.text);
    case JsonScalar::Kind::Boolean:
      return v.boolean ? "true" : "false";
    case JsonScalar::Kind::Integer:
      return std::to_string(v.integer);
    case JsonScalar::Kind::Null:
      return "null";
    case JsonScalar::Kind::Number:
      break;
  }
  // Scientific, so that the text stays a JSON number with a fraction or an exponent.
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v.number, std::chars_format::scientific);
  return std::string(buf, r.ptr);
}

bool SameScalar(const JsonScalar& a, const JsonScalar& b) {
  return a.kind == b.kind && a.text == b.text && a.boolean == b.boolean && a.integer == b.integer &&
         (a.number == b.number ||
          (a.kind != JsonScalar::Kind::Number && a.kind != JsonScalar::Kind::Integer));
}

bool Same(const ShellCommand& a, const ShellCommand& b) {
  return a.verb == b.verb && a.name == b.name && a.text == b.text && a.number == b.number &&
         a.index == b.index && a.seconds == b.seconds && SameScalar(a.value, b.value);
}

// The command as a person would type it.
std::string Canonical(const ShellCommand& c) {
  switch (c.verb) {
    case Verb::Port:
      return "port " + std::to_string(c.number) + " " + c.text;
    case Verb::Set:
      return "set " + c.name + " " + JsonText(c.value);
    case Verb::Get:
      return "get " + c.name;
    case Verb::Dump:
      return "dump";
    case Verb::Field:
      return "field " + c.name;
    case Verb::Style:
      return "style " + c.name;
    case Verb::Focus:
      return "focus " + (c.name.empty() ? std::string("none") : c.name);
    case Verb::Type:
      return "type " + vyx::documents::JsonQuote(c.text);
    case Verb::Key:
      return "key " + std::to_string(c.number);
    case Verb::Click:
      return "click " + c.name + (c.index ? " " + std::to_string(*c.index) : std::string());
    case Verb::Wait:
    case Verb::Sleep: {
      char buf[400];
      const auto r = std::to_chars(buf, buf + sizeof buf, c.seconds, std::chars_format::fixed);
      return std::string(c.verb == Verb::Wait ? "wait " : "sleep ") + std::string(buf, r.ptr);
    }
    case Verb::Events:
      return "events";
    case Verb::Help:
      return "help";
    case Verb::Save:
      return "save " + c.text;
    case Verb::Restore:
      return "restore " + c.text;
    case Verb::Quit:
      return "quit";
  }
  return {};
}

void CheckLimits(const ShellCommand& c) {
  switch (c.verb) {
    case Verb::Port:
      fuzz::Require(c.number >= 1 && c.number <= 8, "port numbers are 1 to 8");
      fuzz::Require(Trimmed(c.text), "a device is not empty and has no blanks around it");
      break;
    case Verb::Set:
    case Verb::Get:
    case Verb::Field:
    case Verb::Style:
    case Verb::Click:
      fuzz::Require(!c.name.empty() && !HasBlank(c.name), "a name is one word");
      break;
    case Verb::Key:
      fuzz::Require(c.number >= 0 && c.number <= 0xFFFF, "key codes are 0 to 65535");
      break;
    case Verb::Wait:
    case Verb::Sleep:
      fuzz::Require(
          std::isfinite(c.seconds) && c.seconds >= 0 && c.seconds <= vyx::console::kMaxSeconds,
          "seconds are 0 to a day");
      break;
    case Verb::Save:
    case Verb::Restore:
      fuzz::Require(Trimmed(c.text), "a file name is not empty and has no blanks around it");
      break;
    default:
      break;
  }
  if (c.verb == Verb::Click && c.index) {
    fuzz::Require(*c.index >= 0 && *c.index <= INT16_MAX, "a list index fits a list position");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  // The shell's reader splits its input at line feeds, so no line holds one.
  if (line.find('\n') != std::string_view::npos) return 0;
  const auto parsed = vyx::console::ParseShellLine(line);
  if (const auto* e = std::get_if<vyx::console::LineError>(&parsed)) {
    fuzz::Require(!e->message.empty(), "an error says what is wrong");
    fuzz::Require(e->message.find('\n') == std::string::npos, "an error fits on one line");
    return 0;
  }
  const auto* cmd = std::get_if<ShellCommand>(&parsed);
  if (cmd == nullptr) return 0;
  CheckLimits(*cmd);
  // A number too large to be one cannot be written back. Nor can a JSON string that held
  // bytes that are not UTF-8: the parser keeps them as they are, while JsonQuote reads them
  // as Latin-1, so they come back as other bytes.
  if (cmd->verb == Verb::Set && cmd->value.kind == JsonScalar::Kind::Number &&
      !std::isfinite(cmd->value.number))
    return 0;
  const std::string& decoded = cmd->verb == Verb::Type ? cmd->text : cmd->value.text;
  if (vyx::documents::ToUtf8(decoded) != decoded) return 0;
  const std::string canonical = Canonical(*cmd);
  const auto again = vyx::console::ParseShellLine(canonical);
  const auto* same = std::get_if<ShellCommand>(&again);
  fuzz::Require(same != nullptr && Same(*cmd, *same), "a command written back parses the same");
  return 0;
}
