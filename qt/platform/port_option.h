// "--port N=DEVICE" as the hosts take it on their command lines: CommN (1 to 8) and a device
// that the port map accepts. Shared, so that every host reads and refuses it the same way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vyx::qt {

struct PortOption {
  int comm = 0;
  std::string device;
};

// The option's value ("2=/dev/ttyUSB0"), or nothing with the message in error.
std::optional<PortOption> ParsePortOption(std::string_view value, std::string& error);

}  // namespace vyx::qt
