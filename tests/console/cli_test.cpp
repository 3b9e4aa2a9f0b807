// The vyx program's command line: help, version, refusals with the usage status, and ports.
#include <gtest/gtest.h>

#include <filesystem>

#include "vyx_process.h"

namespace vyx::console::test {
namespace {

TEST(Program, HelpAndVersion) {
  const Outcome help = RunVyx({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: vyx", 0), 0u) << help.out;
  for (const auto& [args, said] :
       {std::pair{"--version", "vyx 1.00\n"}, std::pair{"monitor --version", "vyx 1.00\n"},
        std::pair{"read -h", help.out.c_str()}}) {
    const Outcome o = RunVyx(QString(args).split(' '));
    EXPECT_EQ(o.exitCode, 0) << args;
    EXPECT_EQ(o.out, said) << args;
  }
}

// A wrong command line, a bad VYX_COMMn or an unmapped position: status 2, one message, no
// output, no device opened and no log made.
TEST(Program, AWrongCommandLineExitsWithUsageStatusAndAMessage) {
  TempDir dir;
  const QString log = QString::fromStdString(dir / "log.csv");
  const std::pair<QStringList, const char*> cases[] = {
      {{}, "no command"},
      {{"frob"}, "unknown command \"frob\""},
      {{"ports", "usb", "acm"}, "unexpected argument \"acm\""},
      {{"read", "--comm", "9"}, "1 to 8"},
      {{"read", "--address", "4"}, "0 to 3"},
      {{"read", "--format", "csv"}, "json or text"},
      {{"monitor", "--format", "json"}, "csv or jsonl"},
      {{"monitor", "--duration", "1e3"}, "seconds"},
      {{"monitor", "--append", "--output", "-"}, "needs --output FILE"},
      {{"shell", "--comm", "2"}, "--comm applies to read, monitor, scan and bridge"},
      {{"read", "--address", "0,1"}, "--address takes a board address from 0 to 3"},
      {{"monitor", "--address", "0,1,0"}, "addresses from 0 to 3, such as 0,1,2,3"},
      {{"scan", "--address", "1"}, "--address applies to read, monitor and bridge"},
      {{"monitor", "--mqtt", "mqtt://h"}, "apply to bridge"},
      {{"scan"}, "no port is mapped"},
      {{"shell", "--port", "9=/dev/x"}, "N=DEVICE"},
      {{"shell", "--port", "1=udp://host:1"}, "--port 1=udp://host:1"},
      {{"read", "--simulate", "--port", "1=/dev/x"}, "--simulate maps Comm1"},
      {{"read"}, "Comm1 is not mapped to a device: map it with --port 1=DEVICE or VYX_COMM1"},
      {{"monitor", "--comm", "3", "--port", "1=/dev/pts/9", "--output", log},
       "Comm3 is not mapped"},
      {{"ports"}, "VYX_COMM2: Comm2: 'tcp://127.0.0.1:99999' is not tcp://HOST:PORT: the port"},
      {{"read"}, "VYX_COMM2: Comm2: 'tcp://127.0.0.1:99999' is not tcp://HOST:PORT: the port"},
  };
  for (const auto& [args, message] : cases) {
    // A bad variable is refused like a bad --port, whatever the command.
    const QString comm2 = QString(message).startsWith("VYX_") ? "tcp://127.0.0.1:99999" : "";
    const Outcome o = RunVyx(args, {}, 20000, {"VYX_COMM1=", "VYX_COMM2=" + comm2, "VYX_COMM3="});
    EXPECT_EQ(o.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_EQ(o.err.rfind("vyx: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find(message), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(log.toStdString()));
}

// The devices a filter lets through, then where each position leads.
TEST(Program, PortsListsTheMapping) {
  const Outcome o = RunVyx(
      {"ports", "--port", "3=tcp://127.0.0.1:4000", "--port=5=/dev/pts/9", "no-such-device-here"},
      {}, 20000, {"VYX_COMM2=", "VYX_COMM4=/dev/pts/7"});
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out.rfind("Serial devices:\n  (none match \"no-such-device-here\")\nPorts:\n", 0), 0u)
      << o.out;
  for (const char* line : {"Comm2  (unmapped)\n", "Comm3  tcp://127.0.0.1:4000\n",
                           "Comm4  /dev/pts/7\n", "Comm5  /dev/pts/9\n"}) {
    EXPECT_NE(o.out.find(line), std::string::npos) << o.out;
  }
}

}  // namespace
}  // namespace vyx::console::test
