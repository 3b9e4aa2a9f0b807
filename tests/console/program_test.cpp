// The vyx program's own surface: help, version, command-line errors, ports.
#include <gtest/gtest.h>

#include <filesystem>

#include "console_args.h"
#include "console_ports.h"
#include "platform/port_map.h"
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
  TempDir dir;
  const QString log = QString::fromStdString(dir / "log.csv");
  const struct {
    QStringList args;
    const char* message;
  } cases[] = {
      {{}, "no command given"},
      {{"frob"}, "unknown command"},
      {{"read", "--comm", "9"}, "--comm takes"},
      {{"shell", "--port", "1=udp://host:1"}, "--port 1=udp://host:1"},
      {{"shell", "--port", "1=tcp://host"}, "--port 1=tcp://host"},
      // Nothing mapped for the chosen position: no device is opened, no log file made.
      {{"read"}, "Comm1 is not mapped to a device: map it with --port 1=DEVICE or VYX_COMM1"},
      {{"monitor", "--comm", "3", "--port", "1=/dev/pts/9", "--output", log},
       "Comm3 is not mapped"},
      {{"--simulate", "read", "--comm", "2"}, "Comm2 is not mapped"},
  };
  for (const auto& c : cases) {
    const Outcome o = RunVyx(c.args, {}, 20000, {"VYX_COMM1=", "VYX_COMM2=", "VYX_COMM3="});
    EXPECT_EQ(o.exitCode, kExitUsage) << c.args.join(' ').toStdString();
    EXPECT_EQ(o.err.rfind("vyx: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    EXPECT_TRUE(o.out.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(log.toStdString()));
}

TEST(Program, PortsListsTheMapping) {
  const Outcome o = RunVyx({"ports", "--port", "3=tcp://127.0.0.1:4000", "--port=5=/dev/pts/9"}, {},
                           20000, {"VYX_COMM2=", "VYX_COMM4=/dev/pts/7"});
  EXPECT_EQ(o.exitCode, kExitOk) << o.err;
  EXPECT_NE(o.out.find("Serial devices:"), std::string::npos);
  EXPECT_NE(o.out.find("Comm3  tcp://127.0.0.1:4000\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Comm4  /dev/pts/7\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Comm5  /dev/pts/9\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Comm2  (unmapped)\n"), std::string::npos) << o.out;
  // The machine's own serial devices may be listed above; none is a port's default.
  EXPECT_EQ(o.out.find("/dev/ttyS", o.out.find("Ports:")), std::string::npos) << o.out;
}

// What a user needs to tell devices apart, USB identifiers included, and a filter on it.
TEST(Program, PortsShowsUsbIdentifiersAndTakesAFilter) {
  const std::vector<SerialDevice> devices = {
      {"/dev/ttyACM0", "Uno\x1b[2J", 0x2341, 0x0043, ""},
      {"/dev/ttyS0", "", {}, {}, ""},
      {"/dev/ttyUSB0", "FT232R USB UART", 0x0403, 0x6001, "A1B2C3"},
  };
  const std::string acm = R"(  /dev/ttyACM0  Uno\x1b[2J  usb 2341:0043)";
  const std::string ttyS = "  /dev/ttyS0";
  const std::string ftdi = "  /dev/ttyUSB0  FT232R USB UART  usb 0403:6001  serial A1B2C3";
  const struct {
    const char* filter;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {acm, ttyS, ftdi}},
      {"usb", {acm, ftdi}},
      {"0403:6001", {ftdi}},
      {"a1b2", {ftdi}},
      {"TTYs", {ttyS}},
      {"uart", {ftdi}},
      {"cp210", {"  (none match \"cp210\")"}},
  };
  qt::PortMap map;
  ASSERT_TRUE(map.Set(2, "/dev/ttyUSB0"));
  for (const auto& c : cases) {
    auto expected = c.lines;
    expected.insert(expected.begin(), "Serial devices:");
    expected.insert(expected.end(), {"Ports:", "  Comm1  (unmapped)", "  Comm2  /dev/ttyUSB0"});
    const auto lines = PortsReport(devices, map, c.filter);
    ASSERT_GE(lines.size(), expected.size()) << c.filter;
    EXPECT_EQ(
        std::vector(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(expected.size())),
        expected)
        << c.filter;
  }
  const Outcome o = RunVyx({"ports", "no-such-device-here"});
  EXPECT_EQ(o.exitCode, kExitOk) << o.err;
  EXPECT_EQ(o.out.rfind("Serial devices:\n  (none match \"no-such-device-here\")\nPorts:\n", 0), 0u)
      << o.out;
}

// Refused like a bad --port, whatever the command: never left to a default.
TEST(Program, ABadPortVariableIsAWrongCommandLineNamedOnce) {
  for (const char* command : {"ports", "shell", "read"}) {
    const Outcome o =
        RunVyx({command}, {}, 20000, {"VYX_COMM2=tcp://127.0.0.1:99999", "VYX_COMM4=/dev/pts/7"});
    EXPECT_EQ(o.exitCode, kExitUsage) << command;
    EXPECT_EQ(o.err,
              "vyx: VYX_COMM2: Comm2: 'tcp://127.0.0.1:99999' is not tcp://HOST:PORT: the port "
              "must be a number from 1 to 65535\n");
    EXPECT_TRUE(o.out.empty()) << o.out;
  }
}

}  // namespace
}  // namespace vyx::console::test
