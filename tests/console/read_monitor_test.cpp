// read and monitor against a simulated board on a pseudo-terminal, with and without faults.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <regex>

#include "console_args.h"
#include "console_readings.h"
#include "eeprom/record_codec.h"
#include "vyx_process.h"

namespace vyx::console::test {
namespace {

using documents::CsvHeader;
using documents::kReadingNames;

QJsonObject ParseObject(const std::string& line) {
  QJsonParseError e{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &e);
  EXPECT_EQ(e.error, QJsonParseError::NoError) << line;
  return doc.object();
}

// The summary: "vyx: N updates, F failed, R updates/s over S s", without a rate below two
// updates and with "1 update" for one.
struct Totals {
  long updates = -1;
  long failed = -1;
  double rate = -1.0;  // none
  double seconds = -1.0;
  std::pair<long, long> Counts() const { return {updates, failed}; }
};

Totals Summary(const std::string& err) {
  static const std::regex re(
      R"(vyx: (\d+) updates?, (\d+) failed, (?:([0-9.]+) updates/s )?over ([0-9.]+) s\n)");
  std::smatch m;
  if (!std::regex_search(err, m, re)) {
    ADD_FAILURE() << "no summary in: " << err;
    return {};
  }
  return {std::stol(m[1]), std::stol(m[2]), m[3].matched ? std::stod(m[3]) : -1.0, std::stod(m[4])};
}

// The lock file the serial port keeps for `device` while it is open; empty when there is none.
std::string LockFile(const std::string& device) {
  std::string name = device.substr(device.starts_with("/dev/") ? 5 : 0);
  std::replace(name.begin(), name.end(), '/', '_');
  for (const char* dir : {"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks",
                          "/var/spool/uucp", "/tmp", "/var/tmp"}) {
    const std::string path = std::string(dir) + "/LCK.." + name;
    if (std::filesystem::exists(path)) return path;
  }
  return {};
}

TEST(Read, PrintsEveryReadingAsJson) {
  sim::Options options;
  options.board.analog[1] = sim::Waveform::Constant(1.25);
  Board board(options);
  const Outcome o = RunVyx(QStringList{"read"} + board.PortArgs());
  ASSERT_EQ(o.exitCode, kExitOk) << o.err;
  ASSERT_EQ(o.Lines().size(), 1u);
  const QJsonObject r = ParseObject(o.out);
  EXPECT_EQ(static_cast<std::size_t>(r.size()), kReadingNames.size());
  for (std::string_view name : kReadingNames) {
    EXPECT_TRUE(r.contains(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))))
        << name;
  }
  EXPECT_EQ(r["AD1volt"].toString(), "1.250");
  EXPECT_EQ(r["AD3volt"].toString(), "3.000");
  EXPECT_EQ(r["FWver"].toString(), "1.0");
  EXPECT_EQ(r["RSTstate"].toInt(), 1);  // a board just powered up
  EXPECT_TRUE(r["DONstate"].isDouble());
}

TEST(Read, TextFormatAndAnotherAddressAndPort) {
  sim::Options options;
  options.boards = {2};
  Board board(options);
  // Comm5 to Comm8 open through the port list, which a CommPort text cannot do.
  const Outcome o = RunVyx({"read", "--port", QString::fromStdString("6=" + board.Device()),
                            "--comm", "6", "--address", "2", "--format", "text"});
  ASSERT_EQ(o.exitCode, kExitOk) << o.err;
  const auto lines = o.Lines();
  ASSERT_EQ(lines.size(), kReadingNames.size());
  EXPECT_EQ(lines[3], "AD3volt      3.000");
  EXPECT_EQ(lines[8], "FWver        1.0");
}

