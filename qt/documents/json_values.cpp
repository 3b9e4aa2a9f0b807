#include "json_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "panel/utf8.h"

namespace vyx::documents {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<std::uint32_t> Hex4(std::string_view s, std::size_t at) {
  if (at + 4 > s.size()) return std::nullopt;
  std::uint32_t v = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    const char c = s[i];
    v <<= 4;
    if (IsDigit(c)) {
      v |= static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      v |= static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      v |= static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
  }
  return v;
}

// Parses the string literal that starts at s[0] == '"'; `used` is its length with quotes.
bool ParseString(std::string_view s, std::string& out, std::size_t& used, std::string& error) {
  std::size_t i = 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '"') {
      used = i + 1;
      return true;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
      error = "control character in a string: write it as an escape";
      return false;
    }
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) break;
    const char e = s[i + 1];
    i += 2;
    switch (e) {
      case '"':
        out += '"';
        break;
      case '\\':
        out += '\\';
        break;
      case '/':
        out += '/';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        auto cp = Hex4(s, i);
        if (!cp) {
          error = "\\u needs four hex digits";
          return false;
        }
        i += 4;
        if (*cp >= 0xD800 && *cp < 0xDC00) {
          // A high surrogate must be followed by its low half.
          std::optional<std::uint32_t> low;
          if (i + 1 < s.size() && s[i] == '\\' && s[i + 1] == 'u') low = Hex4(s, i + 2);
          if (!low || *low < 0xDC00 || *low > 0xDFFF) {
            error = "unpaired surrogate in \\u escape";
            return false;
          }
          i += 6;
          *cp = 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00);
        } else if (*cp >= 0xDC00 && *cp < 0xE000) {
          error = "unpaired surrogate in \\u escape";
          return false;
        }
        AppendUtf8(out, *cp);
        break;
      }
      default:
        error = std::string("unknown escape \\") + e;
        return false;
    }
  }
  error = "unterminated string";
  return false;
}

// Parses a number with JSON's grammar; `used` is its length.
bool ParseNumber(std::string_view s, JsonScalar& out, std::size_t& used, std::string& error) {
  std::size_t i = 0;
  if (i < s.size() && s[i] == '-') ++i;
  if (i >= s.size() || !IsDigit(s[i])) {
    error = "not a JSON value";
    return false;
  }
  if (s[i] == '0') {
    ++i;
  } else {
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  bool whole = true;
  if (i < s.size() && s[i] == '.') {
    whole = false;
    ++i;
    if (i >= s.size() || !IsDigit(s[i])) {
      error = "a decimal point needs digits after it";
      return false;
    }
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    whole = false;
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (i >= s.size() || !IsDigit(s[i])) {
      error = "an exponent needs digits";
      return false;
    }
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  used = i;
  const char* first = s.data();
  const char* last = s.data() + i;
  if (whole) {
    std::int64_t v = 0;
    const auto r = std::from_chars(first, last, v);
    if (r.ec == std::errc() && r.ptr == last) {
      out.kind = JsonScalar::Kind::Integer;
      out.integer = v;
      out.number = static_cast<double>(v);
      return true;
    }
  }
  double d = 0.0;
  const auto r = std::from_chars(first, last, d);
  if (r.ptr != last || (r.ec != std::errc() && r.ec != std::errc::result_out_of_range) ||
      !std::isfinite(d)) {
    error = "number out of range";
    return false;
  }
  out.kind = JsonScalar::Kind::Number;
  out.number = d;
  return true;
}

}  // namespace

std::optional<JsonScalar> ParseJsonScalar(std::string_view input, std::string& error) {
  std::size_t begin = 0;
  while (begin < input.size() && IsBlank(input[begin])) ++begin;
  std::string_view s = input.substr(begin);
  if (s.empty()) {
    error = "a JSON value is missing";
    return std::nullopt;
  }
  JsonScalar v;
  std::size_t used = 0;
  if (s[0] == '"') {
    v.kind = JsonScalar::Kind::String;
    if (!ParseString(s, v.text, used, error)) return std::nullopt;
  } else if (s.starts_with("true")) {
    v.kind = JsonScalar::Kind::Boolean;
    v.boolean = true;
    used = 4;
  } else if (s.starts_with("false")) {
    v.kind = JsonScalar::Kind::Boolean;
    used = 5;
  } else if (s.starts_with("null")) {
    used = 4;
  } else if (s[0] == '[' || s[0] == '{') {
    error = "arrays and objects are not property values";
    return std::nullopt;
  } else if (!ParseNumber(s, v, used, error)) {
    if (error == "not a JSON value" && !s.empty())
      error = "not a JSON value (a text needs double quotes)";
    return std::nullopt;
  }
  for (std::size_t i = used; i < s.size(); ++i) {
    if (!IsBlank(s[i])) {
      error = "unexpected text after the JSON value";
      return std::nullopt;
    }
  }
  return v;
}

std::string ToUtf8(std::string_view bytes) {
  // Plain ASCII, as every reading is, is UTF-8 as it stands.
  if (std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(bytes);
  }
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    // A byte that is not part of a well-formed sequence is taken as Latin-1.
    const std::size_t start = i;
    if (NextCodePoint(bytes, i)) {
      out.append(bytes.substr(start, i - start));
    } else {
      i = start + 1;
      AppendUtf8(out, static_cast<unsigned char>(bytes[start]));
    }
  }
  return out;
}

std::string JsonQuote(std::string_view raw) {
  const std::string bytes = ToUtf8(raw);
  std::string out = "\"";
  out.reserve(bytes.size() + 2);
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    // The C1 controls (U+0080 to U+009F, 0xC2 0x80..0x9F here) are escaped as well: some
    // terminals act on them, and a board's Latin-1 byte can be one.
    if (c == 0xC2 && i + 1 < bytes.size() && static_cast<unsigned char>(bytes[i + 1]) <= 0x9F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(bytes[i + 1]));
      out += buf;
      i += 2;
      continue;
    }
    if (c >= 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string JsonOf(const PropValue& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return JsonQuote(*s);
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
  return std::to_string(std::get<std::int16_t>(value));
}

std::optional<BagValue> ToBagValue(const JsonScalar& value) {
  switch (value.kind) {
    case JsonScalar::Kind::String:
      return BagValue{value.text};
    case JsonScalar::Kind::Boolean:
      return BagValue{value.boolean};
    case JsonScalar::Kind::Integer:
      return BagValue{value.integer};
    case JsonScalar::Kind::Number:
      return BagValue{value.number};
    case JsonScalar::Kind::Null:
      break;
  }
  return std::nullopt;
}

BagValue BagValueOf(const PropValue& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  if (const auto* b = std::get_if<bool>(&value)) return *b;
  return static_cast<std::int64_t>(std::get<std::int16_t>(value));
}

std::string ValueError(std::string_view property, PropType type, std::string_view given) {
  std::string_view takes;
  switch (type) {
    case PropType::String:
      takes = "a string, a number or true/false";
      break;
    case PropType::Integer:
      takes = "a whole number -32768..32767";
      break;
    case PropType::Boolean:
      takes = "true or false, or a whole number (0 is false)";
      break;
  }
  return std::string(property) + " takes " + std::string(takes) + ", not " + std::string(given);
}

}  // namespace vyx::documents
