// The library's pure functions, one row per case: numbers in texts, frames and checksums,
// the EEPROM identifier's bytes.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <string>

#include "eeprom/record_codec.h"
#include "panel/text_number.h"
#include "protocol/frames.h"

namespace vyx {
namespace {

using namespace protocol;
using Bytes = std::vector<std::uint8_t>;

struct Row {
  std::string got;
  std::string want;
};

void ExpectRows(std::initializer_list<Row> rows) {
  int i = 0;
  for (const Row& r : rows) EXPECT_EQ(r.got, r.want) << "row " << i++;
}

std::string N(std::string_view text) { return FormatFixed(NumericValue(text), 6); }
std::string R(double v) { return FormatFixed(RoundHalfEven(v), 1); }

// clang-format off
TEST(TextNumber, ReadsTheLeadingNumberBlanksSkippedWhereverTheyStandAndRoundsHalvesToEven) {
  ExpectRows({{N(""), "0.000000"}, {N("abc"), "0.000000"}, {N("-"), "0.000000"},
              {N(".5"), "0.500000"}, {N("1.2.3"), "1.200000"}, {N("1e"), "1.000000"},
              {N("2E-2"), "0.020000"}, {N(" -1.5e1x"), "-15.000000"}, {N("1 2"), "12.000000"},
              {N(" - 1.5"), "-1.500000"}, {N("--1"), "0.000000"}, {N("1,5"), "1.000000"},
              {N("\t9"), "9.000000"}, {N("0x10"), "0.000000"}, {N("1e 2"), "100.000000"},
              {N("1e-999999999"), "0.000000"}, {N({"\0005", 2}), "0.000000"},
              {R(2.5), "2.0"}, {R(3.5), "4.0"}, {R(-1.5), "-2.0"}, {R(2.5001), "3.0"},
              {R(-0.5), "0.0"}});
  EXPECT_TRUE(std::isinf(NumericValue("1e999999999")));
}

TEST(TextNumber, FixedDecimalsRoundHalvesAwayFromZero) {
  ExpectRows({{FormatFixed(0, 1), "0.0"}, {FormatFixed(0.00244140625, 3), "0.002"},
              {FormatFixed(1.0005, 3), "1.001"}, {FormatFixed(9.9996, 3), "10.000"},
              {FormatFixed(-12.768, 4), "-12.7680"}, {FormatFixed(-0.00001, 3), "0.000"},
              {FormatFixed(99.5, 0), "100"}, {FormatFixed(-0.5, 0), "-1"},
              {FormatFixed(0.15, 1), "0.2"}, {FormatFixed(2.0004999, 3), "2.000"},
              {FormatFixed(0.00005, 7), "0.0000500"}, {FormatFixed(1e12 + 0.25, 1), "1000000000000.3"}});
}
// clang-format on

// The component reads back the texts it writes on every update; each must read as the double
// nearest to it, as any other text does.
TEST(TextNumber, ItsOwnTextsReadAsTheNearestDouble) {
  auto nearest = [](const std::string& text) {
    double v = 0;
    const bool negative = !text.empty() && text[0] == '-';
    std::from_chars(text.data() + (negative ? 1 : 0), text.data() + text.size(), v);
    return negative ? -v : v;
  };
  std::uint64_t x = 88172645463325252u;  // a fixed xorshift sequence: the same cases each run
  for (int i = 0; i < 20000; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const double scale[] = {1e-6, 1e-2, 1.0, 1e3, 86400.0, 1e9, 1e14};
    const double v = (static_cast<double>(x % 2000001) - 1e6) / 1e6 * scale[x % 7];
    const std::string text = FormatFixed(v, static_cast<int>((x >> 20) % 12));
    ASSERT_EQ(NumericValue(text), nearest(text)) << text;
  }
  for (const char* text : {"0", "-0", "5.", ".5", "007.50", "999999999999999", "-99999999.9999999",
                           "1234567890.123456", "0.000000000000001"}) {
    EXPECT_EQ(NumericValue(text), nearest(text)) << text;
  }
  EXPECT_TRUE(std::signbit(NumericValue("-0")));
}

// Rounding the shortest decimal form and rounding the exact binary value agree wherever the
// scaled value lies clear of a half; there every fixed text must be the correctly rounded one.
TEST(TextNumber, FixedDecimalsAreCorrectlyRoundedClearOfAHalf) {
  std::uint64_t x = 0x9E3779B97F4A7C15u;  // a fixed xorshift sequence, as above
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const double scale[] = {1e-6, 1e-2, 1.0, 10.0, 1e3, 86400.0};
    const double v = (static_cast<double>(x % 2000001) - 1e6) / 1e6 * scale[x % 6];
    const int places = static_cast<int>((x >> 20) % 10);
    const double scaled = std::fabs(v) * std::pow(10.0, places);
    if (scaled >= 1e12 || std::fabs(scaled - std::floor(scaled) - 0.5) < 1e-3) continue;
    char exact[64];
    const auto r = std::to_chars(exact, exact + sizeof exact, v, std::chars_format::fixed, places);
    std::string want(exact, r.ptr);
    if (want[0] == '-' && want.find_first_not_of("-0.") == std::string::npos) want.erase(0, 1);
    ASSERT_EQ(FormatFixed(v, places), want) << v << " to " << places << " places";
    ++checked;
  }
  EXPECT_GT(checked, 10000);
}

TEST(TextNumber, IgnoresACommaDecimalLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  EXPECT_EQ(FormatFixed(2.5, 3), "2.500");
  EXPECT_EQ(NumericValue("4.9876"), 4.9876);
  EXPECT_EQ(NumericValue("4,9876"), 4.0);
  std::setlocale(LC_ALL, saved.c_str());
}

// The letters the component sends are checked on the line; here the other layouts, the
// padding, and what the check digit counts.
// clang-format off
TEST(Frames, LayoutsPaddingAndCheckDigit) {
  auto f = [](const char* letter, int a, int z, int reg, int v1, int v2) {
    return BuildFrame(letter, a, z, reg, v1, v2);
  };
  ExpectRows({{f("Query", 3, 0, 0x21, 0, 25), "Q32119"}, {f("p", 0, 0, 0x23, 1, 0x90), "p0023904"},
              {f("p", 0, 5, 0x23, 0, 0x90), "p0523903"}, {f("u", 0, 0, 0x05, 0x0A, 0x0F), "u00050A0F3"},
              {f("q", 1, 0, 0x36, 0x7D, 0), "q1036005"}, {f("t", 1, 0, 0x36, 0x7D, 0), "t10367D008"},
              {f("T", 1, 0, 0x36, 0x7D, 0), "T1367D00"}, {f("S", 1, 0, 0x36, 0x7D, 0), "S13600"},
              {f("x", 0, 0, 0x21, 0, 25), ""}, {f("", 0, 0, 0x21, 0, 25), ""},
              {f(" p", 0, 0, 0x21, 0, 25), ""}, {f("A", 0, 0, 0x21, 0, 25), ""},
              {f("p", 0, 0, 0x23, 0, -1), "p0023FFFFFFFF2"}, {f("U", 2, 0, 0x100, 0xABC, 0x5), "U2100ABC05"},
              {f("r", 0, 0, -2, 0, 0), "r00FFFFFFFE000"}});
}
// clang-format on

TEST(Frames, ABlockReplyIsItsBytesAndTheirSumModulo256) {
  EXPECT_EQ(BlockChecksum(Bytes(25, 255)), 231);
  EXPECT_EQ(BlockChecksum(Bytes{0x80, 0x80}), 0);
  EXPECT_TRUE(IsBlockReply(Bytes{7, 7}, 1));
  EXPECT_FALSE(IsBlockReply(Bytes{7, 7, 7}, 1) || IsBlockReply(Bytes{7}, 1) ||
               IsBlockReply(Bytes{7, 8}, 1));
}

TEST(Records, IdentifierIsOneLatin1BytePerCharacterIllFormedTextIncluded) {
  // clang-format off
  const std::pair<std::string, Bytes> rows[] = {
      {"\xC3\xBF", {0xFF}}, {"\xC4\x80", {'?'}}, {"\xF0\x9F\x98\x80x", {'?', 'x'}},
      {"\xC3", {'?'}}, {"\xE2\x82" "A", {'?', 'A'}}, {"\x80" "A", {'?', 'A'}},
      {"\xC0\x80", {'?', '?'}}, {"\xED\xA0\x80", {'?', '?', '?'}}};
  // clang-format on
  for (const auto& [utf8, latin1] : rows) EXPECT_EQ(eeprom::ToLatin1(utf8), latin1) << utf8;
  EXPECT_EQ(eeprom::FromLatin1(Bytes{'Z', 0xFC, 0x80, 0, 'x'}), "Z\xC3\xBC\xC2\x80");
}

}  // namespace
}  // namespace vyx