TEST(Read, FailsClearlyWhenThePortDoesNotOpenOrTheBoardIsSilent) {
  const Outcome noPort = RunVyx({"read", "--port", "1=/nonexistent/tty"});
  EXPECT_EQ(noPort.exitCode, kExitFailure);
  EXPECT_TRUE(noPort.out.empty());
  EXPECT_NE(noPort.err.find("Comm1 (/nonexistent/tty) did not open"), std::string::npos)
      << noPort.err;

  sim::Options silent;
  silent.faults.silence = 1.0;
  Board board(silent);
  const Outcome o = RunVyx(QStringList{"read"} + board.PortArgs());
  EXPECT_EQ(o.exitCode, kExitFailure);
  EXPECT_TRUE(o.out.empty());
  EXPECT_NE(o.err.find("the update failed"), std::string::npos) << o.err;

  // Nobody at address 1 on a live line is the same failure.
  Board other;
  const Outcome absent = RunVyx(QStringList{"read", "--address", "1"} + other.PortArgs());
  EXPECT_EQ(absent.exitCode, kExitFailure);
  EXPECT_NE(absent.err.find("board 1 on Comm1"), std::string::npos) << absent.err;
}

// A device path with a slash is a path, a relative one from the working directory; a bare name
// such as ttyUSB0 is a device under /dev.
TEST(Read, ARelativeDevicePathStartsFromTheWorkingDirectory) {
  Board board;
  TempDir dir;
  std::filesystem::create_directory(dir / "sub");
  std::filesystem::create_symlink(board.Device(), dir / "sub/board");
  std::filesystem::create_symlink(board.Device(), dir / "board");
  const std::string cwd = dir / "";
  const struct {
    const char* device;
    int exitCode;
  } cases[] = {{"sub/board", kExitOk},
               {"sub/../board", kExitOk},
               {"./sub/board", kExitOk},
               {"board", kExitFailure}};
  for (const auto& c : cases) {
    const Outcome o = RunVyx({"read", "--port", QString("1=") + c.device}, {}, 20000, {},
                             [cwd] { static_cast<void>(::chdir(cwd.c_str())); });
    EXPECT_EQ(o.exitCode, c.exitCode) << c.device << ": " << o.err;
  }
}

TEST(Read, SimulateStartsABoardInsideTheProcess) {
  const Outcome o = RunVyx({"--simulate", "read"});
  ASSERT_EQ(o.exitCode, kExitOk) << o.err;
  EXPECT_EQ(ParseObject(o.out)["AD4volt"].toString(), "4.200");  // the demo board's steady input
}

TEST(Monitor, LogsTheCountAsCsvWithAHeaderAndASummary) {
  Board board;
  const Outcome o = RunVyx(QStringList{"monitor", "--count", "5"} + board.PortArgs());
  ASSERT_EQ(o.exitCode, kExitOk) << o.err;
  const auto lines = o.Lines();
  ASSERT_EQ(lines.size(), 6u) << o.out;
  EXPECT_EQ(lines[0], CsvHeader());
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_NE(lines[i].find("," + std::to_string(i) + ",true,"), std::string::npos) << lines[i];
    EXPECT_NE(lines[i].find(",3.000,"), std::string::npos) << lines[i];
  }
  EXPECT_EQ(Summary(o.err).Counts(), std::make_pair(5L, 0L));
}

TEST(Monitor, CompletesItsCountThroughFaultsAndReportsTheFailures) {
  sim::Options options;
  options.seed = 1;
  options.faults.silence = 0.5;
  options.faults.bad_checksum = 0.15;
  options.faults.truncate = 0.1;
  Board board(options);
  TempDir dir;
  const std::string log = dir / "log.jsonl";
  const Outcome o = RunVyx(QStringList{"monitor", "--count", "12", "--format", "jsonl", "--output",
                                       QString::fromStdString(log)} +
                               board.PortArgs(),
                           {}, 30000);
  ASSERT_EQ(o.exitCode, kExitOk) << o.err;
  EXPECT_TRUE(o.out.empty());
  const std::string text = ReadFile(log);
  std::vector<QJsonObject> rows;
  for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
    rows.push_back(ParseObject(text.substr(at, nl - at)));
  ASSERT_EQ(rows.size(), 12u) << text;
  long failed = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i]["update"].toInt(), static_cast<int>(i + 1));
    if (rows[i]["ok"].toBool()) {
      EXPECT_EQ(rows[i]["AD3volt"].toString(), "3.000");
    } else {
      ++failed;
      EXPECT_FALSE(rows[i].contains("AD3volt"));
    }
  }
  EXPECT_GT(failed, 0) << "these faults should fail some updates";
  EXPECT_LT(failed, 12);
  EXPECT_EQ(Summary(o.err).Counts(), std::make_pair(12L, failed));
}

