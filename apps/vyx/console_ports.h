// `ports`: the serial devices the system shows, and where Comm1 to Comm8 lead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyx::qt {
class PortMap;
}

namespace vyx::console {

// A serial device as the system describes it; empty texts and identifiers are unknown.
struct SerialDevice {
  std::string location;  // /dev/ttyUSB0
  std::string description;
  std::optional<std::uint16_t> vendor;   // USB vendor identifier
  std::optional<std::uint16_t> product;  // USB product identifier
  std::string serial;
};

// The machine's serial devices, by location.
std::vector<SerialDevice> FindSerialDevices();

// The report's lines: the devices whose line holds `filter` (in any case; all when it is
// empty), then Comm1 to Comm8 and their devices. A device's line is its location, its
// description, `usb VVVV:PPPP` and `serial S` as far as they are known.
std::vector<std::string> PortsReport(const std::vector<SerialDevice>& devices,
                                     const qt::PortMap& map, std::string_view filter = {});

}  // namespace vyx::console
