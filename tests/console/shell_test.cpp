// The shell protocol, spoken to the vyx program over its standard input and output, with a
// simulated board on a pseudo-terminal where a board is needed.
#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>

#include "vyx_process.h"

namespace vyx::console::test {
namespace {

std::vector<std::string> Slice(const std::vector<std::string>& v, std::size_t from, std::size_t n) {
  if (from >= v.size()) return {};
  return {v.begin() + static_cast<std::ptrdiff_t>(from),
          v.begin() + static_cast<std::ptrdiff_t>(std::min(v.size(), from + n))};
}

constexpr std::size_t kDumpLines = 31;  // 30 properties and "end"

TEST(Shell, DumpListsTheThirtyPropertiesInInterfaceOrder) {
  const Outcome o = RunVyx({"shell"}, "dump\n");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const auto lines = o.Lines();
  ASSERT_EQ(lines.size(), kDumpLines);
  EXPECT_EQ(lines.front(), R"(CommPort "0")");
  EXPECT_EQ(lines[1], R"(CommStatus "Offline")");
  EXPECT_EQ(lines[4], "UpdateCmd false");
  EXPECT_EQ(lines[19], "DONstate 0");
  EXPECT_EQ(lines[29], R"(CLKtime "")");
  EXPECT_EQ(lines.back(), "end");
}

struct BadCommand {
  const char* line;
  const char* message;
};

// Each bad command answers one error line and leaves every property as it was.
TEST(Shell, ErrorsAnswerOneLineAndChangeNothing) {
  TempDir dir;
  WriteFile(dir / "broken.json", R"({"CommPort": "1",)");
  WriteFile(dir / "list.json", R"(["CommPort"])");
  const std::string broken = "restore " + (dir / "broken.json");
  const std::string list = "restore " + (dir / "list.json");
  const std::string missing = "restore " + (dir / "missing.json");
  const std::string unwritable = "save " + (dir / "no/such/dir/doc.json");
  const BadCommand cases[] = {
      {"frobnicate", "unknown command \"frobnicate\""},
      {"fro\x1b[2J\x9b\x7f", R"(unknown command "fro\x1b[2J\x9b\x7f")"},  // echoed inert
      {"set Nope \"1\"", "unknown property \"Nope\""},
      {"set Nope x", "unknown property \"Nope\""},
      {"get pwmduty", "unknown property \"pwmduty\""},
      // One wording for every type and every way a value is wrong.
      {"set PWMduty 50", "PWMduty takes a string, not 50"},
      {"set PWMduty null", "PWMduty takes a string, not null"},
      {"set DONstate \"x\"", "DONstate takes an integer -32768..32767, not \"x\""},
      {"set DONstate 40000", "DONstate takes an integer -32768..32767, not 40000"},
      {"set DONstate 1.0", "DONstate takes an integer -32768..32767, not 1.0"},
      {"set DONstate 2", "DONstate"},
      {"set UpdateCmd 0.5", "UpdateCmd takes true or false (or -1/0), not 0.5"},
      {"set UpdateCmd \"true\"", "UpdateCmd takes true or false (or -1/0), not \"true\""},
      {"set IDstring abc",
       "IDstring takes a string, not abc: not a JSON value (a text needs double quotes)"},
      {"set DONstate 1 2", "DONstate takes an integer -32768..32767, not 1 2: unexpected text"},
      {"field TxtNope", "unknown field \"TxtNope\""},
      {"field Timer1", "no value"},
      {"style TxtAD0", "not a label"},
      {"focus Nowhere", "unknown field"},
      {"click Nowhere", "unknown field"},
      {"port 9 /dev/null", "1 to 8"},
      {"port 2 udp://x:1", "Comm2"},
      {missing.c_str(), "cannot read"},
      {broken.c_str(), "is not a JSON document"},
      {list.c_str(), "not a JSON object"},
      {unwritable.c_str(), "cannot write"},
  };
  std::string script = "dump\n";
  for (const BadCommand& c : cases) script += std::string(c.line) + "\ndump\n";
  script += "events\n";

  const Outcome o = RunVyx({"shell"}, script);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const auto lines = o.Lines();
  const auto before = Slice(lines, 0, kDumpLines);
  ASSERT_EQ(lines.size(), kDumpLines + std::size(cases) * (1 + kDumpLines) + 1) << o.out;
  std::size_t at = kDumpLines;
  for (const BadCommand& c : cases) {
    const std::string& answer = lines[at];
    EXPECT_EQ(answer.rfind("error: ", 0), 0u) << c.line << " -> " << answer;
    EXPECT_NE(answer.find(c.message), std::string::npos) << c.line << " -> " << answer;
    EXPECT_EQ(Slice(lines, at + 1, kDumpLines), before) << "after " << c.line;
    at += 1 + kDumpLines;
  }
  // A refused set notifies nothing.
  EXPECT_EQ(lines.back(), "end");
}

// `help` lists every command with its arguments, as `vyx --help` does; a line of blanks is no
// command and gets no answer.
TEST(Shell, HelpListsEveryCommandAndBlankLinesGetNoAnswer) {
  const Outcome o = RunVyx({"shell"}, "help\n\n \t\f\v\r\nget MicroStatus\n");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  auto lines = o.Lines();
  ASSERT_GE(lines.size(), 2u) << o.out;
  EXPECT_EQ(lines.back(), R"("Ready")");
  lines.pop_back();
  EXPECT_EQ(lines.back(), "end");
  lines.pop_back();
  std::vector<std::string> commands;
  const Outcome usage = RunVyx({"--help"});
  for (const std::string& line : lines) {
    commands.push_back(line.substr(0, line.find(' ')));
    EXPECT_NE(usage.out.find("  " + line + "\n"), std::string::npos) << line;
  }
  const std::vector<std::string> expected = {"port",   "set",  "get",  "dump",    "field", "style",
                                             "focus",  "type", "key",  "click",   "wait",  "sleep",
                                             "events", "help", "save", "restore", "quit"};
  EXPECT_EQ(commands, expected) << o.out;
}

TEST(Shell, AnswersEachPanelQueryInItsKind) {
  const Outcome o = RunVyx({"shell"},
                           "field LblComm\nstyle LblComm\nfield CmbComm\nfield ChkDON\n"
                           "field CmdUpdate\nfield TxtComm\nstyle LblStatus\n");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> expected = {
      R"("Offline")", R"({"color":255,"emphasis":true})", "0", "0", "false", R"("0")"};
  const auto lines = o.Lines();
  ASSERT_EQ(lines.size(), expected.size() + 1) << o.out;
  EXPECT_EQ(Slice(lines, 0, expected.size()), expected);
  EXPECT_EQ(lines.back().rfind(R"({"color":)", 0), 0u);
}

TEST(Shell, InputEndsTheProgramAndQuitIgnoresTheRest) {
  const Outcome noNewline = RunVyx({"shell"}, "\n  \nget CommStatus\r\nget MicroStatus");
  EXPECT_EQ(noNewline.exitCode, 0);
  EXPECT_EQ(noNewline.out, "\"Offline\"\n\"Ready\"\n");

  const Outcome quit = RunVyx({"shell"}, "get MicroStatus\nquit\nget CommStatus\n");
  EXPECT_EQ(quit.exitCode, 0);
  EXPECT_EQ(quit.out, "\"Ready\"\n");
}

// A line that arrives in pieces is answered once, when its newline comes.
TEST(Shell, ALineInPiecesIsOneCommand) {
  QProcess p;
  p.start(QStringLiteral(VYX_BINARY), {"shell"});
  ASSERT_TRUE(p.waitForStarted(5000));
  p.write("get Comm");
  ASSERT_TRUE(p.waitForBytesWritten(5000));
  EXPECT_FALSE(p.waitForReadyRead(200)) << p.readAllStandardOutput().toStdString();
  p.write("Status\nget MicroStatus\n");
  p.closeWriteChannel();
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(p.readAllStandardOutput().toStdString(), "\"Offline\"\n\"Ready\"\n");
}

TEST(Shell, SleepRunsTheLoopAndAnswersInOrder) {
  const Outcome o = RunVyx({"shell"}, "sleep 0.05\nget MicroStatus\nwait 1\n");
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(o.out, "ok\n\"Ready\"\nok\n");
}

TEST(Shell, EventsFollowTheOrderTheComponentRaisesThem) {
  Board board;
  const std::string script =
      "events\n"
      "set CommPort \"1\"\n"
      "set PWMduty \"50\"\n"
      "set PWMduty \"50\"\n"
      "set UpdateCmd true\n"
      "wait 3\n"
      "events\n"
      "events\n"
      "set UpdateCmd true\n"
      "wait 3\n"
      "get MicroStatus\n"
      "events\n";
  const Outcome o = RunVyx(QStringList{"shell"} + board.PortArgs(), script);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> expected = {"end",  // nothing yet
                                             "ok",
                                             "ok",
                                             "ok",
                                             "ok",
                                             "ok",  // sets and wait
                                             "changed CommPort",
                                             "changed PWMduty",
                                             "changed PWMduty",  // a set notifies even
                                             "changed UpdateCmd",
                                             "NewData",
                                             "end",  // when nothing changed
                                             "end",  // taken once only
                                             "ok",
                                             "ok",
                                             R"("Ready")",
                                             "changed UpdateCmd",
                                             "NewData",
                                             "end"};
  EXPECT_EQ(o.Lines(), expected) << o.err;
}

TEST(Shell, ASilentBoardRaisesNoNewDataAndWaitTimesOutUntilTheUpdateGivesUp) {
  sim::Options options;
  options.faults.silence = 1.0;
  Board board(options);
  const std::string script =
      "set CommPort \"1\"\n"
      "set UpdateCmd true\n"
      "wait 0.05\n"
      "wait 3\n"
      "events\n"
      "get AD0volt\n";
  const Outcome o = RunVyx(QStringList{"shell"} + board.PortArgs(), script);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> expected = {
      "ok", "ok", "timeout", "ok", "changed CommPort", "changed UpdateCmd", "end", R"("")"};
  EXPECT_EQ(o.Lines(), expected);
}

TEST(Shell, TheOperatorEditsThroughFocusTypeKeyAndClick) {
  Board board;
  const std::string script =
      "click CmbComm 1\n"
      "get CommStatus\n"
      "focus BufPWM\n"
      "type \"75\"\n"
      "key 13\n"
      "focus none\n"
      "get PWMduty\n"
      "click ChkDON\n"
      "get DONstate\n"
      "click ChkDON\n"
      "get DONstate\n";
  const Outcome o = RunVyx(QStringList{"shell"} + board.PortArgs(), script);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> expected = {"ok",      R"("Connect")", "ok", "ok", "ok", "ok",
                                             R"("75")", "ok",           "1",  "ok", "0"};
  EXPECT_EQ(o.Lines(), expected);
}

// A whole working session, then a second process that opens the saved document.
TEST(Shell, AFullSessionSavesADocumentThatANewProcessRestores) {
  Board board;
  TempDir dir;
  const std::string doc = dir / "session.json";
  const std::string first = "port 1 " + board.Device() +
                            "\n"
                            "set CommPort \"1\"\n"
                            "style LblComm\n"
                            "set UpdateCmd true\n"
                            "wait 3\n"
                            "set DONstate 1\n"
                            "set DOSstate 1\n"
                            "set PWMduty \"50\"\n"
                            "set IDstring \"Bench7\"\n"
                            "set UpdateCmd true\n"
                            "wait 5\n"
                            "get AD3volt\n"
                            "get FWver\n"
                            "get IDstring\n"
                            "save " +
                            doc + "\n";
  const Outcome o = RunVyx({"shell"}, first);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> expected = {
      "ok",       "ok",          R"({"color":2147483666,"emphasis":false})",
      "ok",       "ok",          "ok",
      "ok",       "ok",          "ok",
      "ok",       "ok",          R"("3.000")",
      R"("1.0")", R"("Bench7")", "ok"};
  EXPECT_EQ(o.Lines(), expected);

  // The board holds what the session set.
  const auto outputs = board.Sim().ReadOutputs(0);
  ASSERT_TRUE(outputs);
  EXPECT_TRUE(outputs->don);
  EXPECT_TRUE(outputs->dos);
  EXPECT_FALSE(outputs->doe);
  EXPECT_NE(outputs->pwm, 0);

  const std::string saved = ReadFile(doc);
  EXPECT_NE(saved.find(R"("CommPort": "1")"), std::string::npos) << saved;
  EXPECT_NE(saved.find(R"("DONstate": 1)"), std::string::npos) << saved;
  // The duty as the board reported it back.
  EXPECT_NE(saved.find(R"("PWMduty": "50.000")"), std::string::npos) << saved;

  const std::string second = "restore " + doc +
                             "\n"
                             "style LblComm\n"
                             "get PWMduty\n"
                             "get DONstate\n"
                             "get IDstring\n"
                             "events\n"
                             "set UpdateCmd true\n"
                             "wait 5\n"
                             "events\n";
  const Outcome r = RunVyx(QStringList{"shell"} + board.PortArgs(), second);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> restored = {"ok",
                                             R"({"color":2147483666,"emphasis":false})",
                                             R"("50.000")",
                                             "1",
                                             R"("Bench7")",
                                             "end",  // a restore notifies no property changes
                                             "ok",
                                             "ok",
                                             "changed UpdateCmd",
                                             "NewData",
                                             "end"};
  EXPECT_EQ(r.Lines(), restored);
}

TEST(Shell, ARestoreStopsAtABadKeyKeepingWhatCameBefore) {
  TempDir dir;
  WriteFile(dir / "bad.json", R"({"PWMduty": "40", "DONstate": "x", "CLKtime": "9"})");
  const Outcome o = RunVyx(
      {"shell"}, "restore " + (dir / "bad.json") + "\nget PWMduty\nget CLKtime\nget DONstate\n");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const auto lines = o.Lines();
  ASSERT_EQ(lines.size(), 4u) << o.out;
  EXPECT_EQ(lines[0].rfind("error: restore stopped at key \"DONstate\"", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], R"("40")");
  EXPECT_EQ(lines[2], R"("")");
  EXPECT_EQ(lines[3], "0");
}

}  // namespace
}  // namespace vyx::console::test
