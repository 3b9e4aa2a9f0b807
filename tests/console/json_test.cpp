#include <gtest/gtest.h>

#include "json_values.h"

namespace vyx::documents {
namespace {

using Kind = JsonScalar::Kind;

struct ScalarCase {
  const char* input;
  Kind kind;
  const char* text;
  std::int64_t integer;
  double number;
};

class JsonScalarParses : public ::testing::TestWithParam<ScalarCase> {};

TEST_P(JsonScalarParses, ToItsValue) {
  const ScalarCase& c = GetParam();
  std::string error;
  const auto v = ParseJsonScalar(c.input, error);
  ASSERT_TRUE(v) << c.input << ": " << error;
  EXPECT_EQ(v->kind, c.kind);
  EXPECT_EQ(v->text, c.text);
  if (c.kind == Kind::Integer) {
    EXPECT_EQ(v->integer, c.integer);
  }
  if (c.kind == Kind::Integer || c.kind == Kind::Number) {
    EXPECT_DOUBLE_EQ(v->number, c.number);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, JsonScalarParses,
    ::testing::Values(
        ScalarCase{R"("50")", Kind::String, "50", 0, 0},
        ScalarCase{R"( "" )", Kind::String, "", 0, 0},
        ScalarCase{R"("a\"b\\c\/d")", Kind::String, "a\"b\\c/d", 0, 0},
        ScalarCase{R"("\n\t\r\b\f")", Kind::String, "\n\t\r\b\f", 0, 0},
        ScalarCase{R"("\u00e9")", Kind::String, "\xc3\xa9", 0, 0},
        ScalarCase{R"("\ud83d\ude00")", Kind::String, "\xf0\x9f\x98\x80", 0, 0},
        ScalarCase{"\"caf\xc3\xa9\"", Kind::String, "caf\xc3\xa9", 0, 0},
        ScalarCase{"true", Kind::Boolean, "", 0, 0}, ScalarCase{"false", Kind::Boolean, "", 0, 0},
        ScalarCase{"null", Kind::Null, "", 0, 0}, ScalarCase{"0", Kind::Integer, "", 0, 0},
        ScalarCase{"-1", Kind::Integer, "", -1, -1},
        ScalarCase{"32768", Kind::Integer, "", 32768, 32768},
        ScalarCase{"9223372036854775807", Kind::Integer, "", INT64_MAX, 9.2233720368547758e18},
        ScalarCase{"99999999999999999999", Kind::Number, "", 0, 1e20},
        ScalarCase{"1.5", Kind::Number, "", 0, 1.5}, ScalarCase{"1.0", Kind::Number, "", 0, 1.0},
        ScalarCase{"-2e3", Kind::Number, "", 0, -2000}));

TEST(JsonScalar, RefusesWhatIsNotOneScalar) {
  for (const char* bad :
       {"",        "  ",        "50x",         "'50'",        "\"a",
        "\"\\x\"", "\"\\u12\"", "+1",          ".5",          "1.",
        "1e",      "-",         "00",          "[]",          "{}",
        "True",    "nul",       "\"a\" \"b\"", "\"\\ud800\"", "\"\\ud800\\u0041\""}) {
    std::string error;
    EXPECT_FALSE(ParseJsonScalar(bad, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(JsonQuote, EscapesWhatJsonNeedsAndKeepsTheRest) {
  EXPECT_EQ(JsonQuote(""), R"("")");
  EXPECT_EQ(JsonQuote("Vantrel"), R"("Vantrel")");
  EXPECT_EQ(JsonQuote("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(JsonQuote("\n\t\x01\x7f"), R"("\n\t\u0001\u007f")");
  EXPECT_EQ(JsonQuote("\x9b"
                      "1"),
            R"("\u009b1")");  // a C1 control, some terminals act on it
  EXPECT_EQ(JsonQuote("caf\xc3\xa9"), "\"caf\xc3\xa9\"");
  // A lone high byte from the board is Latin-1, so the answer stays valid UTF-8.
  EXPECT_EQ(JsonQuote("\xe9t\xe9"), "\"\xc3\xa9t\xc3\xa9\"");
  // A truncated sequence and an overlong encoding are not UTF-8 either.
  EXPECT_EQ(JsonQuote("\xc3"), "\"\xc3\x83\"");
  EXPECT_EQ(JsonQuote("\xc0\xaf"), "\"\xc3\x80\xc2\xaf\"");
}

TEST(JsonQuote, RoundTripsThroughTheParser) {
  const std::string texts[] = {"",          "50",   "a \"quoted\" \\ text",
                               "tab\there", "\x1f", "\xe2\x82\xac"};
  for (const std::string& t : texts) {
    std::string error;
    const auto v = ParseJsonScalar(JsonQuote(t), error);
    ASSERT_TRUE(v) << error;
    EXPECT_EQ(v->text, t);
  }
}

struct PropCase {
  const char* json;
  PropType type;
  bool ok;
  PropValue expected;
};

class ToPropValueConverts : public ::testing::TestWithParam<PropCase> {};

TEST_P(ToPropValueConverts, ByPropertyType) {
  const PropCase& c = GetParam();
  std::string error;
  const auto scalar = ParseJsonScalar(c.json, error);
  ASSERT_TRUE(scalar) << error;
  const auto v = ToPropValue(*scalar, c.type);
  ASSERT_EQ(v.has_value(), c.ok) << c.json;
  if (c.ok) {
    EXPECT_EQ(*v, c.expected) << c.json;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, ToPropValueConverts,
    ::testing::Values(PropCase{R"("50")", PropType::String, true, std::string("50")},
                      PropCase{"50", PropType::String, false, {}},
                      PropCase{"true", PropType::String, false, {}},
                      PropCase{"1", PropType::Integer, true, std::int16_t{1}},
                      PropCase{"-32768", PropType::Integer, true, std::int16_t{-32768}},
                      PropCase{"32767", PropType::Integer, true, std::int16_t{32767}},
                      PropCase{"32768", PropType::Integer, false, {}},
                      PropCase{"1.0", PropType::Integer, false, {}},
                      PropCase{R"("1")", PropType::Integer, false, {}},
                      PropCase{"true", PropType::Integer, false, {}},
                      PropCase{"true", PropType::Boolean, true, true},
                      PropCase{"false", PropType::Boolean, true, false},
                      PropCase{"-1", PropType::Boolean, true, true},
                      PropCase{"0", PropType::Boolean, true, false},
                      PropCase{"1", PropType::Boolean, false, {}},
                      PropCase{R"("true")", PropType::Boolean, false, {}},
                      PropCase{"null", PropType::Boolean, false, {}}));

TEST(JsonOf, WritesEachPropertyType) {
  EXPECT_EQ(JsonOf(std::string("1.234")), R"("1.234")");
  EXPECT_EQ(JsonOf(true), "true");
  EXPECT_EQ(JsonOf(false), "false");
  EXPECT_EQ(JsonOf(std::int16_t{-32768}), "-32768");
}

}  // namespace
}  // namespace vyx::documents
