// The line settings text the component writes, "38400,n,8,1": speed, parity letter, data
// bits and stop bits.
#pragma once

#include <cstdint>
#include <string_view>

namespace vyx::qt {

struct LineSettings {
  enum class Parity : std::uint8_t { None, Even, Odd, Mark, Space };
  enum class StopBits : std::uint8_t { One, OneAndHalf, Two };
  std::int32_t baud = 38400;
  Parity parity = Parity::None;
  int dataBits = 8;
  StopBits stopBits = StopBits::One;
};

// False for a text that is not four fields of a speed, n/e/o/m/s, 5 to 8 and 1, 1.5 or 2.
bool ParseLineSettings(std::string_view text, LineSettings& settings);

}  // namespace vyx::qt
