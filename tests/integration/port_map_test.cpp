// Port positions to devices: mappings in code and from the environment, and none.
#include "platform/port_map.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/qt_platform.h"

namespace vyx::test {
namespace {

using qt::PortMap;

// An unmapped position leads to no device: the port refuses to open and says how to map it.
TEST(PortMap, UnmappedPortsLeadToNoDevice) {
  PortMap map;
  for (int comm : {0, 1, 8, 9}) EXPECT_EQ(map.Device(comm), "") << comm;
  ASSERT_TRUE(map.Set(3, "/dev/ttyUSB0"));
  EXPECT_TRUE(map.IsMapped(3));
  EXPECT_EQ(map.Device(3), "/dev/ttyUSB0");
  map.Clear(3);
  EXPECT_FALSE(map.IsMapped(3));
  EXPECT_EQ(map.Device(3), "");

  qt::QtSerialPort port(map);
  for (int comm : {1, 3, 8}) {
    ASSERT_EQ(port.SetCommPort(comm), IoResult::Ok);
    EXPECT_NE(port.SetOpen(true), IoResult::Ok) << comm;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.OpenDevice(), "");
    const std::string n = std::to_string(comm);
    EXPECT_EQ(port.LastError(), "Comm" + n + " is not mapped to a device: map it with --port " + n +
                                    "=/dev/ttyUSB0, VYX_COMM" + n + " or the port settings");
  }
}

struct MappingRow {
  const char* name;
  int comm;
  const char* device;
  bool valid;
};

class PortMapRows : public ::testing::TestWithParam<MappingRow> {};

TEST_P(PortMapRows, ValidMappingsTakeInvalidOnesAreRefusedAndChangeNothing) {
  const MappingRow& row = GetParam();
  PortMap map;
  const std::string before = map.Device(row.comm);
  const Status s = map.Set(row.comm, row.device);
  EXPECT_EQ(s.ok(), row.valid) << s.message();
  if (row.valid) {
    EXPECT_EQ(map.Device(row.comm), row.device);
  } else {
    EXPECT_FALSE(s.message().empty());
    EXPECT_EQ(map.Device(row.comm), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PortMapRows,
    ::testing::Values(MappingRow{"DevicePath", 1, "/dev/ttyUSB0", true},
                      MappingRow{"PtyPath", 8, "/dev/pts/7", true},
                      MappingRow{"TcpByAddress", 2, "tcp://127.0.0.1:4001", true},
                      MappingRow{"TcpByName", 2, "tcp://ser2net.local:65535", true},
                      MappingRow{"TcpIpv6", 2, "tcp://[::1]:7000", true},
                      MappingRow{"PortZero", 0, "/dev/ttyS0", false},
                      MappingRow{"PortNine", 9, "/dev/ttyS0", false},
                      MappingRow{"Empty", 1, "", false},
                      MappingRow{"TcpNoPort", 1, "tcp://host", false},
                      MappingRow{"TcpEmptyPort", 1, "tcp://host:", false},
                      MappingRow{"TcpNoHost", 1, "tcp://:4001", false},
                      MappingRow{"TcpPortZero", 1, "tcp://host:0", false},
                      MappingRow{"TcpPortTooBig", 1, "tcp://host:65536", false},
                      MappingRow{"TcpPortNotNumber", 1, "tcp://host:40a1", false},
                      MappingRow{"TcpBareIpv6", 1, "tcp://::1:7000", false},
                      MappingRow{"TcpWithPath", 1, "tcp://host/x:7000", false},
                      MappingRow{"OtherScheme", 1, "udp://host:7000", false},
                      MappingRow{"TcpOneSlash", 1, "tcp:/host:7000", false},
                      MappingRow{"ControlCharacter", 1, "/dev/tty\nS0", false}),
    [](const auto& row) { return std::string(row.param.name); });

class EnvironmentVariables : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int comm = 1; comm <= PortMap::kPorts; ++comm) unsetenv(PortMap::EnvironmentName(comm));
  }
};

TEST_F(EnvironmentVariables, MapPortsAndInvalidOnesAreNamed) {
  setenv("VYX_COMM2", "/dev/pts/9", 1);
  setenv("VYX_COMM5", "tcp://localhost:7000", 1);
  setenv("VYX_COMM3", "tcp://nohost", 1);
  setenv("VYX_COMM8", "", 1);
  PortMap map;
  ASSERT_TRUE(map.Set(3, "/dev/ttyACM0"));
  const Status s = map.LoadEnvironment();
  EXPECT_FALSE(s);
  EXPECT_NE(s.message().find("VYX_COMM3"), std::string::npos) << s.message();
  EXPECT_EQ(s.message().find("VYX_COMM2"), std::string::npos) << s.message();
  EXPECT_EQ(map.Device(2), "/dev/pts/9");
  EXPECT_EQ(map.Device(5), "tcp://localhost:7000");
  EXPECT_EQ(map.Device(3), "/dev/ttyACM0") << "an invalid variable must not undo a mapping";
  EXPECT_FALSE(map.IsMapped(8));
}

TEST_F(EnvironmentVariables, PlatformTakesTheEnvironment) {
  setenv("VYX_COMM1", "tcp://127.0.0.1:4001", 1);
  qt::Platform fromEnvironment;
  EXPECT_TRUE(fromEnvironment.environmentStatus());
  EXPECT_EQ(fromEnvironment.portMap().Device(1), "tcp://127.0.0.1:4001");

  setenv("VYX_COMM4", "tcp://", 1);
  qt::Platform partly;
  EXPECT_FALSE(partly.environmentStatus());
  EXPECT_EQ(partly.portMap().Device(1), "tcp://127.0.0.1:4001");
  EXPECT_EQ(partly.portMap().Device(4), "") << "a bad variable maps nothing, not a default";

  qt::Platform fromCode{PortMap()};
  EXPECT_FALSE(fromCode.portMap().IsMapped(1)) << "a map given in code ignores the environment";
}

}  // namespace
}  // namespace vyx::test
