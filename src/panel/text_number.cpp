#include "panel/text_number.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace vyx {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double NumericValue(std::string_view text) {
  // Gather the accepted characters without blanks, then convert with from_chars, which
  // never consults the locale.
  std::string number;
  std::size_t i = 0;
  auto skip = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skip();
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') number += '-';
    ++i;
  }
  bool digits = false;
  bool point = false;
  for (;; ++i) {
    skip();
    if (i >= text.size()) break;
    const char c = text[i];
    if (IsDigit(c)) {
      number += c;
      digits = true;
    } else if (c == '.' && !point) {
      number += c;
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0.0;
  // An exponent counts only when at least one digit follows its optional sign.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    while (j < text.size() && IsBlank(text[j])) ++j;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    bool expDigits = false;
    for (;; ++j) {
      while (j < text.size() && IsBlank(text[j])) ++j;
      if (j >= text.size() || !IsDigit(text[j])) break;
      // Beyond a few digits the value is infinite or zero either way.
      if (exponent.size() < 8) exponent += text[j];
      expDigits = true;
    }
    if (expDigits) number += exponent;
  }
  double value = 0.0;
  const char* first = number.data();
  if (*first == '-') ++first;
  const auto result = std::from_chars(first, number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on overflow or underflow.
    const bool tiny = number.find("e-") != std::string::npos;
    value = tiny ? 0.0 : HUGE_VAL;
  }
  return number[0] == '-' ? -value : value;
}

double RoundHalfEven(double v) {
  const double floor = std::floor(v);
  const double diff = v - floor;
  if (diff > 0.5) return floor + 1.0;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::string FormatFixed(double v, int decimals) {
  if (!std::isfinite(v)) v = 0.0;
  if (decimals < 0) decimals = 0;
  const auto places = static_cast<std::size_t>(decimals);
  // Round the shortest decimal form of v, half away from zero, so that a value that reads
  // 1.0005 shows 1.001 although its binary form lies just below it.
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
  std::string s(buf, r.ptr);
  auto dot = s.find('.');
  std::string whole = dot == std::string::npos ? s : s.substr(0, dot);
  std::string frac = dot == std::string::npos ? std::string() : s.substr(dot + 1);
  const bool up = frac.size() > places && frac[places] >= '5';
  frac.resize(places, '0');
  std::string digits = whole + frac;
  if (up) {
    std::size_t i = digits.size();
    while (i > 0) {
      --i;
      if (digits[i] == '9') {
        digits[i] = '0';
      } else {
        ++digits[i];
        break;
      }
      if (i == 0) digits.insert(digits.begin(), '1');
    }
  }
  whole = digits.substr(0, digits.size() - places);
  frac = digits.substr(digits.size() - places);
  const auto firstNonZero = whole.find_first_not_of('0');
  whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  std::string text = (v < 0 && !zero) ? "-" : "";
  text += whole;
  if (places > 0) text += "." + frac;
  return text;
}

}  // namespace vyx
