// Low-latency mode on opening a serial device: asked for where the driver has it, put back
// on closing, and a device without it opens as before.
#include <gtest/gtest.h>

#include "far_end.h"
#include "platform/device.h"
#include "platform/line_settings.h"
#include "platform/tty_line.h"

namespace vyx::test {
namespace {

// A driver with a latency setting, or none: records what the line sets.
struct AdapterDriver : qt::SerialDriver {
  bool Get(int, serial_struct& s) override { return supported && (s = current, true); }
  bool Set(int, const serial_struct& s) override {
    return supported && (sets.push_back(s.flags), current = s, true);
  }
  bool supported = true;
  serial_struct current{};
  std::vector<int> sets;
};

TEST(LowLatencyOnOpen, IsAskedForAndUndone) {
  const std::tuple<bool, int, std::vector<int>> rows[] = {
      {true, ASYNC_SPD_HI, {ASYNC_SPD_HI | ASYNC_LOW_LATENCY}},
      {true, ASYNC_LOW_LATENCY, {}},
      {false, 0, {}}};
  for (const auto& [supported, before, setsOnOpening] : rows) {
    FarEnd pty;
    AdapterDriver driver;
    driver.supported = supported;
    driver.current.flags = before;
    driver.current.baud_base = 24000000;  // another setting, which must survive
    qt::TtyLine line(driver);
    qt::Device device;
    ASSERT_TRUE(qt::ParseDevice(pty.Device(), device));
    ASSERT_EQ(line.Open(device, qt::LineSettings{}), IoResult::Ok) << line.LastError();
    EXPECT_EQ(driver.sets, setsOnOpening) << before;
    line.Close();
    EXPECT_EQ(driver.current.flags, before) << "the setting was not put back";
    EXPECT_EQ(driver.current.baud_base, 24000000);
  }
}

}  // namespace
}  // namespace vyx::test
