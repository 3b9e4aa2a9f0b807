// read and monitor against a simulated board on a pseudo-terminal, with and without faults.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QtCore>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <regex>

#include "eeprom/record_codec.h"
#include "protocol/frames.h"
#include "vyx_process.h"

namespace vyx::console::test {
namespace {

QJsonObject Json(const std::string& line) {
  QJsonParseError e{};
  const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line), &e).object();
  EXPECT_EQ(e.error, QJsonParseError::NoError) << line;
  return o;
}

// "vyx: N updates, F failed, R updates/s over S s": {N, F, R or -1, S}.
std::vector<double> Summary(const std::string& err) {
  static const std::regex re(
      R"(vyx: (\d+) updates?, (\d+) failed, (?:([0-9.]+) updates/s )?over ([0-9.]+) s\n)");
  std::smatch m;
  if (!std::regex_search(err, m, re)) return {-1, -1, -1, -1};
  return {std::stod(m[1]), std::stod(m[2]), m[3].matched ? std::stod(m[3]) : -1, std::stod(m[4])};
}

// The lock file the serial port keeps for `device` while it is open; empty when there is none.
std::string LockFile(const std::string& device) {
  std::string name = device.substr(5);  // after /dev/
  std::replace(name.begin(), name.end(), '/', '_');
  for (const std::string dir : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"})
    if (std::filesystem::exists(dir + "/LCK.." + name)) return dir + "/LCK.." + name;
  return {};
}

const auto kInDir = [](const std::string& dir) {
  return [dir] { static_cast<void>(::chdir(dir.c_str())); };
};

// Puts an identifier record in the EEPROM of the board at `address`, as a board keeps it.
void StoreIdentifier(sim::Simulator& sim, int address, const std::string& id) {
  for (int i = 0; i < eeprom::kIdLength; ++i) {
    const auto at = static_cast<std::size_t>(i);
    sim.WriteEeprom(address, static_cast<std::uint8_t>(2 + i),  // the identifier's bytes
                    at < id.size() ? static_cast<std::uint8_t>(id[at]) : 0);
  }
  sim.WriteEeprom(address, eeprom::kMarkerAddress, eeprom::kIdMarker);
}

// Readings as JSON or text, from any position and address; or, when the port does not open,
// the board is silent or nobody is at the address, status 1 and the reason. A device path with
// a slash starts from the working directory; a bare name is looked for under /dev.
TEST(Read, PrintsTheReadingsOrFailsClearly) {
  sim::Options options, silent;
  options.boards = {0, 2};
  options.board.analog[1] = sim::Waveform::Constant(1.25);
  silent.faults.silence = 1.0;
  Board board(options), mute(silent);
  const QString comm6 = QString::fromStdString("6=" + board.device);
  TempDir dir;
  std::filesystem::create_directory(dir / "sub");
  for (const char* link : {"sub/board", "board"})
    std::filesystem::create_symlink(board.device, dir / link);
  const struct {
    QStringList args;
    int exitCode;
    std::string said;
  } cases[] = {
      {board.PortArgs(), 0, R"("AD1volt":"1.250","AD2volt":"2.500","AD3volt":"3.000",)"},
      {board.PortArgs(), 0, R"("RSTstate":1,)"},  // a board just powered up
      // Comm5 to Comm8 open through the port list, which a CommPort text cannot do.
      {{"--port", comm6, "--comm=6", "--address", "2", "--format", "text"}, 0, "AD3volt      3.0"},
      {{"--simulate"}, 0, R"("AD4volt":"4.200")"},  // the demo board's steady input
      {{"--port", "1=/nonexistent/tty"}, 1, "Comm1 (/nonexistent/tty) did not open"},
      {mute.PortArgs(), 1, "the update failed: no reply (board 0 on Comm1"},
      {board.PortArgs() + QStringList{"--address", "1"}, 1, "board 1 on Comm1"},
      {{"--port", "1=./sub/board"}, 0, ""},
      {{"--port", "1=board"}, 1, "did not open"},
  };
  for (const auto& c : cases) {
    const Outcome o = RunVyx(QStringList{"read"} + c.args, {}, 20000, {}, kInDir(dir.path));
    EXPECT_EQ(o.exitCode, c.exitCode) << c.args.join(' ').toStdString() << ": " << o.err;
    EXPECT_EQ(o.out.empty(), c.exitCode != 0) << o.out;
    EXPECT_NE((c.exitCode ? o.err : o.out).find(c.said), std::string::npos) << o.out << o.err;
  }
}

// The count is completed through faults; a failed update is a row without readings; all failing
// is a failure; a dropped line ends the run. Updates go back to back, on an interval, or for a
// duration (whichever of it and --count ends first); the rate counts intervals between starts.
TEST(Monitor, LogsEachUpdateAndSumsUp) {
  const struct {
    sim::FaultSettings faults;
    const char* args;
    int exitCode;
    long updates, minFailed, maxFailed;  // updates -1: until the line drops
    double rate, minSeconds;             // updates a second: -1 none given, 0 any
  } cases[] = {
      {{}, "--count 5", 0, 5, 0, 0, 0, 0},
      {{}, "--count 1", 0, 1, 0, 0, -1, 0},
      {{.silence = 0.5, .bad_checksum = 0.15, .truncate = 0.1}, "--count 12", 0, 12, 1, 11, 0, 0},
      {{.silence = 1.0}, "--count 2", 1, 2, 2, 2, 0, 0},
      {{.drop_after = 6}, "--interval 0", 1, -1, 0, 99, 0, 0},
      {{}, "--count 4 --interval 200", 0, 4, 0, 0, 5.0, 0.6},
      {{}, "--duration 0.8 --interval 300", 0, 3, 0, 0, 3.33, 0.8},
      {{}, "--duration 0.5 --count 100 --interval 300", 0, 2, 0, 0, 3.33, 0.5},
      {{}, "--duration 5 --count 2 --interval 300", 0, 2, 0, 0, 3.33, 0.3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    sim::Options options;
    options.seed = 1;
    options.faults = c.faults;
    Board board(options);
    const Outcome o =
        RunVyx(QStringList{"monitor"} + QString(c.args).split(' ') + board.PortArgs(), {}, 30000);
    EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
    EXPECT_EQ(c.updates < 0, o.err.find("vyx: the port went offline") != std::string::npos);
    const auto lines = o.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("time,update,ok,AD0volt,", 0), 0u);
    long failed = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const std::string n = "," + std::to_string(i) + ",";
      const bool ok = lines[i].find(n + "true,") != std::string::npos;
      failed += !ok;
      EXPECT_NE(lines[i].find(ok ? ",3.000," : n + "false,,,"), std::string::npos) << lines[i];
      const auto at = [&](std::size_t k) {
        return QDateTime::fromString(QString::fromStdString(lines[k].substr(0, lines[k].find(','))),
                                     Qt::ISODateWithMs);
      };
      EXPECT_TRUE(i == 1 || c.rate <= 0 || double(at(i - 1).msecsTo(at(i))) >= 1000 / c.rate - 30);
    }
    EXPECT_GE(failed, c.minFailed);
    EXPECT_LE(failed, c.maxFailed);
    if (c.updates < 0) continue;
    const std::vector<double> s = Summary(o.err);
    EXPECT_TRUE(s[0] == double(c.updates) && s[1] == double(failed)) << o.err;
    EXPECT_EQ(long(lines.size()) - 1, c.updates);
    EXPECT_TRUE(c.rate < 0 ? s[2] == -1
                           : s[2] > 0.75 * c.rate && s[2] <= (c.rate > 0 ? c.rate : 1e9) + 0.05)
        << o.err;
    EXPECT_GE(s[3], c.minSeconds) << o.err;
    EXPECT_EQ(c.updates == 1, o.err.find("vyx: 1 update, ") != std::string::npos) << o.err;
  }
}

