// The reply timer and the clocks on Qt.
#include <gtest/gtest.h>

#include <QTime>
#include <cmath>

#include "event_loop.h"
#include "platform/qt_clock.h"
#include "platform/qt_reply_timer.h"

namespace vyx::test {
namespace {

using std::chrono::milliseconds;

TEST(QtReplyTimer, TicksOnlyWhileEnabledWithAnInterval) {
  qt::QtReplyTimer timer;
  int ticks = 0;
  timer.SetListener([&] { ++ticks; });

  // Interval 0 is the idle timer: it never ticks, enabled or not.
  timer.SetEnabled(true);
  Turn(milliseconds(60));
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(timer.IsRunning());

  timer.SetInterval(20);
  EXPECT_TRUE(TurnUntil([&] { return ticks >= 3; }, milliseconds(2000)));

  timer.SetEnabled(false);
  const int stopped = ticks;
  Turn(milliseconds(60));
  EXPECT_EQ(ticks, stopped);

  timer.SetInterval(0);
  timer.SetEnabled(true);
  Turn(milliseconds(40));
  EXPECT_EQ(ticks, stopped);
}

TEST(QtReplyTimer, FirstTickComesAfterTheInterval) {
  qt::QtReplyTimer timer;
  std::chrono::steady_clock::time_point first{};
  timer.SetListener([&] {
    if (first == std::chrono::steady_clock::time_point{}) first = std::chrono::steady_clock::now();
  });
  timer.SetInterval(110);
  const auto t0 = std::chrono::steady_clock::now();
  timer.SetEnabled(true);
  ASSERT_TRUE(TurnUntil([&] { return first != std::chrono::steady_clock::time_point{}; },
                        milliseconds(2000)));
  // A correctness bound: never early (a 5% coarse timer could be), and not lost.
  EXPECT_GE(first - t0, milliseconds(109));
  EXPECT_LT(first - t0, milliseconds(1000));
}

TEST(QtClock, SecondsSinceMidnightFollowTheLocalClockToTheMillisecond) {
  qt::QtClock clock;
  const float s = clock.SecondsSinceMidnight();
  const float local = static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
  EXPECT_GE(s, 0.0f);
  EXPECT_LT(s, 86400.0f);
  // Close enough that a clock of whole seconds fails; across midnight the two readings may
  // straddle the wrap.
  const float apart = std::abs(local - s);
  EXPECT_TRUE(apart < 0.05f || apart > 86399.9f) << s << " vs " << local;

  const auto m0 = clock.Now();
  Turn(milliseconds(5));
  EXPECT_GT(clock.Now(), m0);
}

}  // namespace
}  // namespace vyx::test
