// How and why an update ended, as the console tells it: the shell's `ended` events, the reason
// in the monitor's rows and in read's failure.
#include <gtest/gtest.h>

#include <QProcess>

#include "vyx_process.h"

namespace vyx::console::test {
namespace {

// The shell as a program on the other end of a pipe sees it: a command in, its answer out,
// with the board changed between commands.
class LiveShell {
 public:
  explicit LiveShell(const QStringList& args) {
    p_.setEnvironment(QProcess::systemEnvironment() + QStringList{"VYX_COMM1=", "VYX_COMM2="});
    p_.start(QStringLiteral(VYX_BINARY), QStringList{"shell"} + args);
    EXPECT_TRUE(p_.waitForStarted(5000)) << p_.errorString().toStdString();
  }
  ~LiveShell() {
    p_.closeWriteChannel();
    if (!p_.waitForFinished(5000)) p_.kill();
  }

  // The answer lines to `command`, up to and with the one equal to `last`.
  std::vector<std::string> Ask(const std::string& command, const std::string& last) {
    p_.write(QByteArray::fromStdString(command + "\n"));
    std::vector<std::string> lines;
    while (lines.empty() || lines.back() != last) {
      if (!p_.canReadLine() && !p_.waitForReadyRead(10000)) {
        ADD_FAILURE() << "no answer to " << command;
        break;
      }
      while (p_.canReadLine()) lines.push_back(p_.readLine().trimmed().toStdString());
    }
    return lines;
  }

 private:
  QProcess p_;
};

TEST(UpdateEnd, EventsEndEachUpdateWithItsOutcome) {
  Board board;
  LiveShell shell(board.PortArgs());
  ASSERT_EQ(shell.Ask("set CommPort \"1\"", "ok"), std::vector<std::string>{"ok"});
  const struct {
    bool mute;
    std::vector<std::string> events;
  } updates[] = {
      {false, {"changed UpdateCmd", "NewData", "ended ok", "end"}},
      {true, {"changed UpdateCmd", "ended failed: no reply", "end"}},
      {false, {"changed UpdateCmd", "NewData", "ended ok", "end"}},
  };
  shell.Ask("events", "end");
  for (const auto& u : updates) {
    board.sim->SetFaults({.silence = u.mute ? 1.0 : 0.0});
    shell.Ask("set UpdateCmd true", "ok");
    EXPECT_EQ(shell.Ask("wait 5", "ok"), std::vector<std::string>{"ok"});
    EXPECT_EQ(shell.Ask("events", "end"), u.events) << (u.mute ? "muted" : "answering");
  }
}

// A failed update's row says why in its last member; a good one's says nothing.
TEST(UpdateEnd, MonitorRowsAndReadGiveTheReason) {
  sim::Options silent;
  silent.faults.silence = 1.0;
  Board answering, mute(silent);
  const std::string where = "(board 0 on Comm1 (" + mute.device + "))";
  const struct {
    Board& board;
    QStringList args;
    int exitCode;
    std::string out, err;
  } cases[] = {
      {answering, {"monitor", "--count", "1"}, 0, ",Vantrel,5.0000,\n", ""},
      {mute, {"monitor", "--count", "1"}, 1, ",false" + std::string(24, ',') + "no reply\n", ""},
      {answering,
       {"monitor", "--count", "1", "--format", "jsonl"},
       0,
       "\"Vrefvolt\":\"5.0000\"}\n",
       ""},
      {mute,
       {"monitor", "--count", "1", "--format", "jsonl"},
       1,
       "\"ok\":false,\"error\":\"no reply\"}\n",
       ""},
      {mute, {"read"}, 1, "", "vyx: the update failed: no reply " + where + "\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = RunVyx(c.args + c.board.PortArgs(), {}, 20000, {"VYX_COMM1="});
    SCOPED_TRACE(c.args.join(' ').toStdString());
    EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
    EXPECT_TRUE(o.out.ends_with(c.out)) << o.out;
    EXPECT_EQ(o.out.find("\"error\"") != std::string::npos,
              c.out.find("\"error\"") != std::string::npos)
        << "only a failed row has an error member";
    EXPECT_TRUE(o.err.starts_with(c.err)) << o.err;
  }
}

}  // namespace
}  // namespace vyx::console::test
