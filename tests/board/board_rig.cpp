#include "board_rig.h"

#include <gtest/gtest.h>

#include "event_loop.h"

namespace vyx::test {

BoardRig::BoardRig(sim::Options options)
    : board(std::make_unique<sim::Simulator>(std::move(options))) {
  const std::string device = board->Start();
  EXPECT_FALSE(device.empty()) << board->LastError();
}

void BoardRig::Connect() {
  ASSERT_TRUE(platform.portMap().Set(1, board->DevicePath()));
  Set("CommPort", std::string("1"));
  ASSERT_EQ(vyx.Fields().Caption(Field::LblComm), "Connect");
}

bool BoardRig::Update(std::chrono::milliseconds limit) {
  Set("UpdateCmd", true);
  return TurnUntil(
      [this] {
        return !vyx.UpdateInProgress() && vyx.Fields().Caption(Field::LblStatus) == "Ready";
      },
      limit);
}

void BoardRig::Set(std::string_view property, PropValue value) {
  const Status s = vyx.Set(property, value);
  ASSERT_TRUE(s.ok()) << s.message();
}

std::vector<double> BoardRig::StatusRequestTimes() const {
  std::vector<double> times;
  for (const sim::LogEntry& e : board->FrameLog()) {
    const std::string frame(e.bytes.begin(), e.bytes.end());
    if (e.direction == sim::Direction::kIn && frame.size() == 6 && frame.compare(2, 2, "21") == 0 &&
        frame[0] == 'Q') {
      times.push_back(std::chrono::duration<double>(e.time).count());
    }
  }
  return times;
}

}  // namespace vyx::test
