// Command frames: layouts, check digits and padding, the block checksum, and SendCommand
// writing one frame and timing it.
#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "rig.h"

namespace vyx {
namespace {

using protocol::BuildFrame;

struct FrameCase {
  const char* letter;
  int address, reg, value1, value2;
  const char* frame;
};

class WorkedFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(WorkedFrameTest, BuildsExactly) {
  const FrameCase& c = GetParam();
  EXPECT_EQ(BuildFrame(c.letter, c.address, 0, c.reg, c.value1, c.value2), c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    TheComponentsFrames, WorkedFrameTest,
    ::testing::Values(FrameCase{"Q", 0, 0x21, 0, 25, "Q02119"},  // status block, board 0
                      FrameCase{"Q", 3, 0x21, 0, 25, "Q32119"},  // status block, board 3
                      FrameCase{"Q", 2, 0xA4, 0, 1, "Q2A401"},   // one EEPROM register
                      FrameCase{"Q", 0, 0xA4, 0, 1, "Q0A401"},
                      FrameCase{"p", 0, 0x23, 0, 0x90, "p0023903"},       // DON and DOS on
                      FrameCase{"p", 1, 0x38, 0, 80, "p1038509"},         // DPW 50 %
                      FrameCase{"u", 1, 0x36, 0x7D, 0x00, "u10367D009"},  // PWM 50 %
                      FrameCase{"u", 0, 0x36, 0x53, 0x40, "u00365340E"},  // PWM 33.3 %
                      FrameCase{"r", 2, 0x22, 0, 2, "r2022028"},          // reset flag bit 2
                      FrameCase{"r", 2, 0x22, 0, 1, "r2022017"},          // reset flag bit 1
                      FrameCase{"p", 0, 0xA3, 0, 1, "p00A3014"},          // EEPROM address 1
                      FrameCase{"p", 0, 0xA2, 0, 0x40, "p00A2402"},       // EEPROM read
                      FrameCase{"p", 0, 0xA3, 0, 2, "p00A3025"},          // EEPROM address 2
                      FrameCase{"p", 0, 0xA4, 0, 0x56, "p00A456A"},       // EEPROM data
                      FrameCase{"p", 0, 0xA2, 0, 0x85, "p00A2857"}));     // EEPROM write

TEST(FrameLayouts, EveryLetterWithALayout) {
  // Board 1, register 0x36, values 0x7D and 0: the check digit is the letter's code + 180.
  const std::pair<const char*, const char*> cases[] = {
      {"p", "p1036004"},   {"q", "q1036005"},   {"r", "r1036006"}, {"s", "s1036007"},
      {"t", "t10367D008"}, {"u", "u10367D009"}, {"P", "P13600"},   {"Q", "Q13600"},
      {"R", "R13600"},     {"S", "S13600"},     {"T", "T1367D00"}, {"U", "U1367D00"}};
  for (const auto& [letter, frame] : cases) {
    EXPECT_EQ(BuildFrame(letter, 1, 0, 0x36, 0x7D, 0), frame) << letter;
  }
}

TEST(FrameLayouts, OnlyTheFirstCharacterOfTheLetterCounts) {
  EXPECT_EQ(BuildFrame("Query", 0, 0, 0x21, 0, 25), "Q02119");
  EXPECT_EQ(BuildFrame("pq", 0, 0, 0x23, 0, 0x90), "p0023903");
}

TEST(FrameLayouts, LettersWithoutALayoutBuildNothing) {
  for (const char* letter : {"x", "0", "", "v", "A", " p"}) {
    EXPECT_EQ(BuildFrame(letter, 0, 0, 0x21, 0, 25), "") << '"' << letter << '"';
  }
}

TEST(FrameFields, RegisterAndValuesBelowSixteenGetOneLeadingZero) {
  EXPECT_EQ(BuildFrame("Q", 0, 0, 0x05, 0, 1), "Q00501");
  EXPECT_EQ(BuildFrame("u", 0, 0, 0x05, 0x0A, 0x0F), "u00050A0F3");
  EXPECT_EQ(BuildFrame("U", 3, 0, 0x00, 0x00, 0x00), "U3000000");
  // The address and the spare are not padded: the lowercase frame's second and third
  // characters are the address digit and "0".
  const std::string p = BuildFrame("p", 3, 0, 0x23, 0, 0x10);
  EXPECT_EQ(p.substr(0, 3), "p30");
  EXPECT_EQ(p.size(), 8u);
}

TEST(FrameCheckDigit, CountsTheLetterAndValue1ButNotTheSpare) {
  // The same numbers under "p" and "r": 112 against 114.
  EXPECT_EQ(BuildFrame("p", 2, 0, 0x22, 0, 2), "p2022026");
  EXPECT_EQ(BuildFrame("r", 2, 0, 0x22, 0, 2), "r2022028");
  // Value1 is not sent by "p" but counts in the digit.
  EXPECT_EQ(BuildFrame("p", 0, 0, 0x23, 1, 0x90), "p0023904");
  EXPECT_EQ(BuildFrame("p", 0, 0, 0x23, 0, 0x90), "p0023903");
  // The spare is sent but not added.
  EXPECT_EQ(protocol::CheckDigit('p', 0, 0x23, 0, 0x90), '3');
  EXPECT_EQ(BuildFrame("p", 0, 5, 0x23, 0, 0x90), "p0523903");
  // Only the low four bits, as an uppercase hex digit.
  EXPECT_EQ(protocol::CheckDigit('u', 0, 0x36, 0x53, 0x40), 'E');
  EXPECT_EQ(protocol::CheckDigit('p', 0, 0, 0, 0x10), '0');
}

TEST(BlockChecksum, IsTheSumModulo256) {
  EXPECT_EQ(protocol::BlockChecksum(std::array<std::uint8_t, 1>{0x5A}), 0x5A);
  // 25 bytes adding up to 0x1F4.
  std::vector<std::uint8_t> block(25, 20);
  ASSERT_EQ(25 * 20, 0x1F4);
  EXPECT_EQ(protocol::BlockChecksum(block), 0xF4);
  std::vector<std::uint8_t> ones(25);
  for (std::size_t i = 0; i < 25; ++i) ones[i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_EQ(protocol::BlockChecksum(ones), 69) << "1 to 25 add up to 325";
  EXPECT_EQ(protocol::BlockChecksum(std::vector<std::uint8_t>{0x80, 0x80}), 0);
  EXPECT_EQ(protocol::BlockChecksum({}), 0);
}

TEST(SendCommand, WritesTheFrameAndRecordsTheSendTime) {
  test::Rig rig;
  rig.Connect();
  rig.clock.SetTimeOfDay(45000.25);
  VyxProbe::SendCommand(rig.vyx, "p", 1, 0, 0x38, 0, 80);
  EXPECT_EQ(rig.port.frames, (std::vector<std::string>{"p1038509"}));
  EXPECT_EQ(rig.m().SendTime, 45000.25f);
  EXPECT_EQ(rig.m().SendMono, rig.clock.Now());
}

TEST(SendCommand, AFailedWriteLeavesTheSendTime) {
  test::Rig rig;
  rig.Connect();
  rig.clock.SetTimeOfDay(100.0);
  VyxProbe::SendCommand(rig.vyx, "Q", 0, 0, 0x21, 0, 25);
  ASSERT_EQ(rig.m().SendTime, 100.0f);
  const auto sentMono = rig.m().SendMono;

  rig.port.Fail(test::FakePort::Op::Write);
  rig.f().SetCaption(Field::LblStatus, "Busy");
  rig.clock.Advance(5.0);
  VyxProbe::SendCommand(rig.vyx, "Q", 0, 0, 0x21, 0, 25);
  EXPECT_EQ(rig.m().SendTime, 100.0f);
  EXPECT_EQ(rig.m().SendMono, sentMono);
  EXPECT_EQ(rig.port.frames.size(), 1u);
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblStatus), "Ready") << "the update is ended";
}

TEST(SendCommand, ALetterWithoutALayoutWritesNothing) {
  test::Rig rig;
  rig.Connect();
  rig.clock.SetTimeOfDay(7.0);
  VyxProbe::SendCommand(rig.vyx, "x", 0, 0, 0x21, 0, 25);
  VyxProbe::SendCommand(rig.vyx, "0", 0, 0, 0x21, 0, 25);
  EXPECT_TRUE(rig.port.frames.empty());
  EXPECT_EQ(rig.m().SendTime, 0.0f);
}

}  // namespace
}  // namespace vyx
