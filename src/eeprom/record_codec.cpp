#include "eeprom/record_codec.h"

#include "panel/text_number.h"

namespace vyx::eeprom {

std::vector<std::uint8_t> ToLatin1(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i++]);
    if (lead < 0x80) {
      out.push_back(lead);
      continue;
    }
    // The well-formed ranges of UTF-8: the second byte of E0, ED, F0 and F4 sequences is
    // narrowed so that overlong forms, surrogates and code points above 0x10FFFF fail.
    int trail = 0;
    char32_t cp = 0;
    unsigned lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trail = 1;
      cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trail = 2;
      cp = lead & 0x0Fu;
      if (lead == 0xE0) lo = 0xA0;
      if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trail = 3;
      cp = lead & 0x07u;
      if (lead == 0xF0) lo = 0x90;
      if (lead == 0xF4) hi = 0x8F;
    } else {
      out.push_back(kUnmappable);
      continue;
    }
    // A sequence cut short counts as one character (its maximal valid part); the byte that
    // broke it starts the next one.
    bool complete = true;
    for (int k = 0; k < trail; ++k) {
      const auto b = i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0u;
      if (i >= utf8.size() || b < lo || b > hi) {
        complete = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3Fu);
      lo = 0x80;
      hi = 0xBF;
      ++i;
    }
    out.push_back(complete && cp <= 0xFF ? static_cast<std::uint8_t>(cp) : kUnmappable);
  }
  return out;
}

std::string FromLatin1(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (const std::uint8_t b : bytes) {
    if (b == 0) break;
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
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
