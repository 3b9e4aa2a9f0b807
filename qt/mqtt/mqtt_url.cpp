#include "mqtt_url.h"

#include <charconv>

namespace vyx::mqtt {
namespace {

Status Refuse(std::string_view text, std::string_view why) {
  return Status::Fail("bad broker URL \"" + std::string(text) + "\": " + std::string(why));
}

}  // namespace

Status ParseMqttUrl(std::string_view text, MqttUrl& url) {
  MqttUrl parsed;
  std::string_view rest = text;
  if (rest.starts_with("mqtt://")) {
    rest.remove_prefix(7);
  } else if (rest.starts_with("mqtts://")) {
    rest.remove_prefix(8);
    parsed.tls = true;
    parsed.port = kMqttsPort;
  } else {
    return Refuse(text, "it must start with mqtt:// or mqtts://");
  }
  // A bare trailing slash is harmless; a path or a query means something we do not do.
  if (rest.ends_with('/')) rest.remove_suffix(1);
  if (rest.find_first_of("/?#") != std::string_view::npos)
    return Refuse(text, "a broker URL has no path");
  if (rest.find('@') != std::string_view::npos)
    return Refuse(text, "give the user and password with --mqtt-user and --mqtt-password");

  std::string_view portText;
  bool hasPort = false;
  if (rest.starts_with('[')) {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return Refuse(text, "no ']' after the IPv6 address");
    parsed.host = std::string(rest.substr(1, close - 1));
    rest.remove_prefix(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return Refuse(text, "only a port may follow the address");
      portText = rest.substr(1);
      hasPort = true;
    }
  } else {
    const auto colon = rest.find(':');
    parsed.host = std::string(rest.substr(0, colon));
    if (colon != std::string_view::npos) {
      portText = rest.substr(colon + 1);
      hasPort = true;
      if (portText.find(':') != std::string_view::npos)
        return Refuse(text, "write an IPv6 address in brackets: mqtt://[::1]:1883");
    }
  }
  if (parsed.host.empty()) return Refuse(text, "the host is missing");
  if (hasPort) {
    int port = 0;
    const auto r = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (portText.empty() || r.ec != std::errc() || r.ptr != portText.data() + portText.size() ||
        port < 1 || port > 65535)
      return Refuse(text, "the port must be a number 1 to 65535");
    parsed.port = port;
  }
  url = std::move(parsed);
  return Status::Ok();
}

std::string ToString(const MqttUrl& url) {
  const bool v6 = url.host.find(':') != std::string::npos;
  return std::string(url.tls ? "mqtts://" : "mqtt://") + (v6 ? "[" : "") + url.host +
         (v6 ? "]" : "") + ":" + std::to_string(url.port);
}

}  // namespace vyx::mqtt
