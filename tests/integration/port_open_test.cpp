// Opening and closing: line settings, modem controls, and the ways an opening fails.
#include <gtest/gtest.h>
#include <termios.h>

#include <QHostAddress>
#include <QTcpServer>

#include "event_loop.h"
#include "platform/port_map.h"
#include "platform/qt_serial_port.h"
#include "pty_pair.h"

namespace vyx::test {
namespace {

using qt::PortMap;
using qt::QtSerialPort;

// What start-up does when a port is picked; modem controls may be refused.
void OpenAsStartUpDoes(QtSerialPort& port, int comm) {
  ASSERT_EQ(port.SetCommPort(comm), IoResult::Ok);
  ASSERT_EQ(port.SetOpen(true), IoResult::Ok) << port.LastError();
  ASSERT_EQ(port.SetSettings("38400,n,8,1"), IoResult::Ok) << port.LastError();
  ASSERT_EQ(port.SetBinaryInput(), IoResult::Ok);
  const IoResult rts = port.SetRts(true);
  EXPECT_TRUE(rts == IoResult::Ok || rts == IoResult::Unsupported) << ToString(rts);
  const IoResult dtr = port.SetDtr(false);
  EXPECT_TRUE(dtr == IoResult::Ok || dtr == IoResult::Unsupported) << ToString(dtr);
  EXPECT_TRUE(port.IsOpen());
}

TEST(PortOpen, PseudoTerminalOpensRawAt38400EightNoneOne) {
  PtyPair pty;
  PortMap map;
  ASSERT_TRUE(map.Set(2, pty.SlavePath()));
  QtSerialPort port(map);
  OpenAsStartUpDoes(port, 2);
  EXPECT_EQ(port.OpenDevice(), pty.SlavePath());

  termios t{};
  ASSERT_EQ(tcgetattr(pty.Master(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B38400);
  EXPECT_EQ(cfgetispeed(&t), B38400);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  // Other settings reach the line too (a pseudo-terminal keeps 8 bits and no parity), and
  // nonsense is refused without closing the port.
  ASSERT_EQ(port.SetSettings("9600,N,8,2"), IoResult::Ok) << port.LastError();
  ASSERT_EQ(tcgetattr(pty.Master(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B9600);
  EXPECT_EQ(t.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
  for (const char* bad : {"", "38400", "38400,x,8,1", "38400,n,9,1", "38400,n,8,3", "fast,n,8,1",
                          "38400,n,8,1,1", "-1,n,8,1"}) {
    EXPECT_EQ(port.SetSettings(bad), IoResult::BadArgument) << bad;
  }
  EXPECT_TRUE(port.IsOpen());
}

TEST(PortOpen, FailedOpeningsSayWhy) {
  PortMap map;
  ASSERT_TRUE(map.Set(3, "/dev/vyx-no-such-device"));
  QtSerialPort port(map);
  ASSERT_EQ(port.SetCommPort(3), IoResult::Ok);
  EXPECT_EQ(port.SetOpen(true), IoResult::NoDevice);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_NE(port.LastError().find("/dev/vyx-no-such-device"), std::string::npos)
      << port.LastError();

  // Nobody listening on the mapped TCP port.
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  const auto free = probe.serverPort();
  probe.close();
  ASSERT_TRUE(map.Set(4, "tcp://127.0.0.1:" + std::to_string(free)));
  ASSERT_EQ(port.SetCommPort(4), IoResult::Ok);
  EXPECT_EQ(port.SetOpen(true), IoResult::NoDevice);
  EXPECT_FALSE(port.IsOpen());

  EXPECT_EQ(port.SetCommPort(0), IoResult::BadArgument);
  EXPECT_EQ(port.SetCommPort(9), IoResult::BadArgument);
  EXPECT_EQ(port.CommPort(), 4);
}

TEST(PortOpen, DeviceHeldByAnotherPortIsInUse) {
  PtyPair pty;
  PortMap map;
  ASSERT_TRUE(map.Set(1, pty.SlavePath()));
  QtSerialPort first(map);
  QtSerialPort second(map);
  ASSERT_EQ(first.SetOpen(true), IoResult::Ok) << first.LastError();
  EXPECT_EQ(second.SetOpen(true), IoResult::InUse) << second.LastError();
  ASSERT_EQ(first.SetOpen(false), IoResult::Ok);
  EXPECT_EQ(second.SetOpen(true), IoResult::Ok) << second.LastError();
}

TEST(PortOpen, TcpLineHasNoModemControlsYetOpens) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  PortMap map;
  ASSERT_TRUE(map.Set(5, "tcp://127.0.0.1:" + std::to_string(server.serverPort())));
  QtSerialPort port(map);
  OpenAsStartUpDoes(port, 5);
  EXPECT_EQ(port.SetRts(true), IoResult::Unsupported);
  EXPECT_EQ(port.SetDtr(false), IoResult::Unsupported);
  EXPECT_TRUE(port.IsOpen());
}

TEST(PortOpen, AnotherPortNumberClosesTheOpenOne) {
  PtyPair one;
  PtyPair two;
  PortMap map;
  ASSERT_TRUE(map.Set(1, one.SlavePath()));
  ASSERT_TRUE(map.Set(2, two.SlavePath()));
  QtSerialPort port(map);
  OpenAsStartUpDoes(port, 1);
  WriteAll(one.Master(), "stale");
  ASSERT_TRUE(TurnUntil(
      [&] {
        int n = 0;
        return port.InputCount(n) == IoResult::Ok && n == 5;
      },
      std::chrono::milliseconds(1000)));

  ASSERT_EQ(port.SetCommPort(2), IoResult::Ok);
  EXPECT_FALSE(port.IsOpen());
  OpenAsStartUpDoes(port, 2);
  EXPECT_EQ(port.OpenDevice(), two.SlavePath());
  int n = -1;
  ASSERT_EQ(port.InputCount(n), IoResult::Ok);
  EXPECT_EQ(n, 0) << "input of the old device must not carry over";
  ASSERT_EQ(port.Write("Q0"), IoResult::Ok);
  EXPECT_EQ(ReadSome(two.Master(), 2, std::chrono::milliseconds(2000)), "Q0");
}

TEST(PortOpen, VanishedDeviceOpensAgainWhenBack) {
  auto pty = std::make_unique<PtyPair>();
  PortMap map;
  ASSERT_TRUE(map.Set(1, pty->SlavePath()));
  QtSerialPort port(map);
  int vanished = 0;
  port.SetListener([&](CommEvent e) { vanished += e == CommEvent::Vanished ? 1 : 0; });
  OpenAsStartUpDoes(port, 1);
  pty->CloseMaster();
  ASSERT_TRUE(TurnUntil([&] { return vanished == 1; }, std::chrono::milliseconds(2000)));
  EXPECT_FALSE(port.IsOpen());

  // The host maps the device that came back and picks the port again.
  pty = std::make_unique<PtyPair>();
  ASSERT_TRUE(map.Set(1, pty->SlavePath()));
  OpenAsStartUpDoes(port, 1);
  ASSERT_EQ(port.Write("Q1"), IoResult::Ok);
  EXPECT_EQ(ReadSome(pty->Master(), 2, std::chrono::milliseconds(2000)), "Q1");
}

}  // namespace
}  // namespace vyx::test
