#include <gtest/gtest.h>

#include "console_args.h"

namespace vyx::console {
namespace {

CliOptions Parse(std::vector<std::string> args) {
  auto r = ParseArguments(args);
  if (const auto* e = std::get_if<CliError>(&r)) {
    ADD_FAILURE() << e->message;
    return {};
  }
  return std::get<CliOptions>(r);
}

TEST(ParseArguments, OptionsStandBeforeOrAfterTheCommand) {
  const CliOptions before = Parse({"--port", "1=/dev/pts/3", "shell"});
  const CliOptions after = Parse({"shell", "--port", "1=/dev/pts/3"});
  const CliOptions joined = Parse({"shell", "--port=1=/dev/pts/3"});
  for (const CliOptions& o : {before, after, joined}) {
    EXPECT_EQ(o.command, CliCommand::Shell);
    ASSERT_EQ(o.ports.size(), 1u);
    EXPECT_EQ(o.ports[0].comm, 1);
    EXPECT_EQ(o.ports[0].device, "/dev/pts/3");
  }
}

TEST(ParseArguments, ReadAndMonitorTakeTheirOptionsAndDefaults) {
  const CliOptions r = Parse({"read"});
  EXPECT_EQ(r.comm, 1);
  EXPECT_EQ(r.address, 0);
  EXPECT_EQ(r.format, OutputFormat::Json);

  const CliOptions t = Parse({"--comm", "6", "read", "--address=3", "--format", "text"});
  EXPECT_EQ(t.comm, 6);
  EXPECT_EQ(t.address, 3);
  EXPECT_EQ(t.format, OutputFormat::Text);

  const CliOptions m =
      Parse({"monitor", "--simulate", "--count", "20", "--interval", "250", "--format", "jsonl",
             "--output", "log.jsonl", "--append", "--duration", "1.5", "--port",
             "2=tcp://localhost:4000", "--port", "3=/dev/ttyUSB0"});
  EXPECT_EQ(m.command, CliCommand::Monitor);
  EXPECT_TRUE(m.simulate);
  EXPECT_EQ(m.count, 20);
  EXPECT_EQ(m.intervalMs, 250);
  EXPECT_EQ(m.format, OutputFormat::Jsonl);
  EXPECT_EQ(m.output, "log.jsonl");
  EXPECT_TRUE(m.append);
  EXPECT_EQ(m.durationMs, 1500);
  ASSERT_EQ(m.ports.size(), 2u);
  EXPECT_EQ(m.ports[1].comm, 3);
  EXPECT_EQ(Parse({"monitor"}).format, OutputFormat::Csv);
}

TEST(ParseArguments, HelpAndVersionWinOverEverythingElse) {
  EXPECT_EQ(Parse({"--help"}).command, CliCommand::Help);
  EXPECT_EQ(Parse({"read", "-h"}).command, CliCommand::Help);
  EXPECT_EQ(Parse({"--version"}).command, CliCommand::Version);
  EXPECT_EQ(Parse({"monitor", "--version"}).command, CliCommand::Version);
}

struct BadArgs {
  std::vector<std::string> args;
  const char* message;
};

class ParseArgumentsRefuses : public ::testing::TestWithParam<BadArgs> {};

TEST_P(ParseArgumentsRefuses, WithAMessage) {
  const auto r = ParseArguments(GetParam().args);
  const auto* e = std::get_if<CliError>(&r);
  ASSERT_NE(e, nullptr);
  EXPECT_NE(e->message.find(GetParam().message), std::string::npos) << e->message;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ParseArgumentsRefuses,
    ::testing::Values(BadArgs{{}, "no command"}, BadArgs{{"frob"}, "unknown command \"frob\""},
                      BadArgs{{"read", "shell"}, "unexpected argument"},
                      BadArgs{{"ports", "usb", "acm"}, "unexpected argument \"acm\""},
                      BadArgs{{"read", "--frob"}, "unknown option --frob"},
                      BadArgs{{"read", "--comm"}, "--comm needs a value"},
                      BadArgs{{"read", "--comm", "9"}, "1 to 8"},
                      BadArgs{{"read", "--comm", "1x"}, "1 to 8"},
                      BadArgs{{"read", "--address", "4"}, "0 to 3"},
                      BadArgs{{"read", "--format", "csv"}, "json or text"},
                      BadArgs{{"monitor", "--format", "json"}, "csv or jsonl"},
                      BadArgs{{"monitor", "--interval", "-5"}, "milliseconds"},
                      BadArgs{{"monitor", "--count", "x"}, "number of updates"},
                      BadArgs{{"monitor", "--duration", "-1"}, "seconds"},
                      BadArgs{{"monitor", "--duration", "1e3"}, "seconds"},
                      BadArgs{{"monitor", "--append"}, "needs --output FILE"},
                      BadArgs{{"monitor", "--append", "--output", "-"}, "needs --output FILE"},
                      BadArgs{{"read", "--count", "2"}, "apply to monitor"},
                      BadArgs{{"read", "--duration", "2"}, "apply to monitor"},
                      BadArgs{{"shell", "--comm", "2"}, "apply to read and monitor"},
                      BadArgs{{"ports", "--format", "json"}, "applies to read and monitor"},
                      BadArgs{{"shell", "--port", "9=/dev/x"}, "N=DEVICE"},
                      BadArgs{{"shell", "--port", "/dev/x"}, "N=DEVICE"},
                      BadArgs{{"shell", "--port", "1="}, "N=DEVICE"},
                      BadArgs{{"shell", "--simulate=yes"}, "takes no value"},
                      BadArgs{{"read", "--simulate", "--port", "1=/dev/x"},
                              "--simulate maps Comm1"}));

}  // namespace
}  // namespace vyx::console
