// `ports`: the serial devices the system shows, and where Comm1 to Comm8 lead.
#pragma once

#include <string>

namespace vyx::qt {
class PortMap;
}

namespace vyx::console {

std::string PortsReport(const qt::PortMap& map);

}  // namespace vyx::console
