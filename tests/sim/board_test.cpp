#include "vyx/sim/board.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vyx::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Multi-byte values are read in one block, as the host gets them.
int Clock(Board& b, Nanos t) {
  const auto v = b.ReadBlock(0x2E, 2, t);
  return v[0] << 8 | v[1];
}
long Count24(Board& b, std::uint8_t r, Nanos t) {
  const auto v = b.ReadBlock(r, 3, t);
  return long(v[0]) << 16 | long(v[1]) << 8 | v[2];
}
// The host's reading of an analog register pair.
double HostVolts(Board& b, int channel, Nanos t, double vref) {
  const auto v = b.ReadBlock(static_cast<std::uint8_t>(0x24 + 2 * channel), 2, t);
  return (v[0] * 256 + v[1] + 32) * vref / 65536.0;
}

TEST(BoardClock, CountsHalfMillisecondsAndWraps) {
  struct Row {
    std::uint16_t start;
    Nanos elapsed;
    int count;
  };
  const Row rows[] = {
      {0, Nanos(0), 0},
      {0, microseconds(499), 0},
      {0, microseconds(500), 1},
      {0, seconds(1), 2000},
      {0, microseconds(32'767'500), 65535},
      {0, milliseconds(32'768), 0},  // 65536 counts: wrapped
      {0, microseconds(32'768'500), 1},
      {0xFFFF, microseconds(500), 0},
      {0xFF00, milliseconds(128), 0},
  };
  for (const auto& row : rows) {
    BoardSettings s;
    s.clock_start = row.start;
    const Nanos power_up = seconds(100);  // the count runs from power-up, not from zero
    Board board(0, s, power_up, 1);
    EXPECT_EQ(Clock(board, power_up + row.elapsed), row.count)
        << row.start << " + " << row.elapsed.count() << " ns";
  }
}

TEST(BoardClock, PowerCycleRestartsItAndSetsTheResetFlags) {
  Board board(0, {}, Nanos(0), 1);
  board.ClearBit(0x22, 2);
  board.ClearBit(0x22, 1);
  EXPECT_EQ(board.Register(0x22, seconds(5)), 0);
  board.PowerUp(seconds(5));
  EXPECT_EQ(Clock(board, seconds(6)), 2000);
  EXPECT_EQ(board.Register(0x22, seconds(6)), 0x06);
}

TEST(BoardCounters, DifCountsPulsesAtItsRateIn24Bits) {
  BoardSettings s;
  s.dif_rate = 1000.0;
  Board board(0, s, Nanos(0), 1);
  EXPECT_EQ(Count24(board, 0x30, milliseconds(2500)), 2500);
  board.SetDifRate(10.0, seconds(3));  // 3000 so far, then slower: no jump
  EXPECT_EQ(Count24(board, 0x30, seconds(3)), 3000);
  EXPECT_EQ(Count24(board, 0x30, seconds(13)), 3100);

  s.dif_rate = 1e6;
  Board fast(0, s, Nanos(0), 1);
  EXPECT_EQ(Count24(fast, 0x30, seconds(17)), 17'000'000 % (1 << 24));
}

TEST(BoardCounters, DitHoldsThePeriodInCountsOf0_8Microseconds) {
  struct Row {
    double period;
    long counts;
  };
  const Row rows[] = {{0.8, 1'000'000}, {0.0000504, 63}, {0.01, 12'500}, {20.0, 0xFFFFFF}, {0, 0}};
  for (const auto& row : rows) {
    BoardSettings s;
    s.dit_period = row.period;
    Board board(0, s, Nanos(0), 1);
    EXPECT_EQ(Count24(board, 0x33, Nanos(0)), row.counts) << row.period;
  }
}

TEST(BoardAnalog, HostConversionGivesBackTheVoltsWithinOneStep) {
  for (const double vref : {5.0, 4.5, 5.5}) {
    for (const double volts : {0.01, 0.5, 1.0, 2.5, 3.3, 4.4}) {
      BoardSettings s;
      s.vref = vref;
      s.analog[3] = Waveform::Constant(volts);
      Board board(0, s, Nanos(0), 1);
      EXPECT_NEAR(HostVolts(board, 3, Nanos(0), vref), volts, vref / 65536.0)
          << volts << " V at " << vref;
    }
  }
}

TEST(BoardAnalog, ClampsToTheConverterRange) {
  EXPECT_EQ(Board::VoltsToRaw(0.0, 5.0), 0);
  EXPECT_EQ(Board::VoltsToRaw(-1.0, 5.0), 0);
  EXPECT_EQ(Board::VoltsToRaw(2.5, 5.0), 32736);
  EXPECT_EQ(Board::VoltsToRaw(6.0, 5.0), 65535);
}

TEST(BoardAnalog, EachChannelHasItsOwnRegisters) {
  BoardSettings s;
  for (int ch = 0; ch < 5; ++ch) s.analog[std::size_t(ch)] = Waveform::Constant(0.5 + ch);
  Board board(0, s, Nanos(0), 1);
  for (int ch = 0; ch < 5; ++ch) EXPECT_NEAR(HostVolts(board, ch, Nanos(0), 5.0), 0.5 + ch, 1e-4);
}

TEST(BoardAnalog, WaveformsFollowTime) {
  BoardSettings s;
  s.analog[0] = *Waveform::Parse("sine:2.5,1,4");
  s.analog[1] = *Waveform::Parse("ramp:1,3,10");
  s.analog[2] = *Waveform::Parse("noise:2,0.5");
  Board board(0, s, Nanos(0), 7);
  Board twin(0, s, Nanos(0), 7);
  EXPECT_NEAR(HostVolts(board, 0, seconds(1), 5.0), 3.5, 1e-3);  // a quarter period
  EXPECT_NEAR(HostVolts(board, 0, seconds(3), 5.0), 1.5, 1e-3);
  EXPECT_NEAR(HostVolts(board, 1, seconds(5), 5.0), 2.0, 1e-3);   // half way up
  EXPECT_NEAR(HostVolts(board, 1, seconds(15), 5.0), 2.0, 1e-3);  // next period
  Board noisy(0, s, Nanos(0), 7);
  double low = 5, high = 0;
  for (int i = 0; i < 200; ++i) {
    const double v = HostVolts(noisy, 2, milliseconds(i), 5.0);
    EXPECT_DOUBLE_EQ(v, HostVolts(twin, 2, milliseconds(i), 5.0));  // same seed, same noise
    low = std::min(low, v);
    high = std::max(high, v);
  }
  EXPECT_GE(low, 1.5 - 1e-4);
  EXPECT_LE(high, 2.5 + 1e-4);
  EXPECT_GT(high - low, 0.5);  // it does move
}

TEST(BoardAnalog, WaveformTextsRoundTrip) {
  for (const char* text : {"2.5", "sine:2.5,1,4", "ramp:1,3,10", "noise:2,0.5"}) {
    const auto w = Waveform::Parse(text);
    ASSERT_TRUE(w.has_value()) << text;
    EXPECT_EQ(w->ToString(), text);
  }
  for (const char* bad : {"", "x", "sine:1,2", "ramp:1,2,0", "noise:1", "square:1,2,3", "2,5"}) {
    EXPECT_FALSE(Waveform::Parse(bad).has_value()) << bad;
  }
}

TEST(BoardPort, OutputsHoldWhatWasWrittenInputsFollowTheirLevels) {
  BoardSettings s;
  s.inputs = {true, false, true, false};
  Board board(0, s, Nanos(0), 1);
  board.Write(0x23, 0x9A);  // the low nibble is input pins: not writable
  EXPECT_EQ(board.Register(0x23, Nanos(0)), 0x95);
  board.SetInput(Input::kDis, true);
  board.SetInput(Input::kDif, false);
  EXPECT_EQ(board.Register(0x23, Nanos(0)), 0x9C);
  const Outputs out = board.ReadOutputs();
  EXPECT_TRUE(out.don);
  EXPECT_FALSE(out.doe);
  EXPECT_FALSE(out.dok);
  EXPECT_TRUE(out.dos);
}

TEST(BoardRegisters, FirmwareResetFlagsAndDuties) {
  BoardSettings s;
  s.firmware = 1.2;
  Board board(0, s, Nanos(0), 1);
  EXPECT_EQ(board.Register(0x21, Nanos(0)), 12);
  EXPECT_EQ(board.Register(0x22, Nanos(0)), 0x06);
  board.ClearBit(0x22, 2);
  EXPECT_EQ(board.Register(0x22, Nanos(0)), 0x02);
  board.ClearBit(0x22, 9);  // no such bit: nothing changes
  EXPECT_EQ(board.Register(0x22, Nanos(0)), 0x02);
  board.Write(0x36, 0x53);
  board.Write(0x37, 0x40);
  board.Write(0x38, 80);
  board.Write(0x39, 160);
  const Outputs out = board.ReadOutputs();
  EXPECT_EQ(out.pwm, 0x5340);
  EXPECT_EQ(out.dpw, 80);
  EXPECT_EQ(out.dog, 160);
}

TEST(BoardRegisters, BlockReadEndsInTheSumOfItsBytes) {
  Board board(0, {}, seconds(1), 1);
  for (int r = 0; r < 256; ++r) board.Write(static_cast<std::uint8_t>(r), 0xFF);
  const auto block = board.ReadBlock(0xFE, 4, seconds(1));  // wraps past 0xFF
  ASSERT_EQ(block.size(), 5u);
  EXPECT_EQ(block[4], static_cast<std::uint8_t>(0xFF * 4));
  EXPECT_EQ(board.ReadBlock(0x21, 0, seconds(1)), std::vector<std::uint8_t>{0});
}

}  // namespace
}  // namespace vyx::sim
