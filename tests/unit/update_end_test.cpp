// The end of each update as the host hears it: exactly once per press of Update, success
// after its NewData, failure with the reason, in the order the updates ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "control/vyx.h"
#include "fake_clock.h"
#include "fake_port.h"
#include "manual_timer.h"

namespace vyx::test {
namespace {

struct EndHost : Host {
  void PropertyChanged(std::string_view) override {}
  void NewData() override {
    heard.push_back("NewData");
    if (onNewData) onNewData();
  }
  void UpdateEnded(const UpdateEnd& end) override {
    heard.push_back("ended " + std::to_string(end.address) + " " +
                    (end.ok() ? "ok" : "failed: " + end.Describe()));
  }
  std::vector<std::string> heard;
  std::function<void()> onNewData;
};

struct Board {
  FakeClock clock;
  FakePort port{clock};
  ManualTimer timer;
  EndHost host;
  Vyx vyx{port, timer, clock, &host};

  void Update() { ASSERT_TRUE(vyx.Set("UpdateCmd", true).ok()); }
  void Answer(std::uint8_t fw = 12, std::uint8_t sum_offset = 0) {
    std::vector<std::uint8_t> reply(25, 0);
    reply[0] = fw;
    reply.push_back(
        static_cast<std::uint8_t>(std::accumulate(reply.begin(), reply.end(), 0u) + sum_offset));
    port.Deliver(reply);
  }
  // Lets every try of the running update time out.
  void Silence() {
    for (int i = 0; i < 10 && vyx.UpdateInProgress(); ++i) {
      clock.Advance(0.5);
      timer.Fire();
    }
  }
};

using Strings = std::vector<std::string>;

struct Row {
  const char* name;
  std::function<void(Board&)> run;
  Strings heard;
};

const Row kRows[] = {
    {"Answered",
     [](Board& b) {
       b.Update();
       b.Answer();
     },
     {"NewData", "ended 0 ok"}},
    {"Silent",
     [](Board& b) {
       b.Update();
       b.Silence();
     },
     {"ended 0 failed: no reply"}},
    {"CorruptEveryTry",
     [](Board& b) {
       b.Update();
       for (int i = 0; i < 3; ++i) b.Answer(12, 1);
     },
     {"ended 0 failed: corrupt reply"}},
    {"NoPortChosen",
     [](Board& b) {
       (void)b.vyx.Click(Field::CmbComm, 0);
       b.Update();
     },
     {"ended 0 failed: port not open: no port chosen"}},
    {"DeviceVanishes",
     [](Board& b) {
       b.Update();
       b.port.RaiseEvent(CommEvent::Vanished);
     },
     {"ended 0 failed: device gone: scripted failure"}},
    {"WriteRefused",
     [](Board& b) {
       b.port.Fail(FakePort::Op::Write);
       b.Update();
     },
     {"ended 0 failed: port error: scripted failure"}},
    {"AddressChangedMidway",
     [](Board& b) {
       b.Update();
       (void)b.vyx.Click(Field::CmbMicro, 2);
       b.Silence();
     },
     {"ended 0 failed: cancelled"}},
    {"SecondPressWhileBusy",
     [](Board& b) {
       b.Update();
       b.Update();
       b.Answer();
     },
     {"ended 0 failed: not ready", "NewData", "ended 0 ok"}},
    {"RecoversAfterASilentTry",
     [](Board& b) {
       b.Update();
       b.clock.Advance(0.5);
       b.timer.Fire();
       b.Answer();
     },
     {"NewData", "ended 0 ok"}},
};

class UpdateEndTest : public ::testing::TestWithParam<Row> {};

TEST_P(UpdateEndTest, HostHearsEachEndOnceWithItsReason) {
  Board b;
  (void)b.vyx.Click(Field::CmbComm, 1);
  GetParam().run(b);
  EXPECT_EQ(b.host.heard, GetParam().heard);
  EXPECT_FALSE(b.vyx.UpdateInProgress());
}

INSTANTIATE_TEST_SUITE_P(Ends, UpdateEndTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A host that starts the next update from NewData hears this update's end first.
TEST(UpdateEnd, NextUpdateStartedFromNewDataEndsAfterThisOne) {
  Board b;
  (void)b.vyx.Click(Field::CmbComm, 1);
  bool again = true;
  b.host.onNewData = [&] {
    if (!std::exchange(again, false)) return;
    b.port.Fail(FakePort::Op::Write);
    b.Update();
  };
  b.Update();
  b.Answer();
  EXPECT_EQ(b.host.heard,
            (Strings{"NewData", "ended 0 ok", "ended 0 failed: port error: scripted failure"}));
}

// A host that presses Update again from every failed end hears them one after another, not
// nested inside each other: a dead port must not grow the stack.
TEST(UpdateEnd, RestartFromAFailedEndDoesNotNest) {
  Board b;
  (void)b.vyx.Click(Field::CmbComm, 1);
  b.port.Fail(FakePort::Op::Write);
  struct Restarter : EndHost {
    Vyx* vyx = nullptr;
    int depth = 0, deepest = 0, left = 200;
    void UpdateEnded(const UpdateEnd& end) override {
      EndHost::UpdateEnded(end);
      deepest = std::max(deepest, ++depth);
      if (left-- > 0) (void)vyx->Set("UpdateCmd", true);
      --depth;
    }
  } host;
  host.vyx = &b.vyx;
  b.vyx.SetHost(&host);
  b.Update();
  EXPECT_EQ(host.heard.size(), 201u);
  EXPECT_EQ(host.deepest, 1);
}

// The numbers behind the texts come from the same verified reply.
TEST(UpdateEnd, TypedReadingsMatchTheShownTexts) {
  Board b;
  (void)b.vyx.Click(Field::CmbComm, 1);
  EXPECT_FALSE(b.vyx.LastReadings());
  b.Update();
  std::vector<std::uint8_t> regs(25, 0);
  regs[0] = 12;          // firmware 1.2
  regs[2] = 0b00100101;  // DIF, DIN in; DOE out
  regs[3] = 0x80;        // AD0 high byte
  regs[16] = 0x01;       // DIF count 0x000100 = 256 (registers 0x30..0x32)
  regs[24] = 80;         // DOG 50 %
  regs.push_back(static_cast<std::uint8_t>(std::accumulate(regs.begin(), regs.end(), 0u)));
  b.port.Deliver(regs);
  const auto r = b.vyx.LastReadings();
  ASSERT_TRUE(r);
  EXPECT_DOUBLE_EQ(r->firmware, 1.2);
  EXPECT_EQ(b.vyx.Fields().Text(Field::TxtAD0), "2.502");
  EXPECT_NEAR(r->volts[0], 2.5024, 1e-4);
  EXPECT_EQ(r->difCount, 256u);
  EXPECT_EQ(b.vyx.Fields().Text(Field::TxtDIF), "256");
  EXPECT_DOUBLE_EQ(r->dogPercent, 50.0);
  EXPECT_TRUE(r->dif && r->din && r->doe);
  EXPECT_FALSE(r->dit || r->dis || r->don);
}

}  // namespace
}  // namespace vyx::test
