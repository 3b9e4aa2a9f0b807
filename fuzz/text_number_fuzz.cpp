// The numeric-text rule and the fixed-decimal formatter, under a comma-decimal locale:
// reading never depends on where the blanks stand, and a formatted value reads back within
// half a unit of its last decimal and formats again to the same text.
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <locale>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "panel/text_number.h"

namespace {

std::string WithoutBlanks(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != ' ' && c != '\t') out += c;
  }
  return out;
}

// A formatted text is an optional minus, digits without a needless leading zero, and exactly
// `decimals` digits after a point.
bool WellFormed(const std::string& t, int decimals) {
  std::size_t i = t.empty() || t[0] != '-' ? 0 : 1;
  const std::size_t digits = i;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  if (i == digits || (t[digits] == '0' && i - digits > 1)) return false;
  if (decimals == 0) return i == t.size();
  if (i >= t.size() || t[i] != '.') return false;
  const std::size_t frac = t.size() - i - 1;
  for (std::size_t j = i + 1; j < t.size(); ++j) {
    if (t[j] < '0' || t[j] > '9') return false;
  }
  return frac == static_cast<std::size_t>(decimals);
}

void CheckRoundTrip(double v, int decimals) {
  const std::string text = vyx::FormatFixed(v, decimals);
  fuzz::Require(WellFormed(text, decimals), "FormatFixed gives digits, a point and the decimals");
  fuzz::Require(vyx::FormatFixed(vyx::NumericValue(text), decimals) == text,
                "a formatted text formats to itself once read");
  if (!std::isfinite(v) || std::fabs(v) > 1e15) return;
  const double back = vyx::NumericValue(text);
  const double unit = std::pow(10.0, -decimals);
  // Half a unit of the last decimal, plus the rounding of the binary values involved.
  const double slack = 0.5 * unit + std::fabs(v) * 4e-16 + 1e-300;
  fuzz::Require(std::fabs(back - v) <= slack * (1 + 1e-9),
                "the text reads back within half a unit");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Any locale-dependent conversion inside would write or expect a comma here.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) std::locale::global(std::locale(""));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double v = vyx::NumericValue(text);
  fuzz::Require(!std::isnan(v), "a text never reads as NaN");
  fuzz::Require(vyx::NumericValue(WithoutBlanks(text)) == v,
                "blanks are skipped wherever they stand");

  for (int decimals : {0, 1, 3, 4, 7}) CheckRoundTrip(v, decimals);
  // The raw bits as a double reach values no text of a few bytes spells.
  if (size >= sizeof(double)) {
    double raw = 0;
    std::memcpy(&raw, data, sizeof raw);
    for (int decimals : {0, 3, 7}) CheckRoundTrip(raw, decimals);
  }
  return 0;
}