// The log file is made or emptied only once a row is ready for it: a port that does not open
// leaves an old log as it was. --append adds rows without a second header; "-" is standard
// output.
TEST(Monitor, TheLogFileIsTouchedOnlyOnceARowIsReady) {
  Board board;
  TempDir dir;
  const QString log = QString::fromStdString(dir / "keep.csv");
  const Outcome first = RunVyx(QStringList{"monitor", "--count", "1"} + board.PortArgs());
  ASSERT_FALSE(first.out.empty());
  const std::string header = first.Lines()[0] + "\n";
  WriteFile(log.toStdString(), header + "old row\n");
  const struct {
    QStringList args;
    int exitCode, rows;  // rows after the header, in the file or, for "-", on standard output
    bool keepsOldRow;
  } steps[] = {
      {{"--port", "1=/nonexistent/tty", "--output", log}, 1, 1, true},
      {QStringList{"--output", log, "--append"} + board.PortArgs(), 0, 2, true},
      {QStringList{"--output", log} + board.PortArgs(), 0, 1, false},
      {QStringList{"--output", "-"} + board.PortArgs(), 0, 1, false},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.args.join(' ').toStdString());
    const Outcome o =
        RunVyx(QStringList{"monitor", "--count", "1"} + s.args, {}, 20000, {}, kInDir(dir.path));
    EXPECT_EQ(o.exitCode, s.exitCode) << o.err;
    const bool toFile = s.args.contains(log);
    const std::string text = toFile ? ReadFile(log.toStdString()) : o.out;
    EXPECT_EQ(text.rfind(header, 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), s.rows + 1) << text;
    EXPECT_EQ(text.find("old row") != std::string::npos, s.keepsOldRow) << text;
    EXPECT_EQ(toFile, o.out.empty()) << o.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "-"));
}

