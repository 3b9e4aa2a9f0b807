// A QtSerialPort on Comm1, mapped to a peer the test plays, with every notification recorded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "event_loop.h"
#include "peer.h"
#include "platform/port_map.h"
#include "platform/qt_serial_port.h"

namespace vyx::test {

class PortOverPeer : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    peer = MakePeer(GetParam());
    ASSERT_TRUE(map.Set(1, peer->Device())) << peer->Device();
    port = std::make_unique<qt::QtSerialPort>(map);
    port->SetListener([this](CommEvent e) {
      if (inCall) ADD_FAILURE() << "notified from inside a call into the port";
      events.push_back(e);
    });
    ASSERT_EQ(port->SetCommPort(1), IoResult::Ok);
    ASSERT_EQ(port->SetOpen(true), IoResult::Ok) << port->LastError();
    peer->Connected();
  }

  int Count(CommEvent e) const {
    int n = 0;
    for (CommEvent x : events) n += x == e ? 1 : 0;
    return n;
  }
  int InputCount() {
    int n = -1;
    EXPECT_EQ(port->InputCount(n), IoResult::Ok);
    return n;
  }
  // Sends bytes and lets the event loop deliver them.
  void Arrive(std::string_view bytes) {
    peer->Send(bytes);
    Turn(std::chrono::milliseconds(30));
  }

  std::unique_ptr<Peer> peer;
  qt::PortMap map;
  std::unique_ptr<qt::QtSerialPort> port;
  std::vector<CommEvent> events;
  bool inCall = false;  // set around blocking calls, where no notification may come
};

// A status-block sized reply: 26 bytes with zeros among them.
inline std::string Reply26() {
  std::string r;
  for (int i = 0; i < 26; ++i) r.push_back(static_cast<char>(i % 5 == 0 ? 0 : 0x20 + i));
  return r;
}

}  // namespace vyx::test