TEST(Monitor, AnIntervalSpacesTheUpdates) {
  Board board;
  const Outcome o =
      RunVyx(QStringList{"monitor", "--count", "3", "--interval", "150", "--format", "jsonl"} +
             board.PortArgs());
  ASSERT_EQ(o.exitCode, kExitOk) << o.err;
  const auto lines = o.Lines();
  ASSERT_EQ(lines.size(), 3u);
  QDateTime previous;
  for (const std::string& line : lines) {
    const QDateTime t =
        QDateTime::fromString(ParseObject(line)["time"].toString(), Qt::ISODateWithMs);
    ASSERT_TRUE(t.isValid()) << line;
    // Back-to-back updates would come a few milliseconds apart; the bound leaves room for
    // the reply time varying on a loaded machine.
    if (previous.isValid()) {
      EXPECT_GE(previous.msecsTo(t), 120) << line;
    }
    previous = t;
  }
}

// The rate counts the intervals between the updates' starts, not the updates. --duration ends
// the run once its time has passed, whichever of it and --count comes first.
TEST(Monitor, TheRateCountsIntervalsAndADurationEndsTheRun) {
  Board board;
  const struct {
    QStringList args;
    long updates;
    double minRate, maxRate;  // -1: no rate
    double minSeconds;
  } cases[] = {
      {{"--count", "1"}, 1, -1, -1, 0},
      {{"--count", "4", "--interval", "200"}, 4, 4.0, 5.05, 0.6},
      {{"--duration", "0.8", "--interval", "300"}, 3, 2.5, 3.4, 0.8},
      {{"--duration", "0.5", "--count", "100", "--interval", "300"}, 2, 2.5, 3.4, 0.5},
      {{"--duration", "5", "--count", "2", "--interval", "300"}, 2, 2.5, 3.4, 0.3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const Outcome o =
        RunVyx(QStringList{"monitor", "--format", "jsonl"} + c.args + board.PortArgs());
    EXPECT_EQ(o.exitCode, kExitOk) << o.err;
    EXPECT_EQ(static_cast<long>(o.Lines().size()), c.updates) << o.out;
    const Totals t = Summary(o.err);
    EXPECT_EQ(t.Counts(), std::make_pair(c.updates, 0L)) << o.err;
    EXPECT_GE(t.rate, c.minRate) << o.err;
    EXPECT_LE(t.rate, c.maxRate) << o.err;
    EXPECT_GE(t.seconds, c.minSeconds) << o.err;
    if (c.updates == 1) {
      EXPECT_NE(o.err.find("vyx: 1 update, "), std::string::npos) << o.err;
    }
  }
}

TEST(Monitor, AllUpdatesFailingIsAFailure) {
  sim::Options silent;
  silent.faults.silence = 1.0;
  Board board(silent);
  const Outcome o = RunVyx(QStringList{"monitor", "--count", "2"} + board.PortArgs());
  EXPECT_EQ(o.exitCode, kExitFailure);
  const auto lines = o.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[1].find(",1,false,"), std::string::npos);
  EXPECT_EQ(Summary(o.err).Counts(), std::make_pair(2L, 2L));
}

TEST(Monitor, EndsWithAnErrorWhenTheLineDrops) {
  sim::Options options;
  options.faults.drop_after = 6;
  Board board(options);
  const Outcome o = RunVyx(QStringList{"monitor", "--format", "jsonl"} + board.PortArgs());
  EXPECT_EQ(o.exitCode, kExitFailure);
  EXPECT_NE(o.err.find("the port went offline"), std::string::npos) << o.err;
  for (const std::string& line : o.Lines()) ParseObject(line);  // every row whole
}

