#include "vyx/sim/control_protocol.h"

#include <gtest/gtest.h>

#include "wire.h"

namespace vyx::sim {
namespace {

// A conversation on the control line: each command and the answer it must give, in order.
TEST(ControlProtocol, CommandsAnswerOneLineEach) {
  Options o;
  o.boards = {0, 2};
  o.board.dif_rate = 0;
  Simulator sim(o);
  ASSERT_FALSE(sim.Start().empty());
  struct Step {
    const char* command;
    std::string answer;
  };
  const Step steps[] = {
      {"path", "ok " + sim.DevicePath()},
      {"input 0 din 1", "ok"},
      {"input 0 dis 1", "ok"},
      {"reg 0 0x23", "ok 12"},
      {"reg 2 0x23", "ok 0"},
      {"analog 2 1 2.5", "ok"},
      {"reg 2 0x26", "ok 127"},  // 32736 = 0x7FE0
      {"reg 2 0x27", "ok 224"},
      {"analog 2 1 sine:2.5,1,2", "ok"},
      {"dit-period 0 0.8", "ok"},
      {"reg 0 0x33", "ok 15"},  // 1000000 counts = 0x0F4240
      {"reg 0 0x36 125", "ok"},
      {"reg 0 0x38 80", "ok"},
      {"outputs 0", "ok don=0 doe=0 dok=0 dos=0 pwm=32000 dpw=80 dog=0"},
      {"ee 2 5 0x42", "ok"},
      {"ee 2 5", "ok 66"},
      {"ee 0 5", "ok 255"},
      {"power 0", "ok"},
      {"reg 0 0x22", "ok 6"},
      {"fault stray 0.25", "ok"},
      {"fault drop-after 7", "ok"},
      {"clear-log", "ok"},
      {"log", "ok"},
      {"counters",
       "ok frames=0 skipped=0 replies=0 silence=0 eeprom-silence=0 bad-checksum=0 stray=0 "
       "truncate=0 stray-pass=0 late=0 drops=0 junk=0"},
      {"turnaround", "ok count=0 median-us=0 p90-us=0 worst-us=0"},
      {"outputs 1", "error: no such board"},
      {"input 0 dox 1", "error: unknown input dox"},
      {"input 0 din 2", "error: level must be 0 or 1"},
      {"analog 0 5 1.0", "error: channel must be 0 to 4"},
      {"analog 0 1 square", "error: bad waveform square"},
      {"reg 0 256", "error: bad register"},
      // The limits of the command line, so that nothing the model computes can overflow.
      {"fault silence 1.5", "error: silence takes a number 0 to 1, not 1.5"},
      {"fault delay 2.5", "error: delay takes a whole number 0 to 600000, not 2.5"},
      {"fault junk-rate 1e308", "error: junk-rate takes a number 0 to 1000000, not 1e308"},
      {"dif-rate 0 1e308", "error: dif-rate takes 0 to 10000000, not 1e308"},
      {"dit-period 0 -1", "error: dit-period takes 0 to 1000, not -1"},
      {"fault gremlins 1", "error: unknown fault gremlins"},
      {"ee 0", "error: wrong number of arguments"},
      {"launch", "error: unknown command launch"},
      {"   ", "error: empty command"},
  };
  bool quit = false;
  for (const Step& step : steps) {
    EXPECT_EQ(RunControlCommand(sim, step.command, &quit), step.answer) << step.command;
  }
  EXPECT_FALSE(quit);
  EXPECT_EQ(sim.Faults().stray, 0.25);
  EXPECT_EQ(sim.Faults().drop_after, 7);
  EXPECT_EQ(RunControlCommand(sim, "quit", &quit), "ok");
  EXPECT_TRUE(quit);
}

TEST(ControlProtocol, LogShowsTheTrafficOnOneLine) {
  Simulator sim(Options{});
  const auto wire = test::Wire::OpenDevice(sim.Start());
  ASSERT_TRUE(wire.Ok());
  wire.Send("zzQ02119");
  ASSERT_EQ(wire.Receive(26, std::chrono::seconds(2)).size(), 26u);
  bool quit = false;
  const std::string log = RunControlCommand(sim, "log", &quit);
  EXPECT_EQ(log.rfind("ok skip@", 0), 0u) << log;
  EXPECT_NE(log.find(":7A7A | in@"), std::string::npos) << log;
  EXPECT_NE(log.find(":Q02119 | out@"), std::string::npos) << log;
  EXPECT_EQ(log.find('\n'), std::string::npos);
  EXPECT_EQ(RunControlCommand(sim, "clear-log", &quit), "ok");
  EXPECT_EQ(RunControlCommand(sim, "log", &quit), "ok");
  EXPECT_EQ(RunControlCommand(sim, "reconnect", &quit), "ok " + sim.DevicePath());
}

}  // namespace
}  // namespace vyx::sim
