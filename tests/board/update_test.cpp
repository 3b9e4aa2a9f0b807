// Whole updates against the simulated board: readings, retries under faults, time-outs and
// the PWM write.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "board_rig.h"
#include "panel/text_number.h"
#include "vyx/sim/faults.h"

namespace vyx::test {
namespace {

using std::chrono::steady_clock;

sim::Options SteadyBoard() {
  sim::Options o;
  o.board.analog = {sim::Waveform::Constant(0.5), sim::Waveform::Constant(1.25),
                    sim::Waveform::Constant(2.5), sim::Waveform::Constant(3.75),
                    sim::Waveform::Constant(4.9)};
  return o;
}

std::string VoltsFromBoard(const sim::Simulator& board, std::uint8_t hi) {
  const int raw = *board.ReadRegister(0, hi) * 256 + *board.ReadRegister(0, hi + 1);
  return FormatFixed((raw + 32) * 5.0 / 65536.0, 3);
}

TEST(UpdateOnBoard, RaisesNewDataOnceWithTheBoardsReadings) {
  BoardRig rig(SteadyBoard());
  rig.Connect();
  ASSERT_TRUE(rig.Update());
  EXPECT_EQ(rig.host.newData, 1);
  const Field ad[] = {Field::TxtAD0, Field::TxtAD1, Field::TxtAD2, Field::TxtAD3, Field::TxtAD4};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(rig.Text(ad[i]), VoltsFromBoard(*rig.board, static_cast<std::uint8_t>(0x24 + 2 * i)))
        << "AD" << i;
  }
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblFW),
            FormatFixed(*rig.board->ReadRegister(0, 0x21) / 10.0, 1));
  EXPECT_EQ(rig.StatusRequestTimes().size(), 1u);
}

TEST(UpdateOnBoard, SilentBoardFailsThreeTriesAtTheirFirstLateTickWithinASecond) {
  sim::Options o = SteadyBoard();
  o.faults.silence = 1.0;
  BoardRig rig(o);
  rig.Connect();
  const auto start = steady_clock::now();
  ASSERT_TRUE(rig.Update());
  const double elapsed = std::chrono::duration<double>(steady_clock::now() - start).count();

  EXPECT_EQ(rig.host.newData, 0);
  EXPECT_EQ(rig.Text(Field::TxtAD0), "");
  const std::vector<double> sent = rig.StatusRequestTimes();
  ASSERT_EQ(sent.size(), 3u);
  // Each try fails at the first 110 ms tick at or after 0.11 s: never sooner, and well
  // before two ticks more. The times are the board's receive times, which carry the
  // scheduling delay of a loaded machine, so the lower bound leaves 10 ms for that; a try
  // that failed without waiting for its tick would come far below it.
  for (std::size_t i = 1; i < sent.size(); ++i) {
    EXPECT_GE(sent[i] - sent[i - 1], 0.1) << "try " << i;
    EXPECT_LT(sent[i] - sent[i - 1], 0.34) << "try " << i;
  }
  EXPECT_GE(elapsed, 0.33);
  EXPECT_LT(elapsed, 1.0);
}

// A seed under which the first status reply has the fault and the second is clean.
std::uint32_t SeedFaultThenClean(const sim::FaultSettings& settings) {
  for (std::uint32_t seed = 1; seed < 10000; ++seed) {
    sim::FaultInjector injector(settings, seed);
    const sim::FaultPlan first = injector.Draw(false, 26);
    const sim::FaultPlan second = injector.Draw(false, 26);
    const bool firstFaulty = first.bad_checksum || first.stray || first.truncate;
    const bool secondClean = !second.bad_checksum && !second.stray && !second.truncate &&
                             !second.Silent() && !second.late;
    if (firstFaulty && secondClean) return seed;
  }
  ADD_FAILURE() << "no seed found";
  return 1;
}

struct FaultRow {
  const char* name;
  double sim::FaultSettings::*probability;
};

class FaultyReply : public ::testing::TestWithParam<FaultRow> {};

TEST_P(FaultyReply, CostsOneTryAndTheUpdateSucceedsOnTheNext) {
  sim::Options o = SteadyBoard();
  o.faults.*(GetParam().probability) = 0.5;
  o.seed = SeedFaultThenClean(o.faults);
  BoardRig rig(o);
  rig.Connect();
  ASSERT_TRUE(rig.Update());
  EXPECT_EQ(rig.StatusRequestTimes().size(), 2u);
  EXPECT_EQ(rig.host.newData, 1);
  EXPECT_EQ(rig.Text(Field::TxtAD2), VoltsFromBoard(*rig.board, 0x28));
}

INSTANTIATE_TEST_SUITE_P(Kinds, FaultyReply,
                         ::testing::Values(FaultRow{"BadChecksum",
                                                    &sim::FaultSettings::bad_checksum},
                                           FaultRow{"StrayByte", &sim::FaultSettings::stray},
                                           FaultRow{"Truncated", &sim::FaultSettings::truncate}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(UpdateOnBoard, PendingPwmGoesOutAsTheClosingWriteAndTheBoardHoldsIt) {
  BoardRig rig(SteadyBoard());
  rig.Connect();
  ASSERT_TRUE(rig.Update());  // the board must have answered before outputs go to it
  rig.board->ClearFrameLog();
  rig.Set("PWMduty", std::string("33.3"));
  rig.Set("DONstate", std::int16_t{1});
  ASSERT_TRUE(rig.Update());

  std::vector<std::string> in;
  for (const sim::LogEntry& e : rig.board->FrameLog()) {
    if (e.direction == sim::Direction::kIn) in.emplace_back(e.bytes.begin(), e.bytes.end());
  }
  EXPECT_EQ(in, (std::vector<std::string>{"p0023103", "u00365340E"}));
  const auto out = rig.board->ReadOutputs(0);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->pwm, 0x5340);
  EXPECT_TRUE(out->don);
  EXPECT_EQ(rig.Text(Field::TxtPWM), "33.300");
  EXPECT_EQ(rig.host.newData, 2);
}

}  // namespace
}  // namespace vyx::test
