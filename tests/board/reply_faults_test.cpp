// Reply faults on a line paced like a 38400-baud wire, against the simulated board over a
// real pseudo-terminal. Faults that are harmless unpaced (a stray byte, a late reply) only
// show when the rest of a reply is still on the wire as the next request goes out.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board_rig.h"
#include "event_loop.h"
#include "vyx/sim/registers.h"

namespace vyx::test {
namespace {

std::string Get(Vyx& vyx, std::string_view name) {
  PropValue v;
  EXPECT_TRUE(vyx.Get(name, v)) << name;
  return std::get<std::string>(v);
}

// The DIF count of the reply the board sent to the last status request it heard: what the
// host must show when its update ends. Replies with a byte in front keep the block last.
long LastAnswer(const sim::Simulator& board) {
  const std::vector<sim::LogEntry> log = board.FrameLog();
  for (std::size_t i = log.size(); i-- > 0;) {
    const std::string frame(log[i].bytes.begin(), log[i].bytes.end());
    if (log[i].direction != sim::Direction::kIn ||
        !(frame.starts_with("Q02119") || frame.starts_with("u"))) {
      continue;
    }
    if (i + 1 >= log.size() || log[i + 1].direction != sim::Direction::kOut) return -1;
    const std::vector<std::uint8_t>& reply = log[i + 1].bytes;
    const std::size_t block = sim::reg::kStatusCount + 1;
    if (reply.size() < block) return -1;
    const std::size_t dif = reply.size() - block + (sim::reg::kDif - sim::reg::kStatusStart);
    return (long{reply[dif]} << 16) | (long{reply[dif + 1]} << 8) | reply[dif + 2];
  }
  return -1;
}

struct Row {
  const char* name;
  sim::FaultSettings faults;
  std::uint64_t triesPerFault;  // a late reply costs its own try and the one it overlaps
  int updates = 80;
};

// A short soak with every kind of fault on the line at once.
sim::FaultSettings Mixed() {
  sim::FaultSettings f;
  f.stray = f.stray_pass = f.late = f.truncate = f.bad_checksum = f.silence = 0.02;
  f.eeprom_stray = 0.1;
  return f;
}

sim::FaultSettings With(double sim::FaultSettings::*kind, double p, int delayMs = 150) {
  sim::FaultSettings f;
  f.*kind = p;
  f.delay_ms = delayMs;
  return f;
}

class PacedFaults : public ::testing::TestWithParam<Row> {};

// Every update shows the board's true inputs from the reply to its own last request; the
// count never goes back; a fault costs its own try and never the clean replies after it.
TEST_P(PacedFaults, NothingButTheAnswerToTheLastRequestIsShown) {
  sim::Options o;
  o.line_rate = true;
  o.seed = 7;
  o.board.dif_rate = 50000;  // every reply carries its own count
  o.faults = GetParam().faults;
  BoardRig rig(o);
  rig.Connect();

  std::vector<std::string> wrong;
  long last = -1;
  rig.host.onNewData = [&] {
    const std::string dif = Get(rig.vyx, "DIFcount");
    const std::string seen = dif + " " + Get(rig.vyx, "FWver") + " " + Get(rig.vyx, "AD0volt") +
                             " " + Get(rig.vyx, "AD4volt");
    const long shown = std::stol(dif);
    const std::string want = std::to_string(LastAnswer(*rig.board)) + " 1.0 1.000 4.000";
    if (seen != want || shown < last) wrong.push_back(seen + " (want " + want + ")");
    last = shown;
  };

  for (int i = 0; i < GetParam().updates; ++i) {
    ASSERT_TRUE(rig.Update()) << "update " << i << " hung";
  }

  EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong, first: " << wrong.front();
  const sim::Counters c = rig.board->GetCounters();
  const std::uint64_t faults =
      c.stray + c.stray_pass + c.late + c.truncate + c.bad_checksum + c.silence;
  EXPECT_GT(faults, 0u) << "the row injected nothing";
  const std::uint64_t failed = rig.StatusRequestTimes().size() - rig.host.newData;
  EXPECT_LE(failed, GetParam().triesPerFault * faults)
      << failed << " tries failed with " << faults << " faults: clean replies were thrown away";
}

INSTANTIATE_TEST_SUITE_P(
    Line, PacedFaults,
    ::testing::Values(Row{"StrayByte", With(&sim::FaultSettings::stray, 0.05), 1},
                      Row{"StrayWhoseWindowPasses", With(&sim::FaultSettings::stray_pass, 0.05), 1},
                      Row{"ReplyStillArrivingAtRetry", With(&sim::FaultSettings::late, 0.05, 215),
                          2},
                      Row{"SlowBoardInOrder", With(&sim::FaultSettings::late, 0.05, 150), 2},
                      Row{"Truncated", With(&sim::FaultSettings::truncate, 0.05), 1},
                      Row{"MixedSoak", Mixed(), 2, 400}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PacedFault, ARejectedReplyThenThePortClosingLeavesTheLastVerifiedReadings) {
  sim::Options o;
  o.line_rate = true;
  BoardRig rig(o);
  rig.Connect();
  ASSERT_TRUE(rig.Update());
  ASSERT_EQ(Get(rig.vyx, "AD1volt"), "2.000");

  // New readings arrive with a wrong checksum; the port closes while the retry is out.
  rig.board->SetAnalog(0, 1, sim::Waveform::Constant(3.0));
  sim::FaultSettings f;
  f.bad_checksum = 1.0;
  rig.board->SetFaults(f);
  const std::size_t asked = rig.StatusRequestTimes().size();
  rig.Set("UpdateCmd", true);
  ASSERT_TRUE(TurnUntil([&] { return rig.StatusRequestTimes().size() >= asked + 2; },
                        std::chrono::milliseconds(2000)));
  rig.Set("CommPort", std::string("0"));
  EXPECT_EQ(Get(rig.vyx, "AD1volt"), "2.000");
  EXPECT_EQ(rig.host.newData, 1);
}

TEST(PacedFault, StrayBytesBeforeEepromRepliesNeverBecomeTheRecords) {
  sim::Options o;
  o.line_rate = true;
  o.seed = 3;
  o.faults.eeprom_stray = 0.3;
  BoardRig rig(o);
  // The identifier and a calibration of 4.8 V (48000 tenths of a millivolt).
  const std::string id = "BOARD-7";
  ASSERT_TRUE(rig.board->WriteEeprom(0, 1, 0xA5));
  for (std::size_t i = 0; i < 8; ++i) {
    const auto byte = static_cast<std::uint8_t>(i < id.size() ? id[i] : 0);
    ASSERT_TRUE(rig.board->WriteEeprom(0, static_cast<std::uint8_t>(2 + i), byte));
  }
  ASSERT_TRUE(rig.board->WriteEeprom(0, 10, 0xBB));
  ASSERT_TRUE(rig.board->WriteEeprom(0, 11, 0x80));
  rig.Connect();
  ASSERT_TRUE(rig.Update());
  EXPECT_GT(rig.board->GetCounters().stray, 0u);
  EXPECT_EQ(Get(rig.vyx, "IDstring"), id);
  EXPECT_EQ(Get(rig.vyx, "Vrefvolt"), "4.8000");
}

}  // namespace
}  // namespace vyx::test
