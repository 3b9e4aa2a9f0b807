#include "platform/device.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace vyx::qt {
namespace {

constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::string_view kRfc2217Scheme = "rfc2217://";

// Both network forms are HOST:PORT after their scheme.
Status ParseNetwork(std::string_view text, std::string_view scheme, Device& device) {
  const std::string_view rest = text.substr(scheme.size());
  const std::string why =
      "'" + std::string(text) + "' is not " + std::string(scheme) + "HOST:PORT: ";
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos) return Status::Fail(why + "no port");
  std::string_view host = rest.substr(0, colon);
  const std::string_view port = rest.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);  // an IPv6 address
  } else if (host.find_first_of("[]:") != std::string_view::npos) {
    return Status::Fail(why + "an IPv6 address needs brackets");
  }
  if (host.empty()) return Status::Fail(why + "no host");
  if (host.find_first_of("/ \t") != std::string_view::npos) {
    return Status::Fail(why + "bad host");
  }
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value == 0 ||
      value > 65535) {
    return Status::Fail(why + "the port must be a number from 1 to 65535");
  }
  device.kind = scheme == kTcpScheme ? Device::Kind::Tcp : Device::Kind::Rfc2217;
  device.path.clear();
  device.host = std::string(host);
  device.port = static_cast<std::uint16_t>(value);
  return Status::Ok();
}

// A bare name (ttyUSB0) is a device under /dev, where serial ports live; a name with a slash is
// a path, a relative one taken from the working directory now, so that the device and its lock
// do not depend on where the program stands later.
Status TtyPath(std::string_view text, std::string& path) {
  if (text.find('/') == std::string_view::npos) {
    path = "/dev/" + std::string(text);
    return Status::Ok();
  }
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(text, ec);
  if (ec) return Status::Fail("'" + std::string(text) + "': " + ec.message());
  path = absolute.string();
  return Status::Ok();
}

}  // namespace

Status ParseDevice(std::string_view text, Device& device) {
  if (text.empty()) return Status::Fail("empty device");
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) {
      return Status::Fail("device '" + std::string(text) + "' holds a control character");
    }
  }
  for (const std::string_view scheme : {kTcpScheme, kRfc2217Scheme}) {
    if (text.starts_with(scheme)) return ParseNetwork(text, scheme, device);
  }
  if (text.find("://") != std::string_view::npos || text.starts_with("tcp:") ||
      text.starts_with("rfc2217:")) {
    return Status::Fail("'" + std::string(text) +
                        "': only device paths, tcp://HOST:PORT and rfc2217://HOST:PORT");
  }
  device.kind = Device::Kind::Tty;
  if (Status s = TtyPath(text, device.path); !s) return s;
  device.host.clear();
  device.port = 0;
  return Status::Ok();
}

}  // namespace vyx::qt
