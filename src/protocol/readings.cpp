#include "protocol/readings.h"

#include <algorithm>

#include "panel/text_number.h"

namespace vyx::protocol {
namespace {

constexpr double kNominalVref = 5.0;
constexpr double kDitSecondsPerCount = 0.0000008;
constexpr double kDitMin = 0.00005;
constexpr double kDitMax = 13.0;
constexpr double kPwmCountsPerPercent = 640.0;
constexpr double kDutyCountsPerPercent = 1.6;
constexpr double kMaxDuty = 100.0;

}  // namespace

double VrefVolts(std::string_view vrefText) {
  const double v = NumericValue(vrefText);
  return (v < 4.5 || v > 5.5) ? kNominalVref : v;
}

double AdcToVolts(double raw, double vref) { return (raw + 32.0) * vref / 65536.0; }

std::uint32_t Count24(double b0, double b1, double b2) {
  return static_cast<std::uint32_t>(65536.0 * b0 + 256.0 * b1 + b2);
}

double DitSeconds(double b0, double b1, double b2) {
  return std::clamp(Count24(b0, b1, b2) * kDitSecondsPerCount, kDitMin, kDitMax);
}

double PwmPercent(double high, double low) {
  return std::min((high * 256.0 + low) / kPwmCountsPerPercent, kMaxDuty);
}

double DutyPercent(double reg) { return std::min(reg / kDutyCountsPerPercent, kMaxDuty); }

std::string FirmwareText(double revision) { return FormatFixed(revision, 1); }
std::string VoltsText(double volts) { return FormatFixed(volts, 3); }
std::string PercentText(double percent) { return FormatFixed(percent, 3); }
std::string DitText(double seconds) { return FormatFixed(seconds, 7); }
// The count is exact; no decimals, sign or grouping.
std::string DifText(std::uint32_t count) { return FormatFixed(count, 0); }

}  // namespace vyx::protocol
