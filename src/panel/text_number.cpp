#include "panel/text_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace vyx {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A plain decimal, as the component writes its own texts: an optional minus, digits and a
// point. With at most 15 digits the digits are an exact integer and 10^places an exact power,
// and their quotient, correctly rounded, is the double nearest to the text, as from_chars
// gives. Any other text takes the general path.
std::optional<double> PlainDecimal(std::string_view text) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  std::uint64_t n = 0;
  int digits = 0;
  int places = -1;  // digits after the point, once there is one
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      if (++digits > 15) return std::nullopt;
      n = n * 10 + static_cast<std::uint64_t>(c - '0');
      if (places >= 0) ++places;
    } else if (c == '.' && places < 0) {
      places = 0;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  const double v = static_cast<double>(n) / kPow10[places > 0 ? places : 0];
  return negative ? -v : v;
}

}  // namespace

double NumericValue(std::string_view text) {
  if (const std::optional<double> plain = PlainDecimal(text)) return *plain;
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

namespace {

// The fixed form of the integer written in `digits` divided by 10^places; leading zeros
// in `digits` are allowed.
std::string FixedFromDigits(std::string_view digits, std::size_t places, bool negative) {
  digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
  std::string text;
  text.reserve(digits.size() + places + 3);
  if (negative && !digits.empty()) text += '-';
  if (digits.size() <= places) {
    text += '0';
    if (places > 0) {
      text += '.';
      text.append(places - digits.size(), '0');
      text += digits;
    }
    return text;
  }
  text += digits.substr(0, digits.size() - places);
  if (places > 0) {
    text += '.';
    text += digits.substr(digits.size() - places);
  }
  return text;
}

// The fixed form of a whole number n divided by 10^places, for the quick way: the digits are
// laid out from the last, with the point after `places` of them and a 0 before it.
std::string SmallFixed(std::uint64_t n, std::size_t places, bool negative) {
  char text[32];  // n below 1e9 and places below 16: at most 16 digits, a point and a sign
  char* p = std::end(text);
  const bool sign = negative && n != 0;
  std::size_t k = 0;
  do {
    *--p = static_cast<char>('0' + n % 10);
    n /= 10;
    if (++k == places) *--p = '.';
  } while (n != 0 || k <= places);
  if (sign) *--p = '-';
  return std::string(p, std::end(text));
}

}  // namespace

std::string FormatFixed(double v, int decimals) {
  if (!std::isfinite(v)) v = 0.0;
  if (decimals < 0) decimals = 0;
  const auto places = static_cast<std::size_t>(decimals);
  // The quick way, for the readings shown on every update: scaled below 1e9, the product
  // is within 2e-7 of both v and its shortest decimal form scaled, so unless it lies that
  // close to a half, both round the same way.
  if (places < std::size(kPow10)) {
    const double x = std::fabs(v) * kPow10[places];
    if (x < 1e9) {
      const double whole = std::floor(x);
      const double frac = x - whole;
      if (std::fabs(frac - 0.5) > 1e-6) {
        return SmallFixed(static_cast<std::uint64_t>(whole) + (frac > 0.5 ? 1u : 0u), places,
                          v < 0);
      }
    }
  }
  // Round the shortest decimal form of v, half away from zero, so that a value that reads
  // 1.0005 shows 1.001 although its binary form lies just below it.
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
  const std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf));
  const std::size_t dot = s.find('.');
  const std::string_view whole = s.substr(0, dot);
  const std::string_view frac =
      dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
  const bool up = frac.size() > places && frac[places] >= '5';

  // The digits kept, behind a leading 0 that takes a carry out of the first digit.
  std::string digits(1, '0');
  digits.reserve(1 + whole.size() + places);
  digits += whole;
  digits += frac.substr(0, places);
  digits.append(places - std::min(places, frac.size()), '0');
  if (up) {
    std::size_t i = digits.size() - 1;
    while (digits[i] == '9') digits[i--] = '0';
    ++digits[i];
  }
  return FixedFromDigits(digits, places, v < 0);
}

}  // namespace vyx
