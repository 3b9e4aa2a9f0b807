// Comm1 to Comm8 are positions, not device names: the host maps each to a device path or to
// tcp://HOST:PORT. A saved document stores only the position, so it can never open a device
// the host did not map. An unmapped CommN is /dev/ttyS{N-1}.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "control/status.h"

namespace vyx::qt {

class PortMap {
 public:
  static constexpr int kPorts = 8;

  // Maps CommN (1 to 8) to a device; an invalid number or device is refused and changes
  // nothing.
  Status Set(int comm, std::string_view device);
  // Back to the default device.
  void Clear(int comm);
  bool IsMapped(int comm) const;
  // The device CommN leads to, mapped or default; "" for a number outside 1 to 8.
  std::string Device(int comm) const;

  // Applies VYX_COMM1 to VYX_COMM8 from the environment. Unset or empty variables leave
  // their positions alone; invalid ones are skipped and named together in the failure.
  Status LoadEnvironment();
  static const char* EnvironmentName(int comm);  // "VYX_COMM1" ...

 private:
  std::array<std::string, kPorts> devices_{};  // "" means unmapped
};

}  // namespace vyx::qt
