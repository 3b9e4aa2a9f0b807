// Whole updates against the simulated board: readings, time-outs, output writes, the
// identifier and calibration records in its EEPROM, and faulty replies.
#include <gtest/gtest.h>

#include "board_rig.h"

namespace vyx::test {
namespace {

using std::chrono::steady_clock;

sim::Options SteadyBoard() {
  sim::Options o;
  o.board.analog = {sim::Waveform::Constant(0.5), sim::Waveform::Constant(1.25),
                    sim::Waveform::Constant(2.5), sim::Waveform::Constant(3.75),
                    sim::Waveform::Constant(4.9)};
  o.board.firmware = 1.3;
  return o;
}

TEST(UpdateOnBoard, SilentBoardFailsThreeTriesAtTheirFirstLateTickWithinASecond) {
  sim::Options o = SteadyBoard();
  o.faults.silence = 1.0;
  BoardRig rig(o);
  const auto start = steady_clock::now();
  ASSERT_TRUE(rig.Update());
  const double elapsed = std::chrono::duration<double>(steady_clock::now() - start).count();
  EXPECT_EQ(rig.ends.back().failure, UpdateFailure::NoReply);
  EXPECT_EQ(rig.TakeExchanges().size(), 3u);
  // Each try fails at the first 110 ms tick at or after 0.11 s: never sooner, never much later.
  EXPECT_GE(elapsed, 0.33);
  EXPECT_LT(elapsed, 1.0);
}

// The readings come with one NewData; pending outputs go out once the board has answered,
// the PWM write last, its reply closing the update.
TEST(UpdateOnBoard, ShowsTheBoardsReadingsAndSendsThePendingOutputs) {
  BoardRig rig(SteadyBoard());
  ASSERT_TRUE(rig.Update());
  EXPECT_EQ(rig.newData, 1);
  EXPECT_EQ(rig.Get("AD0volt") + " " + rig.Get("AD1volt") + " " + rig.Get("AD2volt") + " " +
                rig.Get("AD3volt") + " " + rig.Get("AD4volt") + " " + rig.Get("FWver"),
            "0.500 1.250 2.500 3.750 4.900 1.3");
  rig.TakeExchanges();
  rig.Set("PWMduty", std::string("33.3"));
  rig.Set("DONstate", std::int16_t{1});
  ASSERT_TRUE(rig.Update());
  std::vector<std::string> frames;
  for (const Exchange& x : rig.TakeExchanges()) frames.push_back(x.frame);
  EXPECT_EQ(frames, (std::vector<std::string>{"p0023103", "u00365340E"}));
  EXPECT_EQ(rig.Get("PWMduty"), "33.300");
  EXPECT_EQ(rig.newData, 2);
}

// Only verified bytes become readings: new readings that arrive with a wrong checksum, then
// the port closing while the retry is out, leave what the last good reply showed.
TEST(UpdateOnBoard, ARejectedReplyThenThePortClosingLeavesTheLastVerifiedReadings) {
  sim::Options o = SteadyBoard();
  o.line_rate = true;
  BoardRig rig(o);
  ASSERT_TRUE(rig.Update());
  rig.board.SetAnalog(0, 1, sim::Waveform::Constant(3.0));
  sim::FaultSettings f;
  f.bad_checksum = 1.0;
  rig.board.SetFaults(f);
  rig.TakeExchanges();
  rig.Set("UpdateCmd", true);
  std::size_t asked = 0;
  ASSERT_TRUE(TurnUntil([&] { return (asked += rig.TakeExchanges().size()) >= 2; }));
  rig.Set("CommPort", std::string("0"));
  EXPECT_EQ(rig.Get("AD1volt"), "1.250");
  EXPECT_EQ(rig.ends.back().failure, UpdateFailure::Cancelled);
  EXPECT_EQ(rig.newData, 1);
}

TEST(RecordsOnBoard, WrittenFromThePropertiesComeBackAsTheBoardKeptThem) {
  BoardRig rig({});
  ASSERT_TRUE(rig.Update());  // first answer: the erased EEPROM reads as the defaults
  EXPECT_EQ(rig.Get("IDstring") + " " + rig.Get("Vrefvolt"), "Vantrel 5.0000");
  rig.Set("IDstring", std::string("Zürich-12"));
  rig.Set("Vrefvolt", std::string("4.9876"));
  ASSERT_TRUE(rig.Update());
  // What the board returned, not what was typed: eight bytes, 0.1 mV truncated.
  EXPECT_EQ(rig.Get("IDstring") + " " + rig.Get("Vrefvolt"), "Zürich-1 4.9875");
  EXPECT_EQ(rig.board.ReadEeprom(0, 2), 'Z');
}

TEST(RecordsOnBoard, BoardSilentOnEepromReadsGivesTheDefaultsWithinTheTimeBound) {
  sim::Options o;
  o.faults.eeprom_silence = 1.0;
  BoardRig rig(o);
  ASSERT_TRUE(rig.board.WriteEeprom(0, 1, 0xA5));
  ASSERT_TRUE(rig.board.WriteEeprom(0, 2, 'X'));
  const auto start = steady_clock::now();
  ASSERT_TRUE(rig.Update());
  const std::chrono::duration<double> elapsed = steady_clock::now() - start;
  EXPECT_EQ(rig.Get("IDstring") + " " + rig.Get("Vrefvolt"), "Vantrel 5.0000");
  EXPECT_EQ(rig.newData, 1);
  // Three failed byte reads (the marker, then the two calibration bytes) of 0.275 s each.
  EXPECT_GE(elapsed.count(), 3 * 0.275);
  EXPECT_LT(elapsed.count(), 1.5);
}

// Faults harmless unpaced (a stray byte, a late reply) show on a line paced like a 38400-baud
// wire, when the rest of a reply is still on the wire as the next request goes out.
class ReplyFaults : public ::testing::TestWithParam<FaultRun> {};

TEST_P(ReplyFaults, NothingButTheAnswerToTheLastRequestIsShown) {
  ExpectOnlyTheLastAnswerShown(GetParam());
}

using F = sim::FaultSettings;

F With(double F::*kind, double p, int ms = 150) {
  F f;
  f.*kind = p;
  f.delay_ms = ms;
  return f;
}

F Mixed() {  // every kind at once
  F f = With(&F::eeprom_stray, 0.1);
  f.silence = f.bad_checksum = f.stray = f.stray_pass = f.truncate = f.late = 0.02;
  return f;
}

// A late reply costs its own try and the one it overlaps.
INSTANTIATE_TEST_SUITE_P(
    Line, ReplyFaults,
    ::testing::Values(FaultRun{"BadChecksum", false, With(&F::bad_checksum, 0.1), 1},
                      FaultRun{"Truncated", false, With(&F::truncate, 0.1), 1},
                      FaultRun{"StrayByte", false, With(&F::stray, 0.1), 1},
                      FaultRun{"PacedStrayByte", true, With(&F::stray, 0.05), 1},
                      FaultRun{"StrayWhoseWindowPasses", true, With(&F::stray_pass, 0.05), 1},
                      FaultRun{"ReplyStillArrivingAtRetry", true, With(&F::late, 0.05, 215), 2},
                      FaultRun{"SlowBoardInOrder", true, With(&F::late, 0.05), 2},
                      FaultRun{"PacedTruncated", true, With(&F::truncate, 0.05), 1},
                      FaultRun{"MixedSoak", true, Mixed(), 2, 400}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ReplyFault, StrayBytesBeforeEepromRepliesNeverBecomeTheRecords) {
  sim::Options o;
  o.line_rate = true;
  o.seed = 3;
  o.faults.eeprom_stray = 0.3;
  BoardRig rig(o);
  // The identifier and a calibration of 4.8 V (48000 tenths of a millivolt).
  const std::string record = std::string(
                                 "\xA5"
                                 "BOARD-7\0",
                                 9) +
                             "\xBB\x80";
  for (std::size_t i = 0; i < record.size(); ++i) {
    ASSERT_TRUE(rig.board.WriteEeprom(0, std::uint8_t(1 + i), std::uint8_t(record[i])));
  }
  ASSERT_TRUE(rig.Update());
  EXPECT_GT(rig.board.GetCounters().stray, 0u);
  EXPECT_EQ(rig.Get("IDstring") + " " + rig.Get("Vrefvolt"), "BOARD-7 4.8000");
}

}  // namespace
}  // namespace vyx::test
