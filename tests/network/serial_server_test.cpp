// The board through a real ser2net: raw, where the server owns the line settings, and over
// Telnet, where the component sends them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include "board_rig.h"
#include "ser2net.h"

namespace vyx::test {
namespace {

// The server sets the device to its connector's 9600 8N2; what the device reads once the
// component has opened and run an update (a pseudo-terminal keeps 8 bits, no parity).
struct Served {
  const char* name;
  Ser2net::Mode mode;
  speed_t speed;
  tcflag_t framing;
};

class OverSer2net : public ::testing::TestWithParam<Served> {};

TEST_P(OverSer2net, TheBoardReadsAsItHoldsItAndTheLineIsSetWhereTheComponentCan) {
  sim::Options o;
  o.line_rate = true;
  o.board.analog[4] = sim::Waveform::Constant(5.0);  // answered as 0xFF 0xE0
  Ser2net server;
  BoardRig rig(
      o, [&](const std::string& pty) { return server.Serve(pty, GetParam().mode, "9600n82"); });
  ASSERT_TRUE(rig.Update());
  EXPECT_EQ(rig.Get("AD4volt") + " " + rig.Get("IDstring"), "5.000 Vantrel");
  rig.Set("IDstring", std::string("Zürich-1"));
  ASSERT_TRUE(rig.Update());
  EXPECT_EQ(rig.Get("IDstring"), "Zürich-1");

  const int fd = ::open(rig.board.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios t{};
  ASSERT_EQ(::tcgetattr(fd, &t), 0);
  ::close(fd);
  EXPECT_EQ(cfgetospeed(&t), GetParam().speed);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB), GetParam().framing);
}

INSTANTIATE_TEST_SUITE_P(Modes, OverSer2net,
                         ::testing::Values(Served{"Raw", Ser2net::Mode::Raw, B9600, CS8 | CSTOPB},
                                           Served{"Rfc2217", Ser2net::Mode::Rfc2217, B38400, CS8}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace vyx::test
