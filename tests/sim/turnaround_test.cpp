#include "vyx/sim/turnaround.h"

#include <gtest/gtest.h>

#include <vector>

namespace vyx::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// What the board saw, in order: a reply ending, the host speaking (early or not), the line
// dropping.
struct Event {
  enum Kind { kReplyEnded, kHostSpoke, kHostSpokeEarly, kLineDropped } kind;
  microseconds at;
};

struct Case {
  const char* what;
  std::vector<Event> events;
  std::uint64_t count;
  microseconds median, p90, worst;
};

TurnaroundFigures Replay(const std::vector<Event>& events) {
  TurnaroundMeter meter;
  for (const Event& e : events) {
    switch (e.kind) {
      case Event::kReplyEnded:
        meter.ReplyEnded(e.at);
        break;
      case Event::kHostSpoke:
        meter.HostSpoke(e.at, false);
        break;
      case Event::kHostSpokeEarly:
        meter.HostSpoke(e.at, true);
        break;
      case Event::kLineDropped:
        meter.Forget();
        break;
    }
  }
  return meter.Take();
}

TEST(TurnaroundMeter, TimesOnlyAHostThatWaitedForTheWholeReply) {
  using E = Event;
  const microseconds none{0};
  const Case cases[] = {
      {"one turn",
       {{E::kReplyEnded, microseconds(1000)}, {E::kHostSpoke, microseconds(1080)}},
       1,
       microseconds(80),
       microseconds(80),
       microseconds(80)},
      {"host spoke first, no reply before",
       {{E::kHostSpoke, microseconds(5)}},
       0,
       none,
       none,
       none},
      {"the rest of a frame is not a second turn",
       {{E::kReplyEnded, microseconds(0)},
        {E::kHostSpoke, microseconds(60)},
        {E::kHostSpoke, microseconds(61)}},
       1,
       microseconds(60),
       microseconds(60),
       microseconds(60)},
      {"host spoke while the board was still talking",
       {{E::kReplyEnded, microseconds(0)},
        {E::kHostSpokeEarly, microseconds(100)},
        {E::kHostSpoke, microseconds(300)}},
       0,
       none,
       none,
       none},
      {"a silent board leaves nothing to time",
       {{E::kReplyEnded, microseconds(0)},
        {E::kHostSpoke, microseconds(50)},
        {E::kHostSpoke, microseconds(100'000)}},
       1,
       microseconds(50),
       microseconds(50),
       microseconds(50)},
      {"line dropped between reply and host",
       {{E::kReplyEnded, microseconds(0)},
        {E::kLineDropped, microseconds(10)},
        {E::kHostSpoke, microseconds(20)}},
       0,
       none,
       none,
       none},
      {"a turn longer than the histogram keeps its worst",
       {{E::kReplyEnded, microseconds(0)}, {E::kHostSpoke, microseconds(7'000'123)}},
       1,
       microseconds(TurnaroundMeter::kBuckets - 1),
       microseconds(TurnaroundMeter::kBuckets - 1),
       microseconds(7'000'123)},
  };
  for (const Case& c : cases) {
    const TurnaroundFigures f = Replay(c.events);
    EXPECT_EQ(f.count, c.count) << c.what;
    EXPECT_EQ(f.median, c.median) << c.what;
    EXPECT_EQ(f.p90, c.p90) << c.what;
    EXPECT_EQ(f.worst, c.worst) << c.what;
  }
}

TEST(TurnaroundMeter, MedianAndNinetiethPercentileAreSamplesOfThatRank) {
  TurnaroundMeter meter;
  microseconds t{0};
  // Turns of 100, 90, ..., 10 us and one of 7: in ascending order the 6th is 50, the 10th 90.
  for (int us = 100; us >= 10; us -= 10) {
    meter.ReplyEnded(t);
    meter.HostSpoke(t + microseconds(us), false);
    t += milliseconds(9);
  }
  meter.ReplyEnded(t);
  meter.HostSpoke(t + microseconds(7), false);
  const TurnaroundFigures f = meter.Take();
  EXPECT_EQ(f.count, 11u);
  EXPECT_EQ(f.median, microseconds(50));
  EXPECT_EQ(f.p90, microseconds(90));
  EXPECT_EQ(f.worst, microseconds(100));
  EXPECT_EQ(meter.Take().count, 0u);  // taking starts over
}

}  // namespace
}  // namespace vyx::sim
