// Low-latency mode on opening a serial device: asked for where the driver has it, put back
// on closing, and a device without it (a pseudo-terminal) opens as before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/line_settings.h"
#include "platform/tty_line.h"
#include "pty_pair.h"

namespace vyx::test {
namespace {

// A driver with a latency setting: records what the line sets.
class AdapterDriver : public qt::SerialDriver {
 public:
  bool Get(int, serial_struct& s) override {
    if (!supported) return false;
    s = current;
    return true;
  }
  bool Set(int, const serial_struct& s) override {
    if (!supported) return false;
    current = s;
    sets.push_back(s.flags);
    return true;
  }
  bool supported = true;
  serial_struct current{};
  std::vector<int> sets;
};

struct Row {
  const char* name;
  bool supported;
  int flagsBefore;
  std::vector<int> setsWhileOpen;  // the flags set on opening
};

class LowLatencyOnOpen : public ::testing::TestWithParam<Row> {};

TEST_P(LowLatencyOnOpen, IsAskedForAndUndone) {
  const Row& row = GetParam();
  PtyPair pty;
  AdapterDriver driver;
  driver.supported = row.supported;
  driver.current.flags = row.flagsBefore;
  driver.current.baud_base = 24000000;  // another setting, which must survive
  qt::TtyLine line(driver);
  qt::Device device;
  ASSERT_TRUE(qt::ParseDevice(pty.SlavePath(), device));
  ASSERT_EQ(line.Open(device, qt::LineSettings{}), IoResult::Ok) << line.LastError();
  EXPECT_EQ(driver.sets, row.setsWhileOpen);

  line.Close();
  EXPECT_EQ(driver.current.flags, row.flagsBefore) << "the setting was not put back";
  EXPECT_EQ(driver.current.baud_base, 24000000);
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, LowLatencyOnOpen,
    ::testing::Values(Row{"Adapter", true, ASYNC_SPD_HI, {ASYNC_SPD_HI | ASYNC_LOW_LATENCY}},
                      Row{"AlreadyLowLatency", true, ASYNC_LOW_LATENCY, {}},
                      Row{"NoSuchSetting", false, 0, {}}),
    [](const auto& r) { return std::string(r.param.name); });

TEST(LowLatencyOnOpen, APseudoTerminalOpensAsBefore) {
  PtyPair pty;
  qt::TtyLine line;  // the system's own driver calls, which a terminal refuses
  qt::Device device;
  ASSERT_TRUE(qt::ParseDevice(pty.SlavePath(), device));
  ASSERT_EQ(line.Open(device, qt::LineSettings{}), IoResult::Ok) << line.LastError();
  EXPECT_EQ(line.Write("Q02119"), IoResult::Ok);
  EXPECT_EQ(ReadSome(pty.Master(), 6, std::chrono::milliseconds(1000)), "Q02119");
  line.Close();
}

}  // namespace
}  // namespace vyx::test