// A reader that goes away (`| head`) ends the log quietly and frees the port. A full disk is
// named, whatever the command.
TEST(Output, AClosedPipeEndsQuietlyAndAFullDiskIsNamed) {
  Board board;
  QProcess pipe;
  pipe.start("bash", QStringList{"-c", R"(set -o pipefail; "$0" "$@" | head -3)", VYX_BINARY,
                                 "monitor", "--format", "jsonl"} +
                         board.PortArgs());
  ASSERT_TRUE(pipe.waitForFinished(20000));
  EXPECT_EQ(pipe.exitCode(), 0);
  EXPECT_EQ(pipe.readAllStandardOutput().count('\n'), 3);
  EXPECT_EQ(pipe.readAllStandardError().toStdString(), "");
  EXPECT_EQ(LockFile(board.device), "") << "the port was left locked";
  const auto full = [] { static_cast<void>(::dup2(::open("/dev/full", O_WRONLY), 1)); };
  for (const char* command : {"monitor --count 2", "read", "shell"}) {
    const Outcome o = RunVyx(QString(command).split(' ') + board.PortArgs(), "get MicroStatus\n",
                             20000, {}, full);
    EXPECT_EQ(o.exitCode, 1) << command;
    EXPECT_NE(o.err.find(": No space left on device\n"), std::string::npos) << o.err;
  }
}

