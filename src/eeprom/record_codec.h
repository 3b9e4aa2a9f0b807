// The two records the board keeps in its EEPROM, as bytes: the identifier, one 8-bit
// (Latin-1) byte per character, and the reference calibration, a count of 0.1 mV.
// Pure functions; the component's texts are UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vyx::eeprom {

inline constexpr int kMarkerAddress = 1;
inline constexpr std::uint8_t kIdMarker = 0xA5;
inline constexpr int kIdLength = 8;
// Stands for a character the 8-bit set lacks; never 0, which would end the identifier.
inline constexpr std::uint8_t kUnmappable = '?';

inline constexpr std::string_view kDefaultId = "Vantrel";
inline constexpr std::string_view kDefaultVref = "5.0000";

// One byte per character of a UTF-8 text: code points up to 0xFF are their own byte; any
// other character, and each ill-formed UTF-8 sequence, is kUnmappable.
std::vector<std::uint8_t> ToLatin1(std::string_view utf8);

// The UTF-8 text of Latin-1 bytes, ending before the first 0 byte.
std::string FromLatin1(std::span<const std::uint8_t> bytes);

struct CalibrationBytes {
  std::uint8_t high;
  std::uint8_t low;
};

// Volts outside 4.5 to 5.5 (and what is not a number) are stored as 5 V.
bool CalibrationInRange(double volts);

// The stored count: volts x 10000 truncated, not rounded, high byte first.
CalibrationBytes CalibrationOf(double volts);

// Volts of the stored bytes, 5 V when out of range.
double CalibrationVolts(int high, int low);

// The text a calibration is shown with ("0.0000").
std::string CalibrationText(double volts);

}  // namespace vyx::eeprom
