// Where a port position leads: a serial device path; a raw TCP connection written as
// tcp://HOST:PORT (a serial line served over the network, as ser2net does in raw mode); or
// rfc2217://HOST:PORT, a Telnet connection over which the line settings are sent too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "control/status.h"

namespace vyx::qt {

struct Device {
  enum class Kind : std::uint8_t { Tty, Tcp, Rfc2217 };
  Kind kind = Kind::Tty;
  std::string path;        // Tty: the device path
  std::string host;        // Tcp, Rfc2217: host name or address, without IPv6 brackets
  std::uint16_t port = 0;  // Tcp, Rfc2217
};

// Parses a device text; a failure names what is wrong with it.
Status ParseDevice(std::string_view text, Device& device);

}  // namespace vyx::qt
