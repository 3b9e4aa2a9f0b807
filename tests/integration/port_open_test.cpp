// Opening: port positions mapped to devices, line settings, modem controls, and the ways an
// opening fails.
#include <gtest/gtest.h>
#include <termios.h>

#include <thread>

#include "far_end.h"
#include "platform/qt_serial_port.h"

namespace vyx::test {
namespace {

// What start-up does when a port is picked. Neither a pseudo-terminal nor a TCP line has
// modem controls: they refuse them, yet the port is open.
void OpenAsStartUpDoes(qt::QtSerialPort& port, int comm) {
  ASSERT_EQ(port.SetCommPort(comm), IoResult::Ok);
  ASSERT_EQ(port.SetOpen(true), IoResult::Ok) << port.LastError();
  ASSERT_EQ(port.SetSettings("38400,n,8,1"), IoResult::Ok) << port.LastError();
  ASSERT_EQ(port.SetBinaryInput(), IoResult::Ok);
  EXPECT_EQ(port.SetRts(true), IoResult::Unsupported);
  EXPECT_EQ(port.SetDtr(false), IoResult::Unsupported);
  EXPECT_TRUE(port.IsOpen());
}

TEST(PortOpen, LinesOpenAt38400EightNoneOneAndNonsenseSettingsAreRefused) {
  FarEnd pty;
  FarEnd server(true);
  qt::PortMap map;
  ASSERT_TRUE(map.Set(2, pty.Device()));
  ASSERT_TRUE(map.Set(5, server.Device()));
  qt::QtSerialPort port(map);
  OpenAsStartUpDoes(port, 5);
  OpenAsStartUpDoes(port, 2);
  termios t{};
  ASSERT_EQ(tcgetattr(pty.Fd(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B38400);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
  for (const char* bad : {"", "38400", "38400,x,8,1", "38400,n,9,1", "38400,n,8,3", "fast,n,8,1",
                          "38400,n,8,1,1", "-1,n,8,1"}) {
    EXPECT_EQ(port.SetSettings(bad), IoResult::BadArgument) << bad;
  }
  EXPECT_TRUE(port.IsOpen());
}

TEST(PortOpen, FailedOpeningsSayWhyAndLeaveThePortClosed) {
  qt::PortMap map;
  ASSERT_TRUE(map.Set(3, "/dev/vyx-no-such-device"));
  ASSERT_TRUE(map.Set(4, FarEnd(true).Device()));  // nobody listens there any more
  FarEnd quiet(true);                              // takes the connection, never says a word
  ASSERT_TRUE(map.Set(5, "rfc2217" + quiet.Device().substr(3)));
  qt::QtSerialPort port(map);
  for (const auto& [comm, result, why] : {std::tuple{4, IoResult::NoDevice, "refused"},
                                          {5, IoResult::Failed, "is it a Telnet server"},
                                          {3, IoResult::NoDevice, "/dev/vyx-no-such-device"}}) {
    ASSERT_EQ(port.SetCommPort(comm), IoResult::Ok);
    EXPECT_EQ(port.SetOpen(true), result) << comm;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_NE(port.LastError().find(why), std::string::npos) << port.LastError();
  }
  EXPECT_EQ(port.SetCommPort(9), IoResult::BadArgument);
  EXPECT_EQ(port.CommPort(), 3);
}

// A Telnet server confirms the settings it took. One whose serial port cannot do what was
// asked fails the opening, saying so, rather than leaving a line that never answers.
TEST(PortOpen, ATelnetServerMustConfirmTheLineSettings) {
  using namespace std::string_literals;
  const std::string framing = "\xFF\xFA,f\x08\xFF\xF0\xFF\xFA,g\x01\xFF\xF0\xFF\xFA,h\x01\xFF\xF0";
  const struct {
    std::string answers;
    IoResult result;
    std::string why;
  } rows[] = {
      {"\xFF\xFA,e\0\0\x96\0\xFF\xF0"s + framing, IoResult::Ok, ""},
      {"\xFF\xFA,e\0\0\x25\x80\xFF\xF0"s + framing, IoResult::Failed,
       "the server set the line to 9600 baud, not 38400"},
      {"", IoResult::Failed, "the server did not confirm the line's settings"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    FarEnd server(true);
    qt::PortMap map;
    ASSERT_TRUE(map.Set(5, "rfc2217" + server.Device().substr(3)));
    std::thread far([&] {
      server.Accept();
      (void)server.Receive(9);                        // WILL COM-PORT, WILL BINARY, DO BINARY
      server.Send("\xFF\xFD,\xFF\xFD\0\xFF\xFB\0"s);  // agreed
      (void)server.Receive(31);                       // speed, data bits, parity, stop bits
      server.Send(row.answers);
      (void)server.Receive(1, milliseconds(4000));  // until the port lets go
    });
    qt::QtSerialPort port(map);
    // No ASSERT from here on: the far end's thread must be joined.
    EXPECT_EQ(port.SetCommPort(5), IoResult::Ok);
    EXPECT_EQ(port.SetOpen(true), row.result);
    EXPECT_EQ(port.IsOpen(), row.result == IoResult::Ok);
    EXPECT_NE(port.LastError().find(row.why), std::string::npos) << port.LastError();
    (void)port.SetOpen(false);
    far.join();
  }
}

TEST(PortMap, AnUnmappedPositionLeadsToNoDeviceAndSaysHowToMapIt) {
  qt::PortMap map;
  ASSERT_TRUE(map.Set(3, "/dev/ttyUSB0"));
  map.Clear(3);
  qt::QtSerialPort port(map);
  ASSERT_EQ(port.SetCommPort(3), IoResult::Ok);
  EXPECT_NE(port.SetOpen(true), IoResult::Ok);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastError(),
            "Comm3 is not mapped to a device: map it with --port 3=/dev/ttyUSB0, "
            "VYX_COMM3 or the port settings");
}

TEST(PortMap, ValidMappingsTakeInvalidOnesAreRefusedAndChangeNothing) {
  const std::tuple<int, const char*, bool> rows[] = {
      {1, "/dev/ttyUSB0", true},         {8, "/dev/pts/7", true},
      {2, "tcp://127.0.0.1:4001", true}, {2, "tcp://ser2net.local:65535", true},
      {2, "tcp://[::1]:7000", true},     {0, "/dev/ttyS0", false},
      {9, "/dev/ttyS0", false},          {1, "", false},
      {1, "tcp://host", false},          {1, "tcp://host:", false},
      {1, "tcp://:4001", false},         {1, "tcp://host:0", false},
      {1, "tcp://host:65536", false},    {1, "tcp://host:40a1", false},
      {1, "tcp://::1:7000", false},      {1, "tcp://host/x:7000", false},
      {1, "udp://host:7000", false},     {1, "tcp:/host:7000", false},
      {1, "/dev/tty\nS0", false},        {3, "rfc2217://127.0.0.1:4002", true},
      {3, "rfc2217://[::1]:7000", true}, {1, "rfc2217://host", false},
      {1, "rfc2217://host:0", false},    {1, "rfc2217:/host:7000", false},
  };
  for (const auto& [comm, device, valid] : rows) {
    qt::PortMap map;
    const Status s = map.Set(comm, device);
    EXPECT_EQ(s.ok(), valid) << device << ": " << s.message();
    EXPECT_EQ(map.Device(comm), valid ? device : "") << device;
  }
}

}  // namespace
}  // namespace vyx::test
