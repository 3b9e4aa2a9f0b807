// How an update ended, as the host hears it: once per update, success after NewData, or
// failure with its reason.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vyx {

enum class UpdateFailure : std::uint8_t {
  None,          // the update succeeded
  NoReply,       // the board did not answer any of the tries
  CorruptReply,  // answers came, but none was a whole reply with a good checksum
  PortNotOpen,   // no port is open (none chosen, nothing mapped, or the open failed)
  DeviceGone,    // the device went away during the update
  PortError,     // the port refused a write or a setting
  Cancelled,     // the port or address was changed, or Clear pressed, during the update
  NotReady,      // Update was pressed while the status was not "Ready": nothing was sent
};

// "no reply", "corrupt reply", ...; "ok" for None.
std::string_view ToString(UpdateFailure failure);

struct UpdateEnd {
  int address = 0;  // the board the update talked to
  UpdateFailure failure = UpdateFailure::None;
  std::string detail;  // the platform's own words where it gave any ("Comm2 is not mapped...")

  bool ok() const { return failure == UpdateFailure::None; }
  // "ok", or the reason with its detail: "port not open: Comm2 is not mapped".
  std::string Describe() const;
};

}  // namespace vyx
