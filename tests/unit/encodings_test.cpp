// The values written to the board's output registers: the port byte and the duty encodings.
#include "protocol/encodings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace vyx::protocol {
namespace {

struct DutyCase {
  const char* name;
  double percent;
  int duty;
  int hi;
  int lo;
};

class DutyTest : public ::testing::TestWithParam<DutyCase> {};

TEST_P(DutyTest, TruncatesTheClampedPercentage) {
  const DutyCase& c = GetParam();
  EXPECT_EQ(DutyByte(c.percent), c.duty);
  const PwmPair p = PwmBytes(c.percent);
  EXPECT_EQ(p.hi, c.hi);
  EXPECT_EQ(p.lo, c.lo);
}

INSTANTIATE_TEST_SUITE_P(
    Percentages, DutyTest,
    ::testing::Values(DutyCase{"Zero", 0, 0, 0, 0}, DutyCase{"Half", 50, 80, 125, 0},
                      DutyCase{"Full", 100, 160, 250, 0}, DutyCase{"Third", 33.3, 53, 83, 64},
                      DutyCase{"Quarter", 25, 40, 62, 128},
                      DutyCase{"AboveFullIsFull", 150, 160, 250, 0},
                      DutyCase{"NegativeIsZero", -5, 0, 0, 0},
                      DutyCase{"JustBelowOneCount", 0.62, 0, 1, 140},
                      DutyCase{"Infinite", std::numeric_limits<double>::infinity(), 160, 250, 0},
                      DutyCase{"NotANumber", std::nan(""), 0, 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(OutputByte, SetsTheBitOfEachCheckedOutputOnly) {
  auto d = [](std::int16_t don, std::int16_t doe, std::int16_t dok, std::int16_t dos) {
    return OutputByte({{don, 4}, {doe, 5}, {dok, 6}, {dos, 7}});
  };
  EXPECT_EQ(d(0, 0, 0, 0), 0);
  EXPECT_EQ(d(1, 0, 0, 1), 144);
  EXPECT_EQ(d(0, 1, 0, 0), 32);
  EXPECT_EQ(d(0, 0, 1, 0), 64);
  EXPECT_EQ(d(1, 1, 1, 1), 240);
  // A state other than 1 still means checked and never reaches a neighbouring bit.
  EXPECT_EQ(d(2, 0, 0, 0), 16);
  EXPECT_EQ(d(-1, 0, 0, 0), 16);
}

}  // namespace
}  // namespace vyx::protocol
