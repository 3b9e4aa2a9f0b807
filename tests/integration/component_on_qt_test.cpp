// The component wired to the Qt platform: it starts offline, and its port reaches a board
// on a pseudo-terminal.
#include <gtest/gtest.h>

#include "control/vyx.h"
#include "event_loop.h"
#include "platform/qt_platform.h"
#include "protocol/frames.h"
#include "pty_pair.h"

namespace vyx::test {
namespace {

using std::chrono::milliseconds;

class SilentHost : public Host {
 public:
  void PropertyChanged(std::string_view) override {}
  void NewData() override {}
};

TEST(ComponentOnQt, StartsOfflineAndItsFramesReachTheBoard) {
  PtyPair board;
  qt::Platform platform{qt::PortMap()};
  ASSERT_TRUE(platform.portMap().Set(1, board.SlavePath()));
  SilentHost host;
  Vyx vyx(platform.port(), platform.timer(), platform.clock(), &host);

  // Start-up opens nothing.
  EXPECT_FALSE(platform.port().IsOpen());
  EXPECT_EQ(vyx.Fields().Caption(Field::LblComm), "Offline");
  EXPECT_EQ(vyx.Fields().Caption(Field::LblStatus), "Ready");

  // The port opened on Comm1 as start-up opens it leads to the board.
  qt::QtSerialPort& port = platform.port();
  ASSERT_EQ(port.SetCommPort(1), IoResult::Ok);
  ASSERT_EQ(port.SetOpen(true), IoResult::Ok) << port.LastError();
  ASSERT_EQ(port.SetSettings("38400,n,8,1"), IoResult::Ok);
  ASSERT_EQ(port.SetBinaryInput(), IoResult::Ok);
  (void)port.SetRts(true);
  (void)port.SetDtr(false);

  const std::string block = protocol::BuildFrame("Q", 2, 0, 0x21, 25, 0);
  const std::string pwm = protocol::BuildFrame("u", 2, 0, 0x36, 0x01, 0xF4);
  ASSERT_FALSE(block.empty());
  ASSERT_EQ(port.Write(pwm), IoResult::Ok);
  ASSERT_EQ(port.Write(block), IoResult::Ok);
  EXPECT_EQ(ReadSome(board.Master(), pwm.size() + block.size(), milliseconds(2000)), pwm + block);

  // The board's answer is delivered to the component's reception without upsetting it.
  ASSERT_EQ(port.SetReceiveThreshold(26), IoResult::Ok);
  WriteAll(board.Master(), std::string(26, '\x01'));
  Turn(milliseconds(50));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(vyx.Fields().Caption(Field::LblStatus), "Ready");
}

}  // namespace
}  // namespace vyx::test
