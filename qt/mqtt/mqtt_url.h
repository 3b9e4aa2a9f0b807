// Where the broker is: mqtt://HOST[:PORT] or mqtts://HOST[:PORT], read by a pure function so
// that a wrong URL is refused before anything connects.
#pragma once

#include <string>
#include <string_view>

#include "control/status.h"

namespace vyx::mqtt {

struct MqttUrl {
  bool tls = false;
  std::string host;  // a name or an address; an IPv6 address without its brackets
  int port = 1883;
};

inline constexpr int kMqttPort = 1883;
inline constexpr int kMqttsPort = 8883;

// Reads `text` into `url`; a failure says what is wrong and leaves `url` as it was.
Status ParseMqttUrl(std::string_view text, MqttUrl& url);

// The URL as it reads in messages: "mqtt://localhost:1883".
std::string ToString(const MqttUrl& url);

}  // namespace vyx::mqtt
