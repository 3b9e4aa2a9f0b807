#include "panel/text_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace vyx {
namespace {

struct NumberCase {
  const char* text;
  double value;
};

class NumericValueTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumericValueTest, ReadsTheLeadingNumber) {
  EXPECT_DOUBLE_EQ(NumericValue(GetParam().text), GetParam().value)
      << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    AwkwardTexts, NumericValueTest,
    ::testing::Values(NumberCase{"", 0}, NumberCase{"abc", 0}, NumberCase{"+", 0},
                      NumberCase{"-", 0}, NumberCase{".", 0}, NumberCase{"e5", 0},
                      NumberCase{".5", 0.5}, NumberCase{"1.2.3", 1.2}, NumberCase{"1e", 1},
                      NumberCase{"1e+", 1}, NumberCase{"1e3", 1000}, NumberCase{"2E-2", 0.02},
                      NumberCase{" -1.5e1x", -15}, NumberCase{"1 2", 12},
                      NumberCase{" - 1.5", -1.5}, NumberCase{"3", 3}, NumberCase{"4.4", 4.4},
                      NumberCase{"+7", 7}, NumberCase{"--1", 0}, NumberCase{"12abc", 12},
                      NumberCase{"1,5", 1}, NumberCase{"\t9", 9}, NumberCase{"0x10", 0},
                      NumberCase{"1e 2", 100}, NumberCase{"5.", 5}));

TEST(NumericValue, HugeExponentsAndDigitRunsStayFinite) {
  EXPECT_TRUE(std::isinf(NumericValue("1e999999999")));
  EXPECT_EQ(NumericValue("1e-999999999"), 0.0);
  EXPECT_GT(NumericValue(std::string(5000, '9')), 1e300);
  EXPECT_EQ(NumericValue(std::string("\0"
                                     "5",
                                     2)),
            0.0);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
}

struct FormatCase {
  double value;
  int decimals;
  const char* text;
};

class FormatFixedTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatFixedTest, WritesThePattern) {
  EXPECT_EQ(FormatFixed(GetParam().value, GetParam().decimals), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatFixedTest,
    ::testing::Values(FormatCase{1.2, 1, "1.2"}, FormatCase{0, 1, "0.0"},
                      FormatCase{25.5, 1, "25.5"}, FormatCase{2.5, 3, "2.500"},
                      FormatCase{100, 3, "100.000"}, FormatCase{0.00244140625, 3, "0.002"},
                      FormatCase{2.50244140625, 3, "2.502"}, FormatCase{4.99755859375, 3, "4.998"},
                      FormatCase{5.00236511230469, 3, "5.002"}, FormatCase{4.9875, 4, "4.9875"},
                      FormatCase{0.00005, 7, "0.0000500"}, FormatCase{13, 7, "13.0000000"},
                      FormatCase{101.024, 4, "101.0240"}, FormatCase{33.3, 3, "33.300"},
                      FormatCase{1.0005, 3, "1.001"}, FormatCase{9.9996, 3, "10.000"},
                      FormatCase{-12.768, 4, "-12.7680"}, FormatCase{-0.00001, 3, "0.000"},
                      FormatCase{86400.5, 4, "86400.5000"}, FormatCase{99.5, 0, "100"},
                      FormatCase{0.96, 1, "1.0"}, FormatCase{-0.5, 0, "-1"},
                      FormatCase{999.96, 1, "1000.0"}, FormatCase{0.4, 0, "0"},
                      FormatCase{0.15, 1, "0.2"}, FormatCase{2.0004999, 3, "2.000"},
                      FormatCase{0.000049, 4, "0.0000"},
                      FormatCase{1e12 + 0.25, 1, "1000000000000.3"}));

TEST(TextNumbers, IgnoreACommaDecimalLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  EXPECT_EQ(FormatFixed(2.5, 3), "2.500");
  EXPECT_DOUBLE_EQ(NumericValue("4.9876"), 4.9876);
  EXPECT_DOUBLE_EQ(NumericValue("4,9876"), 4.0);
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace vyx
