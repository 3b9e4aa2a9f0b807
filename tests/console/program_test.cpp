// The vyx program's own surface: help, version, command-line errors, ports.
#include <gtest/gtest.h>

#include "console_args.h"
#include "vyx_process.h"

namespace vyx::console::test {
namespace {

TEST(Program, HelpAndVersion) {
  const Outcome help = RunVyx({"--help"});
  EXPECT_EQ(help.exitCode, kExitOk);
  for (const char* word : {"Usage: vyx", "shell", "read", "monitor", "ports", "--port N=DEVICE",
                           "--simulate", "--interval", "--count", "--output", "--format"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
  const Outcome version = RunVyx({"--version"});
  EXPECT_EQ(version.exitCode, kExitOk);
  EXPECT_EQ(version.out, "vyx 1.00\n");
}

TEST(Program, AWrongCommandLineExitsWithUsageStatusAndAMessage) {
  const QStringList cases[] = {{},
                               {"frob"},
                               {"read", "--comm", "9"},
                               {"shell", "--port", "1=udp://host:1"},
                               {"shell", "--port", "1=tcp://host"}};
  for (const QStringList& args : cases) {
    const Outcome o = RunVyx(args);
    EXPECT_EQ(o.exitCode, kExitUsage) << args.join(' ').toStdString();
    EXPECT_EQ(o.err.rfind("vyx: ", 0), 0u) << o.err;
    EXPECT_TRUE(o.out.empty());
  }
}

TEST(Program, PortsListsTheMapping) {
  const Outcome o = RunVyx({"ports", "--port", "3=tcp://127.0.0.1:4000", "--port=5=/dev/pts/9"});
  EXPECT_EQ(o.exitCode, kExitOk) << o.err;
  EXPECT_NE(o.out.find("Serial devices:"), std::string::npos);
  EXPECT_NE(o.out.find("Comm3  tcp://127.0.0.1:4000\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Comm5  /dev/pts/9\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Comm2  /dev/ttyS1  (default)\n"), std::string::npos) << o.out;
}

TEST(Program, ABadPortVariableIsNamedOnceAndTheGoodOnesApply) {
  const Outcome o =
      RunVyx({"ports"}, {}, 20000, {"VYX_COMM2=tcp://127.0.0.1:99999", "VYX_COMM4=/dev/pts/7"});
  EXPECT_EQ(o.exitCode, kExitOk) << o.err;
  EXPECT_EQ(o.err,
            "vyx: VYX_COMM2: Comm2: 'tcp://127.0.0.1:99999' is not tcp://HOST:PORT: the port must "
            "be a number from 1 to 65535\n");
  EXPECT_NE(o.out.find("Comm2  /dev/ttyS1  (default)\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Comm4  /dev/pts/7\n"), std::string::npos) << o.out;
}

}  // namespace
}  // namespace vyx::console::test
