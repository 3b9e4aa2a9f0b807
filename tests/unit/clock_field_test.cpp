// The clock field: elapsed time from the board counter and the host clock, and the field
// it advances.
#include "protocol/clock_field.h"

#include <gtest/gtest.h>

#include <string>

#include "rig.h"

namespace vyx {
namespace {

using protocol::kBoardWrap;

TEST(ClockArithmetic, CounterAndHostElapsed) {
  EXPECT_DOUBLE_EQ(protocol::BoardClockSeconds(0x10, 0x00), 2.048);
  EXPECT_DOUBLE_EQ(protocol::BoardClockSeconds(0xFF, 0xFF), 32.7675);
  // A counter that went back has wrapped once.
  EXPECT_NEAR(protocol::BoardElapsed(32.640, 0.128), 0.256, 1e-12);
  EXPECT_NEAR(protocol::BoardElapsed(2.048, 3.072), 1.024, 1e-12);
  EXPECT_EQ(protocol::BoardElapsed(5.0, 5.0), 0.0);
  // Host midnight between two decodes.
  EXPECT_DOUBLE_EQ(protocol::HostElapsed(86399.0, 2.0), 3.0);
  EXPECT_DOUBLE_EQ(protocol::HostElapsed(100.0, 101.0), 1.0);
}

struct EstimateCase {
  const char* name;
  double dBoard;
  double dHost;
  double est;
};

class EstimateElapsedTest : public ::testing::TestWithParam<EstimateCase> {};

TEST_P(EstimateElapsedTest, StaysWithinHalfAWrapOfTheHost) {
  const EstimateCase& c = GetParam();
  const double est = protocol::EstimateElapsed(c.dBoard, c.dHost);
  EXPECT_NEAR(est, c.est, 1e-9);
  EXPECT_LE(est, c.dHost + kBoardWrap / 2);
  EXPECT_GE(est, c.dHost - kBoardWrap / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EstimateElapsedTest,
    ::testing::Values(EstimateCase{"BoardAgrees", 1.024, 1.0, 1.024},
                      EstimateCase{"CounterWrapped", 0.256, 0.3, 0.256},
                      EstimateCase{"LongGapCountsTwoWraps", 5.0, 70.2, 2 * 32.768 + 5.0},
                      EstimateCase{"BoardAheadBeyondHalfAWrap", 20.0, 1.0, 20.0 - 32.768},
                      EstimateCase{"BoardBehindBeyondHalfAWrap", 1.0, 31.0, 33.768},
                      EstimateCase{"NothingPassed", 0.0, 0.0, 0.0}),
    [](const auto& row) { return std::string(row.param.name); });

struct AdvanceCase {
  const char* name;
  const char* text;
  double est;
  const char* result;
};

class ClockTextTest : public ::testing::TestWithParam<AdvanceCase> {};

TEST_P(ClockTextTest, AdvancesAndWrapsOnlyAboveADay) {
  EXPECT_EQ(protocol::ClockText(GetParam().text, GetParam().est), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClockTextTest,
    ::testing::Values(AdvanceCase{"Advances", "100.0000", 1.024, "101.0240"},
                      AdvanceCase{"PastMidnight", "86399.5000", 1.0, "0.5000"},
                      AdvanceCase{"ExactlyADayIsKept", "86399.0000", 1.0, "86400.0000"},
                      AdvanceCase{"EmptyIsZero", "", 0.0, "0.0000"},
                      AdvanceCase{"Normalised", "12", 0.0, "12.0000"},
                      AdvanceCase{"GoesBack", "100.0000", -12.768, "87.2320"},
                      // Reduced only at the top: a step back below zero shows as negative.
                      AdvanceCase{"BelowZeroIsLeft", "5.0000", -12.768, "-7.7680"},
                      AdvanceCase{"OperatorText", "abc", 2.5, "2.5000"}),
    [](const auto& row) { return std::string(row.param.name); });

// UpdateClock on the component, with the board counter in the register image and the host
// clock on the fake clock.
class UpdateClockTest : public ::testing::Test {
 protected:
  void SetCounter(int count, int board = 0) {
    rig.m().RegImage[static_cast<std::size_t>(board)][0x2E] = static_cast<float>(count >> 8);
    rig.m().RegImage[static_cast<std::size_t>(board)][0x2F] = static_cast<float>(count & 0xFF);
  }
  // A previous decode of board 0 at counter `count` and the current host time.
  void Baseline(int count, const char* time) {
    SetCounter(count);
    rig.m().EEReadDue[0] = true;
    rig.f().SetText(Field::TxtTime, time);
    VyxProbe::UpdateClock(rig.vyx);
    rig.m().EEReadDue[0] = false;
  }
  void Decode(int count, double hostSeconds) {
    SetCounter(count);
    rig.clock.Advance(hostSeconds);
    VyxProbe::UpdateClock(rig.vyx);
  }

  test::Rig rig;
};

TEST_F(UpdateClockTest, FirstDecodeKeepsTheValueAndNormalisesItsText) {
  for (const auto& [before, after] :
       {std::pair{"", "0.0000"}, std::pair{"12", "12.0000"}, std::pair{"100.0000", "100.0000"}}) {
    rig.clock.Advance(3.0);
    Baseline(0x1234, before);
    EXPECT_EQ(rig.text(Field::TxtTime), after);
    EXPECT_EQ(rig.text(Field::BufTime), after);
    EXPECT_EQ(rig.m().TimeCache[0], after);
    EXPECT_DOUBLE_EQ(rig.m().PrevBoardClock[0], 0x1234 * 0.0005);
    EXPECT_EQ(rig.m().PrevHostTime[0], static_cast<float>(rig.clock.TimeOfDay()));
  }
}

TEST_F(UpdateClockTest, AdvancesByTheBoardTimeSinceTheLastDecode) {
  struct Row {
    const char* name;
    double timeOfDay;  // host time at the baseline
    int before;
    const char* text;
    int now;
    double host;
    const char* result;
  };
  const Row rows[] = {
      {"worked case", 36000, 0x1000, "100.0000", 0x1800, 1.0, "101.0240"},
      {"nothing passed", 36000, 0x1000, "100.0000", 0x1000, 0.0, "100.0000"},
      {"counter wrapped", 36000, 0xFF00, "100.0000", 0x0100, 0.3, "100.2560"},
      {"whole wraps from the host", 36000, 0, "0.0000", 10000, 70.2, "70.5360"},
      {"board ahead: goes back", 36000, 0, "100.0000", 40000, 1.0, "87.2320"},
      {"host midnight", 86399.0, 0, "50.0000", 6000, 3.0, "53.0000"},
      {"field wraps above a day", 36000, 0, "86399.5000", 2000, 1.0, "0.5000"},
      {"exactly a day is kept", 36000, 0, "86399.0000", 2000, 1.0, "86400.0000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    rig.clock.SetTimeOfDay(row.timeOfDay);
    Baseline(row.before, row.text);
    Decode(row.now, row.host);
    EXPECT_EQ(rig.text(Field::TxtTime), row.result);
    EXPECT_EQ(rig.text(Field::BufTime), row.result);
    EXPECT_EQ(rig.m().TimeCache[0], row.result);
  }
}

TEST_F(UpdateClockTest, LeavesTheBufferAloneWhileTheOperatorTypes) {
  Baseline(0x1000, "100.0000");
  rig.f().SetText(Field::BufTime, "5");
  rig.m().TimeEditing = true;
  Decode(0x1800, 1.0);
  EXPECT_EQ(rig.text(Field::TxtTime), "101.0240");
  EXPECT_EQ(rig.text(Field::BufTime), "5");
  EXPECT_EQ(rig.m().TimeCache[0], "101.0240");
}

TEST_F(UpdateClockTest, ANewValueIsTheBaseForTheNextStep) {
  Baseline(0x1000, "100.0000");
  rig.f().SetText(Field::TxtTime, "7");
  Decode(0x1800, 1.0);
  EXPECT_EQ(rig.text(Field::TxtTime), "8.0240");
}

TEST_F(UpdateClockTest, EachBoardKeepsItsOwnBaselines) {
  Baseline(0x1000, "100.0000");
  // Board 1 decoded in between: its own counter and baselines, board 0's untouched.
  rig.m().MicroIndex = 1;
  rig.m().EEReadDue[1] = true;
  SetCounter(0x8000, 1);
  rig.clock.Advance(2.0);
  VyxProbe::UpdateClock(rig.vyx);
  EXPECT_DOUBLE_EQ(rig.m().PrevBoardClock[1], 0x8000 * 0.0005);
  EXPECT_DOUBLE_EQ(rig.m().PrevBoardClock[0], 0x1000 * 0.0005);

  // Back on board 0 with its cached text: the whole time away counts.
  rig.m().MicroIndex = 0;
  rig.f().SetText(Field::TxtTime, rig.m().TimeCache[0]);
  Decode(0x1000 + 6000, 1.0);  // 3.0 s on board 0's counter, 3.0 s on the host
  EXPECT_EQ(rig.text(Field::TxtTime), "103.0000");
}

}  // namespace
}  // namespace vyx
