#include "console_line.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace vyx::console {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits off the first word; `rest` keeps everything after it, trimmed.
std::string_view NextWord(std::string_view& rest) {
  std::size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end])) ++end;
  const std::string_view word = rest.substr(0, end);
  rest = Trim(rest.substr(end));
  return word;
}

std::optional<int> ParseInt(std::string_view s) {
  int v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<double> ParseSeconds(std::string_view s) {
  double v = 0.0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v) ||
      v < 0.0 || v > kMaxSeconds)
    return std::nullopt;
  return v;
}

LineError Usage(std::string_view usage) { return {"usage: " + std::string(usage)}; }

struct VerbSpec {
  std::string_view word;
  Verb verb;
  std::string_view usage;
};

constexpr std::array<VerbSpec, 16> kVerbs{{
    {"port", Verb::Port, "port N DEVICE"},
    {"set", Verb::Set, "set NAME VALUE"},
    {"get", Verb::Get, "get NAME"},
    {"dump", Verb::Dump, "dump"},
    {"field", Verb::Field, "field NAME"},
    {"style", Verb::Style, "style NAME"},
    {"focus", Verb::Focus, "focus NAME|none"},
    {"type", Verb::Type, "type \"TEXT\""},
    {"key", Verb::Key, "key CODE"},
    {"click", Verb::Click, "click NAME [INDEX]"},
    {"wait", Verb::Wait, "wait SECONDS"},
    {"sleep", Verb::Sleep, "sleep SECONDS"},
    {"events", Verb::Events, "events"},
    {"save", Verb::Save, "save FILE"},
    {"restore", Verb::Restore, "restore FILE"},
    {"quit", Verb::Quit, "quit"},
}};

}  // namespace

ParsedLine ParseShellLine(std::string_view line) {
  std::string_view rest = Trim(line);
  if (rest.empty()) return BlankLine{};
  const std::string_view word = NextWord(rest);

  const VerbSpec* spec = nullptr;
  for (const VerbSpec& v : kVerbs) {
    if (v.word == word) spec = &v;
  }
  if (!spec) return LineError{"unknown command \"" + std::string(word) + "\""};

  ShellCommand cmd;
  cmd.verb = spec->verb;
  switch (spec->verb) {
    case Verb::Dump:
    case Verb::Events:
    case Verb::Quit:
      if (!rest.empty()) return Usage(spec->usage);
      break;

    case Verb::Get:
    case Verb::Field:
    case Verb::Style:
    case Verb::Focus:
      cmd.name = NextWord(rest);
      if (cmd.name.empty() || !rest.empty()) return Usage(spec->usage);
      if (spec->verb == Verb::Focus && cmd.name == "none") cmd.name.clear();
      break;

    case Verb::Port: {
      const auto n = ParseInt(NextWord(rest));
      if (!n || rest.empty()) return Usage(spec->usage);
      if (*n < 1 || *n > 8) return LineError{"port number must be 1 to 8"};
      cmd.number = *n;
      cmd.text = rest;
      break;
    }

    case Verb::Set: {
      cmd.name = NextWord(rest);
      if (cmd.name.empty() || rest.empty()) return Usage(spec->usage);
      std::string error;
      auto value = ParseJsonScalar(rest, error);
      if (!value) return LineError{"bad value: " + error};
      cmd.value = std::move(*value);
      break;
    }

    case Verb::Type: {
      if (rest.empty()) return Usage(spec->usage);
      std::string error;
      auto value = ParseJsonScalar(rest, error);
      if (!value) return LineError{"bad value: " + error};
      if (value->kind != JsonScalar::Kind::String)
        return LineError{"type takes a JSON string, such as \"50\""};
      cmd.text = std::move(value->text);
      break;
    }

    case Verb::Key: {
      const auto code = ParseInt(NextWord(rest));
      if (!code || !rest.empty()) return Usage(spec->usage);
      if (*code < 0 || *code > 0xFFFF) return LineError{"key code must be 0 to 65535"};
      cmd.number = *code;
      break;
    }

    case Verb::Click: {
      cmd.name = NextWord(rest);
      if (cmd.name.empty()) return Usage(spec->usage);
      if (!rest.empty()) {
        const auto index = ParseInt(NextWord(rest));
        if (!index || !rest.empty()) return Usage(spec->usage);
        if (*index < 0 || *index > INT16_MAX) return LineError{"index must be 0 or more"};
        cmd.index = *index;
      }
      break;
    }

    case Verb::Wait:
    case Verb::Sleep: {
      const std::string_view arg = NextWord(rest);
      if (arg.empty() || !rest.empty()) return Usage(spec->usage);
      const auto s = ParseSeconds(arg);
      if (!s) return LineError{"seconds must be a number from 0 to 86400"};
      cmd.seconds = *s;
      break;
    }

    case Verb::Save:
    case Verb::Restore:
      if (rest.empty()) return Usage(spec->usage);
      cmd.text = rest;
      break;
  }
  return cmd;
}

}  // namespace vyx::console
