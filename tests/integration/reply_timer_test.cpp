// The reply timer on Qt's event loop. Updates enable and disable it once each, every few
// milliseconds; it must still tick only a whole interval after it was last enabled, and never
// while it is disabled.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "far_end.h"
#include "platform/qt_reply_timer.h"

namespace vyx::test {
namespace {

using std::chrono::steady_clock;

TEST(ReplyTimer, TicksAWholeIntervalAfterItWasLastEnabledAndNeverWhileDisabled) {
  qt::QtReplyTimer timer;
  std::vector<steady_clock::time_point> ticks;
  timer.SetListener([&] { ticks.push_back(steady_clock::now()); });
  timer.SetInterval(60);

  // Chained updates, each far shorter than the interval, for three intervals: each ends and
  // the next begins at once, as a host that starts the next from an update's end does.
  timer.SetEnabled(true);
  for (int i = 0; i < 18; ++i) {
    Turn(milliseconds(10));
    timer.SetEnabled(false);
    timer.SetEnabled(true);
  }
  timer.SetEnabled(false);
  EXPECT_EQ(ticks.size(), 0u) << "a tick came sooner than an interval after the last enabling";

  // An update that gets no reply: ticks an interval apart from when it began.
  const steady_clock::time_point began = steady_clock::now();
  timer.SetEnabled(true);
  Turn(milliseconds(300));
  timer.SetEnabled(false);
  ASSERT_GE(ticks.size(), 2u);
  EXPECT_GE(ticks[0] - began, milliseconds(60));
  EXPECT_GE(ticks[1] - ticks[0], milliseconds(59));  // whole milliseconds, a rounding apart

  // Disabled, it stays quiet, and a new interval counts from the next enabling.
  const std::size_t told = ticks.size();
  Turn(milliseconds(150));
  EXPECT_EQ(ticks.size(), told);
  timer.SetInterval(20);
  const steady_clock::time_point again = steady_clock::now();
  timer.SetEnabled(true);
  ASSERT_TRUE(TurnUntil([&] { return ticks.size() > told; }));
  timer.SetEnabled(false);
  EXPECT_GE(ticks[told] - again, milliseconds(20));
  EXPECT_LT(ticks[told] - again, milliseconds(1000)) << "the shorter interval was not taken up";
}

}  // namespace
}  // namespace vyx::test
