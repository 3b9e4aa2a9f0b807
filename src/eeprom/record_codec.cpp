#include "eeprom/record_codec.h"

#include "panel/text_number.h"
#include "panel/utf8.h"

namespace vyx::eeprom {

std::vector<std::uint8_t> ToLatin1(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::optional<char32_t> cp = NextCodePoint(utf8, i);
    out.push_back(cp && *cp <= 0xFF ? static_cast<std::uint8_t>(*cp) : kUnmappable);
  }
  return out;
}

std::string FromLatin1(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (const std::uint8_t b : bytes) {
    if (b == 0) break;
    AppendUtf8(out, b);
  }
  return out;
}

bool CalibrationInRange(double volts) { return volts >= 4.5 && volts <= 5.5; }

CalibrationBytes CalibrationOf(double volts) {
  if (!CalibrationInRange(volts)) volts = 5.0;
  // In double precision, as the board's count has always been formed: 4.9876 gives a
  // product just below 49876 and is stored as 49875.
  const auto count = static_cast<unsigned>(volts * 10000.0);
  return {static_cast<std::uint8_t>(count / 256u), static_cast<std::uint8_t>(count % 256u)};
}

double CalibrationVolts(int high, int low) {
  const double v = (high * 256.0 + low) / 10000.0;
  return CalibrationInRange(v) ? v : 5.0;
}

std::string CalibrationText(double volts) { return FormatFixed(volts, 4); }

}  // namespace vyx::eeprom