// The log file is made or emptied only once a row is ready for it: a port that does not open
// leaves an old log as it was. --append adds rows without a second header; "-" is standard
// output.
TEST(Monitor, TheLogFileIsTouchedOnlyOnceARowIsReady) {
  Board board;
  TempDir dir;
  const QString log = QString::fromStdString(dir / "keep.csv");
  const std::string header = CsvHeader() + "\n";
  WriteFile(log.toStdString(), header + "old row\n");
  const struct {
    QStringList args;
    int exitCode;
    int rows;  // rows after the header, in the file or, for "-", on standard output
    bool keepsOldRow;
  } steps[] = {
      {{"--port", "1=/nonexistent/tty", "--output", log}, kExitFailure, 1, true},
      {QStringList{"--output", log, "--append"} + board.PortArgs(), kExitOk, 2, true},
      {QStringList{"--output", log} + board.PortArgs(), kExitOk, 1, false},
      {QStringList{"--output", "-"} + board.PortArgs(), kExitOk, 1, false},
  };
  const std::string cwd = dir / "";
  for (const auto& s : steps) {
    SCOPED_TRACE(s.args.join(' ').toStdString());
    const Outcome o = RunVyx(QStringList{"monitor", "--count", "1"} + s.args, {}, 20000, {},
                             [cwd] { static_cast<void>(::chdir(cwd.c_str())); });
    EXPECT_EQ(o.exitCode, s.exitCode) << o.err;
    const bool toFile = s.args.contains(log);
    const std::string text = toFile ? ReadFile(log.toStdString()) : o.out;
    EXPECT_EQ(text.rfind(header, 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), s.rows + 1) << text;
    EXPECT_EQ(text.find("old row") != std::string::npos, s.keepsOldRow) << text;
    if (s.exitCode == kExitOk) {
      EXPECT_NE(text.find(",1,true,"), std::string::npos) << text;
    }
    EXPECT_EQ(toFile, o.out.empty()) << o.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "-"));
}

// A reader that goes away (`| head`) ends the log quietly, as it ends other tools, and frees
// the port. A full disk is named, whatever the command.
TEST(Output, AClosedPipeEndsQuietlyAndAFullDiskIsNamed) {
  Board board;
  QProcess pipe;
  pipe.start("bash", QStringList{"-c", R"(set -o pipefail; "$0" "$@" | head -3)", VYX_BINARY,
                                 "monitor", "--format", "jsonl"} +
                         board.PortArgs());
  ASSERT_TRUE(pipe.waitForFinished(20000));
  EXPECT_EQ(pipe.exitCode(), kExitOk);
  EXPECT_EQ(pipe.readAllStandardOutput().count('\n'), 3);
  EXPECT_EQ(pipe.readAllStandardError().toStdString(), "");
  EXPECT_EQ(LockFile(board.Device()), "") << "the port was left locked";

  const auto full = [] { static_cast<void>(::dup2(::open("/dev/full", O_WRONLY), 1)); };
  for (const QStringList& args :
       {QStringList{"monitor", "--count", "2"}, QStringList{"read"}, QStringList{"shell"}}) {
    const Outcome o = RunVyx(args + board.PortArgs(), "get MicroStatus\n", 20000, {}, full);
    EXPECT_EQ(o.exitCode, kExitFailure) << args.join(' ').toStdString();
    EXPECT_NE(o.err.find(": No space left on device\n"), std::string::npos) << o.err;
  }
}

