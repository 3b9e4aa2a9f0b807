#include "console_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace vyx::console {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

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
  std::string_view summary;
};

constexpr std::array<VerbSpec, 17> kVerbs{{
    {"port", Verb::Port, "port N DEVICE",
     "map CommN to DEVICE: a path, tcp://HOST:PORT or rfc2217://HOST:PORT"},
    {"set", Verb::Set, "set NAME VALUE", "set property NAME to the JSON VALUE"},
    {"get", Verb::Get, "get NAME", "property NAME's JSON value"},
    {"dump", Verb::Dump, "dump", "every property as NAME VALUE, then end"},
    {"field", Verb::Field, "field NAME", "panel field NAME's value"},
    {"style", Verb::Style, "style NAME", "a label's colour and emphasis"},
    {"focus", Verb::Focus, "focus NAME|none", "move the input focus to field NAME, or away"},
    {"type", Verb::Type, "type \"TEXT\"", "replace the text of the edit box with the focus"},
    {"key", Verb::Key, "key CODE", "press key CODE in the field with the focus (13: Enter)"},
    {"click", Verb::Click, "click NAME [INDEX]", "click field NAME; a list picks entry INDEX"},
    {"wait", Verb::Wait, "wait SECONDS", "until no update is in progress: ok, or timeout"},
    {"sleep", Verb::Sleep, "sleep SECONDS", "let SECONDS pass"},
    {"events", Verb::Events, "events", "the events since the last events, then end"},
    {"help", Verb::Help, "help", "these lines, then end"},
    {"save", Verb::Save, "save FILE", "save the property set into the document FILE"},
    {"restore", Verb::Restore, "restore FILE", "restore the property set from the document FILE"},
    {"quit", Verb::Quit, "quit", "end the program"},
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
    case Verb::Help:
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
      auto value = documents::ParseJsonScalar(rest, error);
      if (!value) return LineError{error, cmd.name, std::string(rest)};
      cmd.value = std::move(*value);
      cmd.given = rest;
      break;
    }

    case Verb::Type: {
      if (rest.empty()) return Usage(spec->usage);
      std::string error;
      auto value = documents::ParseJsonScalar(rest, error);
      if (!value) return LineError{"bad value: " + error};
      if (value->kind != documents::JsonScalar::Kind::String)
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

std::vector<std::string> ShellHelp() {
  constexpr std::size_t kColumn = 21;
  std::vector<std::string> lines;
  for (const VerbSpec& v : kVerbs) {
    std::string line(v.usage);
    line.resize(std::max(kColumn, line.size() + 1), ' ');
    lines.push_back(line + std::string(v.summary));
  }
  return lines;
}

}  // namespace vyx::console
