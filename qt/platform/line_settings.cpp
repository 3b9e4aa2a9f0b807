#include "platform/line_settings.h"

#include <array>
#include <cctype>
#include <charconv>

namespace vyx::qt {

bool ParseLineSettings(std::string_view text, LineSettings& settings) {
  std::array<std::string_view, 4> parts;
  std::size_t count = 0;
  while (count < parts.size()) {
    const std::size_t comma = text.find(',');
    parts[count++] = text.substr(0, comma);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
    if (count == parts.size()) return false;  // a fifth field
  }
  if (count != parts.size()) return false;

  LineSettings out;
  const std::string_view baud = parts[0];
  const auto [end, ec] = std::from_chars(baud.data(), baud.data() + baud.size(), out.baud);
  if (baud.empty() || ec != std::errc() || end != baud.data() + baud.size() || out.baud <= 0) {
    return false;
  }

  if (parts[1].size() != 1) return false;
  switch (std::tolower(static_cast<unsigned char>(parts[1][0]))) {
    case 'n':
      out.parity = LineSettings::Parity::None;
      break;
    case 'e':
      out.parity = LineSettings::Parity::Even;
      break;
    case 'o':
      out.parity = LineSettings::Parity::Odd;
      break;
    case 'm':
      out.parity = LineSettings::Parity::Mark;
      break;
    case 's':
      out.parity = LineSettings::Parity::Space;
      break;
    default:
      return false;
  }

  if (parts[2].size() != 1 || parts[2][0] < '5' || parts[2][0] > '8') return false;
  out.dataBits = parts[2][0] - '0';

  if (parts[3] == "1") {
    out.stopBits = LineSettings::StopBits::One;
  } else if (parts[3] == "1.5") {
    out.stopBits = LineSettings::StopBits::OneAndHalf;
  } else if (parts[3] == "2") {
    out.stopBits = LineSettings::StopBits::Two;
  } else {
    return false;
  }
  settings = out;
  return true;
}

}  // namespace vyx::qt
