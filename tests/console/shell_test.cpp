// The shell protocol, spoken to the vyx program over its standard input and output, with a
// simulated board on a pseudo-terminal where a board is needed.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <regex>

#include "vyx_process.h"

namespace vyx::console::test {
namespace {

// A script and the lines it answers; $D stands for a scratch directory, $DEV for a board.
struct Script {
  const char* name;
  std::string input;
  std::vector<std::string> answers;
  double silence = 0;
};

std::string Expand(std::string s, const std::string& dir, const std::string& device) {
  s = std::regex_replace(s, std::regex(R"(\$DEV)"), device);
  return std::regex_replace(s, std::regex(R"(\$D)"), dir);
}

const Script kScripts[] = {
    {"input ends the program; the last line needs no newline",
     "\n \t\f\v\r\nget CommStatus\r\nget MicroStatus",
     {R"("Offline")", R"("Ready")"}},
    {"quit ignores the rest", "get MicroStatus\nquit\nget CommStatus\n", {R"("Ready")"}},
    {"each panel query in its kind",
     "field LblComm\nstyle LblComm\nfield CmbComm\nfield ChkDON\nfield CmdUpdate\nfield TxtComm\n",
     {R"("Offline")", R"({"color":255,"emphasis":true})", "0", "0", "false", R"("0")"}},
    {"texts keep any character, as JSON",
     "set IDstring \"a\\\"b\\\\c\\/d\\n\\t\"\nget IDstring\nset IDstring "
     "\"\\u00e9\\ud83d\\ude00\"\n"
     "get IDstring\nset IDstring \"\\u0001\\u007f\\u009b\"\nget IDstring\n",
     {"ok", R"("a\"b\\c/d\n\t")", "ok", "\"\xc3\xa9\xf0\x9f\x98\x80\"", "ok",
      R"("\u0001\u007f\u009b")"}},
    {"a restore stops at a bad key, keeping what came before",
     "restore $D/bad.json\nget PWMduty\nget CLKtime\nget DONstate\n",
     {R"(error: restore stopped at key "DONstate": not a whole number: "x")", R"("40")", R"("")",
      "0"}},
    {"only regular files are restored or saved over",
     "restore $D/pipe\nrestore /dev/null\nsave $D/pipe\nsave $D/\nrestore $D/link.json\n"
     "set IDstring \"New\"\nsave $D/link.json\n",
     {"error: cannot read $D/pipe: it is a FIFO, not a regular file",
      "error: cannot read /dev/null: it is a character device, not a regular file",
      "error: cannot write $D/pipe: it is a FIFO, not a regular file",
      "error: cannot write $D/: it is a directory, not a regular file", "ok", "ok", "ok"}},
    {"events follow the order the component raises them",
     "events\nset CommPort \"1\"\nset PWMduty \"50\"\nset PWMduty \"50\"\nset UpdateCmd true\n"
     "wait 3\nevents\nevents\nset UpdateCmd true\nwait 3\nget MicroStatus\nevents\n",
     {"end",
      "ok",
      "ok",
      "ok",
      "ok",
      "ok",
      "changed CommPort",
      "changed PWMduty",
      "changed PWMduty",
      "changed UpdateCmd",
      "NewData",
      "ended ok",
      "end",
      "end",
      "ok",
      "ok",
      R"("Ready")",
      "changed UpdateCmd",
      "NewData",
      "ended ok",
      "end"}},
    {"a silent board raises no NewData; wait times out until the update gives up",
     "set CommPort \"1\"\nset UpdateCmd true\nwait 0.05\nwait 3\nevents\nget AD0volt\n",
     {"ok", "ok", "timeout", "ok", "changed CommPort", "changed UpdateCmd",
      "ended failed: no reply", "end", R"("")"},
     1.0},
    {"the operator edits through focus, type, key and click",
     "click CmbComm 1\nget CommStatus\nfocus BufPWM\ntype \"75\"\nkey 13\nfocus none\n"
     "get PWMduty\nclick ChkDON\nget DONstate\nclick ChkDON\nget DONstate\n",
     {"ok", R"("Connect")", "ok", "ok", "ok", "ok", R"("75")", "ok", "1", "ok", "0"}},
    {"a whole session saves a document",
     "port 1 $DEV\nset CommPort \"1\"\nstyle LblComm\nset UpdateCmd true\nwait 3\n"
     "set DONstate 1\nset PWMduty \"50\"\nset IDstring \"Bench7\"\nset UpdateCmd true\nwait 5\n"
     "get AD3volt\nget FWver\nsave $D/session.json\n",
     {"ok", "ok", R"({"color":2147483666,"emphasis":false})", "ok", "ok", "ok", "ok", "ok", "ok",
      "ok", R"("3.000")", R"("1.0")", "ok"}},
};

class ShellScript : public ::testing::TestWithParam<Script> {};

TEST_P(ShellScript, AnswersInOrder) {
  const Script& s = GetParam();
  sim::Options options;
  options.faults.silence = s.silence;
  Board board(options);
  TempDir dir;
  WriteFile(dir / "bad.json", R"({"PWMduty": "40", "DONstate": "x", "CLKtime": "9"})");
  WriteFile(dir / "doc.json", R"({"IDstring": "Old"})");
  ASSERT_EQ(::chmod((dir / "doc.json").c_str(), 0640), 0);
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink((dir / "doc.json").c_str(), (dir / "link.json").c_str()), 0);
  const bool mapped =
      s.input.find("$DEV") == std::string::npos && (s.input.find("CommPort") != std::string::npos ||
                                                    s.input.find("CmbComm") != std::string::npos);
  const Outcome o = RunVyx(QStringList{"shell"} + (mapped ? board.PortArgs() : QStringList{}),
                           Expand(s.input, dir.path, board.device), 10000);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  std::vector<std::string> expected;
  for (const std::string& a : s.answers) expected.push_back(Expand(a, dir.path, board.device));
  EXPECT_EQ(o.Lines(), expected);
  // Saving through a link replaces the file it leads to, which keeps its permissions.
  EXPECT_EQ(ReadFile(dir / "doc.json").find("New") != std::string::npos,
            std::string_view(s.name).starts_with("only regular"));
  struct stat st {};
  EXPECT_TRUE(::lstat((dir / "link.json").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  EXPECT_TRUE(::stat((dir / "doc.json").c_str(), &st) == 0 && (st.st_mode & 07777) == 0640);
  EXPECT_TRUE(::lstat((dir / "pipe").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  if (std::string_view(s.name).starts_with("a whole session")) {
    EXPECT_TRUE(board.sim->ReadOutputs(0)->don);
    const std::string saved = ReadFile(dir / "session.json");
    for (const char* member : {R"("CommPort": "1")", R"("DONstate": 1)", R"("PWMduty": "50.000")"})
      EXPECT_NE(saved.find(member), std::string::npos) << saved;
    // A new process restores it: the same panel, no change events, the outputs sent again.
    const Outcome r =
        RunVyx(QStringList{"shell"} + board.PortArgs(),
               "restore " + (dir / "session.json") +
                   "\nstyle LblComm\nget PWMduty\nget DONstate\nget IDstring\nevents\n"
                   "set UpdateCmd true\nwait 5\nevents\n");
    EXPECT_EQ(r.Lines(),
              (std::vector<std::string>{"ok", R"({"color":2147483666,"emphasis":false})",
                                        R"("50.000")", "1", R"("Bench7")", "end", "ok", "ok",
                                        "changed UpdateCmd", "NewData", "ended ok", "end"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Shell, ShellScript, ::testing::ValuesIn(kScripts),
                         [](const auto& p) { return "Script" + std::to_string(p.index); });

// Each bad command answers one error line and leaves every property as it was.
TEST(Shell, ErrorsAnswerOneLineAndChangeNothing) {
  TempDir dir;
  WriteFile(dir / "broken.json", R"({"CommPort": "1",)");
  WriteFile(dir / "list.json", R"(["CommPort"])");
  WriteFile(dir / "empty.json", "");
  WriteFile(dir / "huge.json", "");
  std::filesystem::resize_file(dir / "huge.json", (16 << 20) + 1);
  const std::pair<std::string, const char*> cases[] = {
      {"frobnicate", "unknown command \"frobnicate\""},
      {"fro\x1b[2J\x9b\x7f", R"(unknown command "fro\x1b[2J\x9b\x7f")"},  // echoed inert
      {"set PWMduty null", "PWMduty takes a string, a number or true/false, not null"},
      {"set DONstate \"x\"", "DONstate takes a whole number -32768..32767, not \"x\""},
      {"set DONstate 2", "DONstate"},
      {"set IDstring abc", "not abc: not a JSON value (a text needs"},
      {"set DONstate 1 2", "DONstate takes a whole number -32768..32767, not 1 2: unexpected text"},
      {"set PWMduty \"open", "unterminated"},
      {"set IDstring \"\\ud800\"", ""},
      {std::string("set IDstring \"\0\"", 16), ""},
      {"type 75", "JSON string"},
      {"click CmbComm -1", "0 or more"},
      {"wait 1e3", "seconds"},
      {"field TxtNope", "unknown field \"TxtNope\""},
      {"style TxtAD0", "not a label"},
      {"port 9 /dev/null", "1 to 8"},
      {"restore " + (dir / "missing.json"), "cannot read"},
      {"restore " + (dir / "broken.json"), "is not a JSON document"},
      {"restore " + (dir / "list.json"), "not a JSON object"},
      {"restore " + (dir / "empty.json"), "is not a JSON document"},
      {"restore " + (dir / "huge.json"), "larger than 16 MiB"},
      {"save " + (dir / "no/such/dir/doc.json"), "cannot write"},
  };
  std::string script = "dump\n";
  for (const auto& [line, message] : cases) script += line + "\n";
  const Outcome o = RunVyx({"shell"}, script + "dump\nevents\n");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const auto lines = o.Lines();
  ASSERT_EQ(lines.size(), 31 + std::size(cases) + 31 + 1) << o.out;  // dump: 30 and "end"
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(lines[31 + i].rfind("error: ", 0), 0u) << cases[i].first << " -> " << lines[31 + i];
    EXPECT_NE(lines[31 + i].find(cases[i].second), std::string::npos) << lines[31 + i];
  }
  const auto before = std::vector(lines.begin(), lines.begin() + 31);
  EXPECT_EQ(std::vector(lines.end() - 32, lines.end() - 1), before);
  EXPECT_EQ(before[0], R"(CommPort "0")");
  EXPECT_EQ(lines.back(), "end");  // a refused set notifies nothing
}

// A full disk, as far as the save can tell: the write is cut short, then fails with EFBIG.
TEST(Shell, AFailedSaveSaysWhyAndKeepsTheOldDocumentWhole) {
  TempDir dir;
  const std::string doc = dir / "doc.json", old = R"({"IDstring": "Old"})";
  WriteFile(doc, old);
  const Outcome o =
      RunVyx({"shell"}, "save " + doc + "\nrestore " + doc + "\nget IDstring\n", 20000, {}, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      });
  EXPECT_EQ(o.Lines(),
            (std::vector<std::string>{"error: cannot write " + doc + ": " + std::strerror(EFBIG),
                                      "ok", R"("Old")"}));
  EXPECT_EQ(ReadFile(doc), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

}  // namespace
}  // namespace vyx::console::test
