// Comm1 to Comm8 are positions, not device names: the host maps each to a device path, to
// tcp://HOST:PORT or to rfc2217://HOST:PORT (in code, from its command line, VYX_COMMn or its
// operator's settings). An unmapped position leads to no device at all, so a saved document, which
// stores only the position, can never open a device nobody chose.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "control/status.h"

namespace vyx::qt {

struct Device;

class PortMap {
 public:
  static constexpr int kPorts = 8;

  // Maps CommN (1 to 8) to a device; an invalid number or device is refused and changes
  // nothing.
  Status Set(int comm, std::string_view device);
  // Unmaps CommN: it leads to no device again.
  void Clear(int comm);
  bool IsMapped(int comm) const;
  // The device CommN is mapped to; "" when it is unmapped or outside 1 to 8.
  std::string Device(int comm) const;
  // Where CommN leads. An unmapped position fails with a message that says how to map it.
  Status Resolve(int comm, qt::Device& device) const;

  // Applies VYX_COMM1 to VYX_COMM8 from the environment. Unset or empty variables leave
  // their positions alone; invalid ones map nothing and are named together in the failure.
  Status LoadEnvironment();
  static const char* EnvironmentName(int comm);  // "VYX_COMM1" ...

 private:
  std::array<std::string, kPorts> devices_{};  // "" means unmapped
};

}  // namespace vyx::qt
