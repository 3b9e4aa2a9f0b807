// Boards at two addresses on one line, each with its own component over the shared line: they
// take turns, each hears only the reply to its own request, the line opens with the first and
// closes with the last, and a device that goes away takes every board offline.
#include "link/shared_line.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "rig.h"

namespace vyx::test {
namespace {

struct Board {
  Board(SerialPort& port, FakeClock& clock, int address) : vyx(port, timer, clock, &host) {
    (void)vyx.Click(Field::CmbComm, 1);
    (void)vyx.Click(Field::CmbMicro, address);
  }
  std::string Get(std::string_view name) const {
    PropValue v;
    return vyx.Get(name, v) ? Show(v) : "<unknown>";
  }
  void Update() { (void)vyx.Set("UpdateCmd", true); }

  ManualTimer timer;
  RecordingHost host;
  Vyx vyx;
};

struct TwoBoards : ::testing::Test {
  FakeClock clock;
  FakePort port{clock};
  SharedLine line{port};
  Board a{line.AddPort(), clock, 0}, b{line.AddPort(), clock, 2};
};

TEST_F(TwoBoards, TakeTurnsAndEachHearsItsOwnReply) {
  EXPECT_EQ(std::count(port.log.begin(), port.log.end(), "Open"), 1);
  const struct {
    Board& asks;
    const char* request;
    std::uint8_t firmware;  // register 0x21: the revision times ten
  } turns[] = {{a, "Q02119", 10}, {b, "Q22119", 23}, {a, "Q02119", 10}};
  for (const auto& t : turns) {
    const int before = t.asks.host.newData;
    t.asks.Update();
    EXPECT_EQ(port.frames.back(), t.request);
    port.Deliver(StatusReply({t.firmware}));
    EXPECT_EQ(t.asks.host.newData, before + 1) << t.request;
  }
  EXPECT_EQ(a.Get("FWver") + " " + b.Get("FWver"), "1.0 2.3");
  EXPECT_EQ(a.host.newData + b.host.newData, 3);

  // One board letting go leaves the line to the other; the last closes it.
  (void)b.vyx.Click(Field::CmbComm, 0);
  EXPECT_TRUE(port.IsOpen());
  a.Update();
  port.Deliver(StatusReply({10}));
  EXPECT_EQ(a.host.newData, 3);
  (void)a.vyx.Click(Field::CmbComm, 0);
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(TwoBoards, AVanishedDeviceTakesEveryBoardOffline) {
  a.Update();
  port.RaiseEvent(CommEvent::Vanished);
  EXPECT_EQ(a.host.ends, Strings{"ended 0 device gone: scripted failure"});
  EXPECT_EQ(a.Get("CommStatus") + " " + b.Get("CommStatus"), "Offline Offline");
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace vyx::test