// Identifiers that boards hold reach a log as inert text: never a spreadsheet's formula, never
// a terminal's control; the JSON keeps them exact.
TEST(Output, ABoardsIdentifierIsInertText) {
  Board board;
  const struct {
    std::string id, csv, text;  // the identifier, its CSV cell and its text line's value
  } cases[] = {
      {"=2+5*9", R"("'=2+5*9")", "=2+5*9"},
      {"-1.5", R"("'-1.5")", "-1.5"},  // text, whatever it looks like
      {"a\r\nb", "\"a\r\nb\"", R"(a\r\nb)"},
      {"a,\"b\"", R"("a,""b""")", R"(a,"b")"},
      {"\x9b"
       "31m\x7f",
       R"(\x9b31m\x7f)", R"(\x9b31m\x7f)"},  // a Latin-1 C1 byte, DEL
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    StoreIdentifier(*board.sim, 0, c.id);
    const Outcome csv = RunVyx(QStringList{"monitor", "--count", "1"} + board.PortArgs());
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_NE(csv.out.find(",1,true,"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("," + c.csv + ","), std::string::npos) << csv.out;
    const Outcome text = RunVyx(QStringList{"read", "--format", "text"} + board.PortArgs());
    EXPECT_EQ(text.Lines().size(), 23u) << text.out;
    EXPECT_NE(text.out.find("\nIDstring     " + c.text + "\n"), std::string::npos) << text.out;
    const Outcome json = RunVyx(QStringList{"read"} + board.PortArgs());
    const QJsonObject read = Json(json.out), values = read["values"].toObject();
    EXPECT_EQ(read.size(), 24);
    EXPECT_EQ(read["IDstring"].toString(), QString::fromLatin1(c.id.c_str()));
    // The numbers are the readings the texts show.
    for (const char* name : {"AD0volt", "AD3volt", "PWMduty", "CLKtime"}) {
      EXPECT_EQ(QString::number(values[name].toDouble(), 'f', name[0] == 'C' ? 4 : 3),
                read[name].toString())
          << name;
    }
    EXPECT_EQ(values["DIFcount"].toInteger(), read["DIFcount"].toString().toLongLong());
    for (const unsigned char b : json.out.substr(0, json.out.size() - 1))
      EXPECT_TRUE(b >= 0x20 && b != 0x7F) << json.out;
  }
}

// Each signal that asks the program to end leaves whole lines, says how it went, and closes
// the port, its lock file gone; a hang-up under nohup does not end it.
TEST(Termination, EachStopSignalEndsCleanlyAndFreesThePort) {
  const struct {
    const char* command;
    int signal;
    bool ignoredAtStart = false;  // as nohup starts a program
  } cases[] = {{"monitor", SIGTERM},     {"monitor", SIGHUP}, {"monitor", SIGQUIT},
               {"monitor", SIGUSR1},     {"shell", SIGTERM},  {"shell", SIGHUP},
               {"monitor", SIGHUP, true}};
  Board board;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + strsignal(c.signal) +
                 (c.ignoredAtStart ? "*" : ""));
    const bool monitor = std::string_view(c.command) == "monitor";
    QProcess p;
    p.setChildProcessModifier([c] {
      ::signal(c.signal, c.ignoredAtStart ? SIG_IGN : SIG_DFL);
      const rlimit noCore{0, 0};  // a signal that kills should not leave a core behind
      ::setrlimit(RLIMIT_CORE, &noCore);
    });
    p.start(VYX_BINARY,
            QStringList{c.command, "--interval=20"}.mid(0, monitor ? 2 : 1) + board.PortArgs());
    if (!monitor) p.write("set CommPort \"1\"\n");
    QByteArray out;
    const auto awaitLines = [&](qsizetype n) {
      while (out.count('\n') < n && p.waitForReadyRead(5000)) out += p.readAllStandardOutput();
      return out.count('\n') >= n;
    };
    ASSERT_TRUE(awaitLines(monitor ? 2 : 1)) << out.toStdString();
    const std::string lock = LockFile(board.device);
    ASSERT_FALSE(lock.empty()) << "no lock file for " << board.device << " while it is open";
    ::kill(static_cast<pid_t>(p.processId()), c.signal);
    if (c.ignoredAtStart) {
      EXPECT_TRUE(awaitLines(out.count('\n') + 2)) << "a hang-up under nohup ended it";
      ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    }
    ASSERT_TRUE(p.waitForFinished(5000)) << "still running after the signal";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), monitor ? 0 : 1);
    out += p.readAllStandardOutput();
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_TRUE(out.endsWith('\n')) << out.toStdString();
    // The summary counts the rows, less the header; the shell answers its line and says why.
    EXPECT_EQ(
        monitor ? std::to_string(int(Summary(err)[0] + 1)) : out.toStdString() + err.substr(0, 16),
        monitor ? std::to_string(out.count('\n')) : "ok\nvyx: interrupted")
        << err;
    EXPECT_FALSE(std::filesystem::exists(lock)) << lock << " left behind";
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
       "\"Vrefvolt\":\"5.0000\",\"values\":{\"AD0volt\":",
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
    EXPECT_NE(o.out.find(c.out), std::string::npos) << o.out;
    EXPECT_EQ(o.out.find("\"error\"") != std::string::npos,
              c.out.find("\"error\"") != std::string::npos)
        << "only a failed row has an error member";
    EXPECT_TRUE(o.err.starts_with(c.err)) << o.err;
  }
}

// Boards 0 and 2 on one line, nobody at 1: monitor polls the addresses in turn, one row each
// with its address, every board showing its own records; going from board to board writes
// nothing to any EEPROM. scan finds the same boards.
TEST(SeveralBoards, MonitorPollsEachInTurnAndScanFindsThem) {
  sim::Options options;
  options.boards = {0, 2};
  options.line_rate = true;
  Board board(options);
  StoreIdentifier(*board.sim, 0, "Alpha");
  StoreIdentifier(*board.sim, 2, "Bravo");
  const char* ids[] = {"Alpha", nullptr, "Bravo"};

  const Outcome csv =
      RunVyx(QStringList{"monitor", "--address", "0,1,2", "--count", "7", "--interval", "0"} +
             board.PortArgs());
  EXPECT_EQ(csv.exitCode, 0) << csv.err;
  const auto rows = csv.Lines();
  ASSERT_EQ(rows.size(), 8u) << csv.out;
  EXPECT_TRUE(rows[0].starts_with("time,update,address,ok,AD0volt,")) << rows[0];
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const int address = static_cast<int>((i - 1) % 3);
    const std::string head = "," + std::to_string(i) + "," + std::to_string(address) + ",";
    const std::string expected = ids[address] ? head + "true," : head + "false,";
    EXPECT_NE(rows[i].find(expected), std::string::npos) << rows[i];
    EXPECT_TRUE(ids[address]
                    ? rows[i].find(std::string(",") + ids[address] + ",") != std::string::npos
                    : rows[i].ends_with(",no reply"))
        << rows[i];
  }
  for (const sim::LogEntry& e : board.sim->FrameLog()) {
    const std::string frame(e.bytes.begin(), e.bytes.end());
    for (const int a : {0, 2}) EXPECT_NE(frame, protocol::BuildFrame("p", a, 0, 0xA2, 0, 0x85));
  }

  const Outcome jsonl =
      RunVyx(QStringList{"monitor", "--address", "2,0", "--count", "2", "--format", "jsonl"} +
             board.PortArgs());
  ASSERT_EQ(jsonl.Lines().size(), 2u) << jsonl.out;
  EXPECT_EQ(Json(jsonl.Lines()[0])["address"].toInt(), 2);
  EXPECT_EQ(Json(jsonl.Lines()[1])["IDstring"].toString(), "Alpha");

  const Outcome scan = RunVyx(QStringList{"scan", "--format", "json"} + board.PortArgs());
  EXPECT_EQ(scan.exitCode, 0) << scan.err;
  ASSERT_EQ(scan.Lines().size(), 4u) << scan.out;
  for (int a = 0; a < 4; ++a) {
    const QJsonObject found = Json(scan.Lines()[static_cast<std::size_t>(a)]);
    EXPECT_EQ(found["address"].toInt(), a);
    EXPECT_EQ(found["answered"].toBool(), a == 0 || a == 2);
    EXPECT_EQ(found["IDstring"].toString().toStdString(), a == 0 ? "Alpha" : a == 2 ? "Bravo" : "");
    EXPECT_EQ(found["FWver"].toString(), a == 0 || a == 2 ? "1.0" : "");
  }
}

}  // namespace
}  // namespace vyx::console::test
