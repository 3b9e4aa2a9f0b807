// The line going away under an update, over a pseudo-terminal and over TCP: the update ends
// offline, the process sits idle, and once the board is back updates go on.
#include <gtest/gtest.h>

#include <ctime>

#include "board_rig.h"

namespace vyx::test {
namespace {

class LineLoss : public ::testing::TestWithParam<bool> {};

TEST_P(LineLoss, UpdateEndsOfflineInRedAndThePortCanBeChosenAgain) {
  sim::Options o;
  o.tcp = GetParam();
  BoardRig rig(o);
  ASSERT_TRUE(rig.Update());
  ASSERT_EQ(rig.newData, 1) << "the board never answered";

  // The next request goes unanswered, and the line drops right after the board has read it.
  sim::FaultSettings f = rig.board.Faults();
  f.silence = 1.0;
  f.drop_after = int(rig.board.GetCounters().frames) + 1;
  rig.board.SetFaults(f);
  ASSERT_TRUE(rig.Update());
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblComm), "Offline") << "the component never noticed";
  EXPECT_EQ(rig.vyx.Fields().Color(Field::LblComm), kColorRed);
  EXPECT_EQ(rig.ends.back().failure, UpdateFailure::DeviceGone);

  // A dead descriptor left in the event loop would be reported over and over, using up a
  // core; an idle loop uses next to nothing. The bound is far from both.
  const std::clock_t before = std::clock();
  Turn(milliseconds(1000));
  EXPECT_LT(std::clock() - before, CLOCKS_PER_SEC * 3 / 10)
      << "the event loop spins after the loss";
  rig.Set("UpdateCmd", true);
  EXPECT_EQ(rig.ends.back().failure, UpdateFailure::PortNotOpen) << "it ends at once";

  f.silence = 0.0;
  rig.board.SetFaults(f);
  const std::string again = rig.board.Reconnect();  // a new pseudo-terminal, or the same port
  ASSERT_TRUE(rig.platform.portMap().Set(1, again));
  ASSERT_TRUE(rig.vyx.Click(Field::CmbComm, 1));
  EXPECT_TRUE(rig.Update());
  Turn(milliseconds(100));  // a line that dropped again would be gone by now
  EXPECT_TRUE(rig.Update());
  EXPECT_EQ(rig.newData, 3) << "the line did not stay up after the port was chosen again";
}

INSTANTIATE_TEST_SUITE_P(Transports, LineLoss, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Tcp" : "PseudoTerminal"; });

}  // namespace
}  // namespace vyx::test
