// Register values to panel texts: the conversions, their limits and their rounding.
#include "protocol/readings.h"

#include <gtest/gtest.h>

#include <string>

namespace vyx::protocol {
namespace {

TEST(FirmwareText, IsTheRegisterOverTenWithOneDecimal) {
  EXPECT_EQ(FirmwareText(12), "1.2");
  EXPECT_EQ(FirmwareText(0), "0.0");
  EXPECT_EQ(FirmwareText(255), "25.5");
}

struct VrefCase {
  const char* name;
  const char* text;
  double volts;
};

class VrefVoltsTest : public ::testing::TestWithParam<VrefCase> {};

TEST_P(VrefVoltsTest, UsesTheCalibrationOnlyWithinItsLimits) {
  EXPECT_DOUBLE_EQ(VrefVolts(GetParam().text), GetParam().volts);
}

INSTANTIATE_TEST_SUITE_P(
    Calibrations, VrefVoltsTest,
    ::testing::Values(VrefCase{"LowerLimit", "4.5000", 4.5}, VrefCase{"UpperLimit", "5.5000", 5.5},
                      VrefCase{"AboveRange", "5.6000", 5.0}, VrefCase{"BelowRange", "4.4999", 5.0},
                      VrefCase{"Empty", "", 5.0}, VrefCase{"NotANumber", "abc", 5.0},
                      VrefCase{"Calibrated", "4.9875", 4.9875},
                      VrefCase{"Overflowing", "1e999", 5.0}),
    [](const auto& row) { return std::string(row.param.name); });

struct AdcCase {
  double raw;
  const char* vref;
  const char* text;
};

class AdcToVoltsTest : public ::testing::TestWithParam<AdcCase> {};

TEST_P(AdcToVoltsTest, ShowsThreeDecimals) {
  EXPECT_EQ(VoltsText(AdcToVolts(GetParam().raw, GetParam().vref)), GetParam().text)
      << GetParam().raw << " against \"" << GetParam().vref << '"';
}

INSTANTIATE_TEST_SUITE_P(Readings, AdcToVoltsTest,
                         ::testing::Values(
                             // The four readings at the nominal reference.
                             AdcCase{0, "", "0.002"}, AdcCase{32768, "", "2.502"},
                             AdcCase{65472, "", "4.998"}, AdcCase{65535, "", "5.002"},
                             // Mid-scale against each calibration: 32800 × v / 65536.
                             AdcCase{32768, "4.5000", "2.252"}, AdcCase{32768, "5.5000", "2.753"},
                             AdcCase{32768, "5.6000", "2.502"}, AdcCase{32768, "5.0000", "2.502"},
                             AdcCase{65535, "5.5000", "5.503"}));

struct DitCase {
  const char* name;
  double b0, b1, b2;
  const char* text;
};

class DitTextTest : public ::testing::TestWithParam<DitCase> {};

TEST_P(DitTextTest, IsLimitedAndShownWithSevenDecimals) {
  const DitCase& c = GetParam();
  EXPECT_EQ(DitText(c.b0, c.b1, c.b2), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, DitTextTest,
    ::testing::Values(DitCase{"Zero", 0, 0, 0, "0.0000500"},
                      DitCase{"SixtyTwoCountsRaisedToTheLimit", 0, 0, 62, "0.0000500"},
                      DitCase{"SixtyThreeCounts", 0, 0, 63, "0.0000504"},
                      DitCase{"OneMillionCounts", 0x0F, 0x42, 0x40, "0.8000000"},
                      DitCase{"MostSignificantByteFirst", 0x01, 0x00, 0x00, "0.0524288"},
                      DitCase{"JustBelowTheTop", 0xF7, 0xF4, 0x8F, "12.9999992"},
                      DitCase{"TopOfRange", 0xF7, 0xF4, 0x90, "13.0000000"},
                      DitCase{"FullCount", 0xFF, 0xFF, 0xFF, "13.0000000"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DifText, IsThePlainTwentyFourBitCount) {
  EXPECT_EQ(DifText(0x01, 0x00, 0x00), "65536");
  EXPECT_EQ(DifText(0x00, 0x01, 0x00), "256");
  EXPECT_EQ(DifText(0, 0, 7), "7");
  EXPECT_EQ(DifText(0, 0, 0), "0");
  EXPECT_EQ(DifText(0xFF, 0xFF, 0xFF), "16777215");
  EXPECT_EQ(DifText(0x12, 0x34, 0x56), "1193046");
}

struct DutyCase {
  double high, low;
  const char* text;
};

class PwmTextTest : public ::testing::TestWithParam<DutyCase> {};

TEST_P(PwmTextTest, Is640CountsAPercentAtMostAHundred) {
  EXPECT_EQ(PwmText(GetParam().high, GetParam().low), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Duties, PwmTextTest,
    ::testing::Values(DutyCase{0x7D, 0x00, "50.000"}, DutyCase{0x53, 0x40, "33.300"},
                      DutyCase{0xFF, 0xFF, "100.000"}, DutyCase{0xFA, 0x00, "100.000"},
                      DutyCase{0xF9, 0xFF, "99.998"}, DutyCase{0x00, 0x01, "0.002"},
                      DutyCase{0x00, 0x00, "0.000"}));

TEST(DutyText, Is1Point6CountsAPercentAtMostAHundred) {
  EXPECT_EQ(DutyText(80), "50.000");
  EXPECT_EQ(DutyText(255), "100.000");
  EXPECT_EQ(DutyText(160), "100.000");
  EXPECT_EQ(DutyText(159), "99.375");
  EXPECT_EQ(DutyText(1), "0.625");
  EXPECT_EQ(DutyText(0), "0.000");
}

TEST(BitOf, ReadsOneBitOfAByte) {
  for (int n = 0; n < 8; ++n) {
    EXPECT_EQ(BitOf(1 << n, n), 1) << n;
    EXPECT_EQ(BitOf(255 - (1 << n), n), 0) << n;
  }
}

}  // namespace
}  // namespace vyx::protocol
