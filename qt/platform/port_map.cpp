#include "platform/port_map.h"

#include <cstdlib>

#include "platform/device.h"

namespace vyx::qt {
namespace {

bool InRange(int comm) { return comm >= 1 && comm <= PortMap::kPorts; }

}  // namespace

Status PortMap::Set(int comm, std::string_view device) {
  if (!InRange(comm)) {
    return Status::Fail("Comm" + std::to_string(comm) + " is not a port: use Comm1 to Comm8");
  }
  qt::Device parsed;
  if (Status s = ParseDevice(device, parsed); !s) {
    return Status::Fail("Comm" + std::to_string(comm) + ": " + s.message());
  }
  devices_[static_cast<std::size_t>(comm - 1)] = std::string(device);
  return Status::Ok();
}

void PortMap::Clear(int comm) {
  if (InRange(comm)) devices_[static_cast<std::size_t>(comm - 1)].clear();
}

bool PortMap::IsMapped(int comm) const {
  return InRange(comm) && !devices_[static_cast<std::size_t>(comm - 1)].empty();
}

std::string PortMap::Device(int comm) const {
  return InRange(comm) ? devices_[static_cast<std::size_t>(comm - 1)] : std::string();
}

Status PortMap::Resolve(int comm, qt::Device& device) const {
  if (!InRange(comm)) {
    return Status::Fail("Comm" + std::to_string(comm) + " is not a port: use Comm1 to Comm8");
  }
  if (!IsMapped(comm)) {
    const std::string n = std::to_string(comm);
    return Status::Fail("Comm" + n + " is not mapped to a device: map it with --port " + n +
                        "=/dev/ttyUSB0, " + EnvironmentName(comm) + " or the port settings");
  }
  return ParseDevice(Device(comm), device);
}

const char* PortMap::EnvironmentName(int comm) {
  static constexpr const char* kNames[kPorts] = {"VYX_COMM1", "VYX_COMM2", "VYX_COMM3",
                                                 "VYX_COMM4", "VYX_COMM5", "VYX_COMM6",
                                                 "VYX_COMM7", "VYX_COMM8"};
  return InRange(comm) ? kNames[comm - 1] : "";
}

Status PortMap::LoadEnvironment() {
  std::string errors;
  for (int comm = 1; comm <= kPorts; ++comm) {
    const char* value = std::getenv(EnvironmentName(comm));
    if (value == nullptr || *value == '\0') continue;
    if (Status s = Set(comm, value); !s) {
      if (!errors.empty()) errors += "; ";
      errors += std::string(EnvironmentName(comm)) + ": " + s.message();
    }
  }
  return errors.empty() ? Status::Ok() : Status::Fail(errors);
}

}  // namespace vyx::qt