// Identifiers that boards hold in their EEPROMs reach a log as inert text.
TEST(Monitor, ABoardsIdentifierNeitherRunsInASpreadsheetNorDrivesTheTerminal) {
  sim::Options options;
  options.boards = {0, 1};
  Board board(options);
  const auto give = [&](int address, std::string_view id) {
    constexpr int kIdAddress = 2;  // where the identifier's eight bytes start
    for (int i = 0; i < eeprom::kIdLength; ++i) {
      const auto at = static_cast<std::size_t>(i);
      board.Sim().WriteEeprom(address, static_cast<std::uint8_t>(kIdAddress + i),
                              at < id.size() ? static_cast<std::uint8_t>(id[at]) : 0);
    }
    board.Sim().WriteEeprom(address, eeprom::kMarkerAddress, eeprom::kIdMarker);
  };
  give(0, "=2+5*9");
  give(1, "\x1b[2J\r\nx");

  const Outcome csv = RunVyx(QStringList{"monitor", "--count", "1"} + board.PortArgs());
  ASSERT_EQ(csv.exitCode, kExitOk) << csv.err;
  ASSERT_EQ(csv.Lines().size(), 2u) << csv.out;
  EXPECT_NE(csv.Lines()[1].find(R"(,1,"'=2+5*9",)"), std::string::npos) << csv.out;

  const Outcome text =
      RunVyx(QStringList{"read", "--address", "1", "--format", "text"} + board.PortArgs());
  ASSERT_EQ(text.exitCode, kExitOk) << text.err;
  ASSERT_EQ(text.Lines().size(), kReadingNames.size()) << text.out;
  EXPECT_EQ(text.Lines()[21], R"(IDstring     \x1b[2J\r\nx)");
}

struct Ending {
  const char* command;
  int signal;
  bool ignoredAtStart = false;  // as nohup starts a program
};

// Each signal that asks the program to end leaves whole lines, says how it went, and closes
// the port, its lock file gone. The child is killed if it does not end, so a test fails
// rather than hangs.
TEST(Termination, EachStopSignalEndsCleanlyAndFreesThePort) {
  const Ending cases[] = {
      {"monitor", SIGTERM}, {"monitor", SIGHUP}, {"monitor", SIGQUIT},      {"monitor", SIGUSR1},
      {"shell", SIGTERM},   {"shell", SIGHUP},   {"monitor", SIGHUP, true},
  };
  Board board;
  for (const Ending& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + strsignal(c.signal) +
                 (c.ignoredAtStart ? " (ignored at start)" : ""));
    const bool monitor = std::string_view(c.command) == "monitor";
    QProcess p;
    p.setChildProcessModifier([c] {
      ::signal(c.signal, c.ignoredAtStart ? SIG_IGN : SIG_DFL);
      const rlimit noCore{0, 0};  // a signal that kills should not leave a core behind
      ::setrlimit(RLIMIT_CORE, &noCore);
    });
    QStringList args{c.command};
    if (monitor) args += QStringList{"--format", "jsonl", "--interval", "20"};
    p.start(QStringLiteral(VYX_BINARY), args + board.PortArgs());
    ASSERT_TRUE(p.waitForStarted(5000));
    if (!monitor) p.write("set CommPort \"1\"\n");
    QByteArray out;
    const auto awaitLines = [&](qsizetype n) {
      while (out.count('\n') < n && p.waitForReadyRead(5000)) out += p.readAllStandardOutput();
      return out.count('\n') >= n;
    };
    ASSERT_TRUE(awaitLines(monitor ? 2 : 1)) << out.toStdString();
    const std::string lock = LockFile(board.Device());
    ASSERT_FALSE(lock.empty()) << "no lock file for " << board.Device() << " while it is open";

    ::kill(static_cast<pid_t>(p.processId()), c.signal);
    if (c.ignoredAtStart) {
      EXPECT_TRUE(awaitLines(out.count('\n') + 2)) << "a hang-up under nohup ended it";
      ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    }
    if (!p.waitForFinished(5000)) {
      ADD_FAILURE() << "still running after the signal";
      p.kill();
      p.waitForFinished(5000);
      continue;
    }
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), monitor ? kExitOk : kExitFailure);
    out += p.readAllStandardOutput();
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_TRUE(out.endsWith('\n')) << out.toStdString();
    if (monitor) {
      long rows = 0;
      for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty()) continue;
        ParseObject(line.toStdString());
        ++rows;
      }
      EXPECT_EQ(Summary(err).updates, rows);
    } else {
      EXPECT_EQ(out, "ok\n");
      EXPECT_NE(err.find("vyx: interrupted"), std::string::npos) << err;
    }
    EXPECT_FALSE(std::filesystem::exists(lock)) << lock << " left behind";
  }
}

}  // namespace
}  // namespace vyx::console::test
