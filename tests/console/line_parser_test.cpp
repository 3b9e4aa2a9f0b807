#include <gtest/gtest.h>

#include "console_line.h"

namespace vyx::console {
namespace {

using documents::JsonScalar;

struct GoodLine {
  const char* line;
  Verb verb;
  const char* name;
  const char* text;
  int number;
  int index;  // -1: none
  double seconds;
};

class ParsesCommand : public ::testing::TestWithParam<GoodLine> {};

TEST_P(ParsesCommand, IntoItsParts) {
  const GoodLine& g = GetParam();
  const ParsedLine parsed = ParseShellLine(g.line);
  const auto* cmd = std::get_if<ShellCommand>(&parsed);
  ASSERT_NE(cmd, nullptr) << g.line;
  EXPECT_EQ(cmd->verb, g.verb);
  EXPECT_EQ(cmd->name, g.name);
  EXPECT_EQ(cmd->text, g.text);
  EXPECT_EQ(cmd->number, g.number);
  EXPECT_EQ(cmd->index.value_or(-1), g.index);
  EXPECT_DOUBLE_EQ(cmd->seconds, g.seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Shell, ParsesCommand,
    ::testing::Values(GoodLine{"port 1 /dev/pts/3", Verb::Port, "", "/dev/pts/3", 1, -1, 0},
                      GoodLine{"port 8 tcp://h:4000", Verb::Port, "", "tcp://h:4000", 8, -1, 0},
                      GoodLine{"port 2 /dev/my port  ", Verb::Port, "", "/dev/my port", 2, -1, 0},
                      GoodLine{"get AD0volt", Verb::Get, "AD0volt", "", 0, -1, 0},
                      GoodLine{"  get\tCommPort \r", Verb::Get, "CommPort", "", 0, -1, 0},
                      GoodLine{"dump", Verb::Dump, "", "", 0, -1, 0},
                      GoodLine{"field LblStatus", Verb::Field, "LblStatus", "", 0, -1, 0},
                      GoodLine{"style LblComm", Verb::Style, "LblComm", "", 0, -1, 0},
                      GoodLine{"focus BufPWM", Verb::Focus, "BufPWM", "", 0, -1, 0},
                      GoodLine{"focus none", Verb::Focus, "", "", 0, -1, 0},
                      GoodLine{"type \"7 5\"", Verb::Type, "", "7 5", 0, -1, 0},
                      GoodLine{"type \"\"", Verb::Type, "", "", 0, -1, 0},
                      GoodLine{"key 13", Verb::Key, "", "", 13, -1, 0},
                      GoodLine{"click CmdUpdate", Verb::Click, "CmdUpdate", "", 0, -1, 0},
                      GoodLine{"click CmbComm 5", Verb::Click, "CmbComm", "", 0, 5, 0},
                      GoodLine{"wait 2", Verb::Wait, "", "", 0, -1, 2.0},
                      GoodLine{"wait 0.25", Verb::Wait, "", "", 0, -1, 0.25},
                      GoodLine{"sleep 0", Verb::Sleep, "", "", 0, -1, 0.0},
                      GoodLine{"events", Verb::Events, "", "", 0, -1, 0},
                      GoodLine{"save /tmp/a b.json", Verb::Save, "", "/tmp/a b.json", 0, -1, 0},
                      GoodLine{"restore doc.json", Verb::Restore, "", "doc.json", 0, -1, 0},
                      GoodLine{"help", Verb::Help, "", "", 0, -1, 0},
                      GoodLine{"quit", Verb::Quit, "", "", 0, -1, 0}));

TEST(ParseShellLine, SetCarriesTheJsonValue) {
  const auto parsed = ParseShellLine(R"(set IDstring "a \"b\" c")");
  const auto& cmd = std::get<ShellCommand>(parsed);
  EXPECT_EQ(cmd.name, "IDstring");
  EXPECT_EQ(cmd.value.kind, JsonScalar::Kind::String);
  EXPECT_EQ(cmd.value.text, "a \"b\" c");

  const auto parsedInteger = ParseShellLine("set DONstate -1");
  const auto& n = std::get<ShellCommand>(parsedInteger);
  EXPECT_EQ(n.value.kind, JsonScalar::Kind::Integer);
  EXPECT_EQ(n.value.integer, -1);
  EXPECT_EQ(n.given, "-1");

  // A value that is no JSON value still names its property, for the shell to say what it takes.
  const auto bad = ParseShellLine("set DONstate  x y ");
  const auto& e = std::get<LineError>(bad);
  EXPECT_EQ(e.property, "DONstate");
  EXPECT_EQ(e.given, "x y");
}

TEST(ParseShellLine, BlankLinesAreNotCommands) {
  for (const char* line : {"", "   ", "\t\r", " \f\v "}) {
    EXPECT_TRUE(std::holds_alternative<BlankLine>(ParseShellLine(line))) << '"' << line << '"';
  }
}

struct BadLine {
  const char* line;
  const char* message;  // a part of the error message
};

class RefusesLine : public ::testing::TestWithParam<BadLine> {};

TEST_P(RefusesLine, WithAMessage) {
  const ParsedLine parsed = ParseShellLine(GetParam().line);
  const auto* e = std::get_if<LineError>(&parsed);
  ASSERT_NE(e, nullptr) << GetParam().line;
  EXPECT_NE(e->message.find(GetParam().message), std::string::npos) << e->message;
  EXPECT_EQ(e->message.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Shell, RefusesLine,
    ::testing::Values(
        BadLine{"frobnicate", "unknown command \"frobnicate\""},
        BadLine{"GET AD0volt", "unknown command"}, BadLine{"port", "usage: port N DEVICE"},
        BadLine{"port 1", "usage: port N DEVICE"}, BadLine{"port x /dev/x", "usage"},
        BadLine{"port 9 /dev/x", "1 to 8"}, BadLine{"port 0 /dev/x", "1 to 8"},
        BadLine{"set", "usage: set NAME VALUE"}, BadLine{"set PWMduty", "usage"},
        BadLine{"set PWMduty 50 60", "after the JSON value"},
        BadLine{"set PWMduty fifty", "double quotes"},
        BadLine{"set PWMduty \"open", "unterminated"},
        BadLine{"set PWMduty [1]", "arrays and objects"},
        BadLine{"set PWMduty 01", "after the JSON value"}, BadLine{"get", "usage: get NAME"},
        BadLine{"get a b", "usage"}, BadLine{"dump now", "usage: dump"},
        BadLine{"events 1", "usage: events"}, BadLine{"help me", "usage: help"},
        BadLine{"quit now", "usage: quit"}, BadLine{"type 75", "JSON string"},
        BadLine{"type", "usage"}, BadLine{"key", "usage"}, BadLine{"key enter", "usage"},
        BadLine{"key -1", "0 to 65535"}, BadLine{"click", "usage"},
        BadLine{"click CmbComm x", "usage"}, BadLine{"click CmbComm 1 2", "usage"},
        BadLine{"click CmbComm -1", "0 or more"}, BadLine{"wait", "usage"},
        BadLine{"wait -1", "seconds"}, BadLine{"wait 1e3", "seconds"},
        BadLine{"sleep nan", "seconds"}, BadLine{"sleep 100000", "seconds"},
        BadLine{"save", "usage: save FILE"}, BadLine{"restore", "usage: restore FILE"}));

// Malformed values and stray bytes give errors, never a half-parsed command.
TEST(ParseShellLine, RefusesMalformedBytes) {
  const std::string refused[] = {std::string("set A \"\0\"", 9),
                                 "set A \"\\u",
                                 "set A \"\\ud800\"",
                                 "set A \"\\udc00\"",
                                 "set A \"\\q\"",
                                 "set A -",
                                 "set A 1e",
                                 "set A 1.",
                                 "set A tru",
                                 "\xff\xfe"};
  for (const std::string& s : refused) {
    EXPECT_TRUE(std::holds_alternative<LineError>(ParseShellLine(s))) << s;
  }
  // Names are the shell's to check against the component, not the parser's.
  EXPECT_TRUE(std::holds_alternative<ShellCommand>(ParseShellLine("click \xc3")));
}

}  // namespace
}  // namespace vyx::console
