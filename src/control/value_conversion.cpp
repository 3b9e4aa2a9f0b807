// The one conversion of a host's value to a property's type, for documents, widget
// properties and the console alike.
#include "control/value_conversion.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace vyx {
namespace {

constexpr std::int64_t kIntMin = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kIntMax = std::numeric_limits<std::int16_t>::max();

std::string_view TrimBlanks(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// A stored value as an error message shows it; long texts are cut for the message only.
std::string Describe(const BagValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) {
    constexpr std::size_t kShown = 40;
    return "\"" + s->substr(0, kShown) + (s->size() > kShown ? "...\"" : "\"");
  }
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::get<double>(v));
  return std::string(buf, r.ptr);
}

bool IsWhole(double d) { return std::isfinite(d) && std::trunc(d) == d; }

// A whole number written as an optional sign and digits only.
bool ParseWhole(std::string_view text, std::int64_t& out) {
  std::string_view s = TrimBlanks(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  std::uint64_t magnitude = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), magnitude);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  // Anything this large is out of range anyway; capping keeps the sign without overflow.
  constexpr std::uint64_t kCap = std::uint64_t{1} << 20;
  if (magnitude > kCap) magnitude = kCap;
  out = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

Status ToText(const BagValue& v, std::string& out) {
  if (const auto* s = std::get_if<std::string>(&v)) {
    out = *s;
  } else if (const auto* b = std::get_if<bool>(&v)) {
    out = *b ? "True" : "False";
  } else if (const auto* i = std::get_if<std::int64_t>(&v)) {
    out = std::to_string(*i);
  } else {
    double d = std::get<double>(v);
    if (!std::isfinite(d)) return Status::Fail("not a finite number: " + Describe(v));
    if (d == 0.0) d = 0.0;  // no "-0"
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, d);
    out.assign(buf, r.ptr);
  }
  return Status::Ok();
}

Status ToInteger(const BagValue& v, std::int16_t& out) {
  std::int64_t n = 0;
  if (const auto* s = std::get_if<std::string>(&v)) {
    if (!ParseWhole(*s, n)) return Status::Fail("not a whole number: " + Describe(v));
  } else if (const auto* b = std::get_if<bool>(&v)) {
    n = *b ? -1 : 0;
  } else if (const auto* i = std::get_if<std::int64_t>(&v)) {
    n = *i;
  } else {
    const double d = std::get<double>(v);
    if (!IsWhole(d)) return Status::Fail("not a whole number: " + Describe(v));
    if (d < static_cast<double>(kIntMin) || d > static_cast<double>(kIntMax)) {
      return Status::Fail("out of range -32768..32767: " + Describe(v));
    }
    n = static_cast<std::int64_t>(d);
  }
  if (n < kIntMin || n > kIntMax) return Status::Fail("out of range -32768..32767: " + Describe(v));
  out = static_cast<std::int16_t>(n);
  return Status::Ok();
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

Status ToBoolean(const BagValue& v, bool& out) {
  if (const auto* s = std::get_if<std::string>(&v)) {
    const std::string_view t = TrimBlanks(*s);
    if (EqualsNoCase(t, "true") || t == "-1" || t == "1") {
      out = true;
    } else if (EqualsNoCase(t, "false") || t == "0") {
      out = false;
    } else {
      return Status::Fail("not a Boolean: " + Describe(v));
    }
  } else if (const auto* b = std::get_if<bool>(&v)) {
    out = *b;
  } else if (const auto* i = std::get_if<std::int64_t>(&v)) {
    out = *i != 0;
  } else {
    const double d = std::get<double>(v);
    if (!IsWhole(d)) return Status::Fail("not a Boolean: " + Describe(v));
    out = d != 0.0;
  }
  return Status::Ok();
}

}  // namespace

Status ConvertValue(const BagValue& stored, PropType type, PropValue& out) {
  switch (type) {
    case PropType::String: {
      std::string text;
      if (Status s = ToText(stored, text); !s) return s;
      out = std::move(text);
      return Status::Ok();
    }
    case PropType::Integer: {
      std::int16_t n = 0;
      if (Status s = ToInteger(stored, n); !s) return s;
      out = n;
      return Status::Ok();
    }
    case PropType::Boolean: {
      bool b = false;
      if (Status s = ToBoolean(stored, b); !s) return s;
      out = b;
      return Status::Ok();
    }
  }
  return Status::Fail("unknown type");
}

}  // namespace vyx
