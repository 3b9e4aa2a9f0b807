// The broker's URL: what is taken, with its default ports, and what is refused and why.
#include "mqtt_url.h"

#include <gtest/gtest.h>

namespace vyx::mqtt {
namespace {

TEST(MqttUrl, TakesHostAndPortAndRefusesWithAReason) {
  struct Row {
    const char* text;
    bool tls;
    const char* host;
    int port;
    const char* error;  // empty: taken
  };
  const Row rows[] = {
      {"mqtt://localhost", false, "localhost", 1883, ""},
      {"mqtts://broker.example:9000/", true, "broker.example", 9000, ""},
      {"mqtts://10.0.0.2", true, "10.0.0.2", 8883, ""},
      {"mqtt://[::1]:1884", false, "::1", 1884, ""},
      {"tcp://localhost", false, "", 0, "must start with mqtt:// or mqtts://"},
      {"mqtt://:1883", false, "", 0, "the host is missing"},
      {"mqtt://host:0", false, "", 0, "the port must be a number 1 to 65535"},
      {"mqtt://host:65536", false, "", 0, "the port must be a number 1 to 65535"},
      {"mqtt://host:12x", false, "", 0, "the port must be a number 1 to 65535"},
      {"mqtt://host/topic", false, "", 0, "a broker URL has no path"},
      {"mqtt://user:pw@host", false, "", 0, "--mqtt-user and --mqtt-password"},
      {"mqtt://::1", false, "", 0, "write an IPv6 address in brackets"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    MqttUrl url{true, "before", 1};
    const Status s = ParseMqttUrl(r.text, url);
    if (*r.error) {
      EXPECT_NE(s.message().find(r.error), std::string::npos) << s.message();
      EXPECT_EQ(url.host, "before");  // a refused URL changes nothing
      continue;
    }
    ASSERT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(url.tls, r.tls);
    EXPECT_EQ(url.host, r.host);
    EXPECT_EQ(url.port, r.port);
  }
}

}  // namespace
}  // namespace vyx::mqtt
