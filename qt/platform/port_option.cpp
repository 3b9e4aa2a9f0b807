#include "platform/port_option.h"

#include <charconv>

#include "platform/port_map.h"

namespace vyx::qt {

std::optional<PortOption> ParsePortOption(std::string_view value, std::string& error) {
  const auto eq = value.find('=');
  int comm = 0;
  const char* end = value.data() + (eq == std::string_view::npos ? 0 : eq);
  const auto [stop, ec] = std::from_chars(value.data(), end, comm);
  if (eq == std::string_view::npos || eq == 0 || ec != std::errc() || stop != end || comm < 1 ||
      comm > PortMap::kPorts || eq + 1 >= value.size()) {
    error = "--port takes N=DEVICE with N from 1 to 8";
    return std::nullopt;
  }
  PortOption option{comm, std::string(value.substr(eq + 1))};
  // Checked on a scratch map, so that a device nobody could open is refused up front.
  PortMap scratch;
  if (const Status s = scratch.Set(comm, option.device); !s.ok()) {
    error = "--port " + std::string(value) + ": " + s.message();
    return std::nullopt;
  }
  return option;
}

}  // namespace vyx::qt
