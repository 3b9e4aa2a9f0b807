// Numbers in field texts: read with one rule and written with fixed-decimal patterns, both
// independent of the process locale (the decimal separator is always a point).
#pragma once

#include <string>
#include <string_view>

namespace vyx {

// The value of a text's leading number: blanks skipped wherever they stand, an optional
// sign, digits with at most one point, an optional exponent. Reading stops at the first
// character that cannot continue the number; a text with no leading number gives 0.
double NumericValue(std::string_view text);

// Nearest integer, a half going to the even neighbour (2.5 gives 2, 3.5 gives 4).
double RoundHalfEven(double v);

// Fixed-decimal text with the given number of decimals: at least one digit before the point
// ("0.000" is FormatFixed(v, 3)). Halves round away from zero, as a display format does.
std::string FormatFixed(double v, int decimals);

}  // namespace vyx
