// The host's clocks: local seconds since midnight for texts and the clock field, and the
// monotonic clock for elapsed-time limits.
#pragma once

#include <chrono>

#include "link/platform.h"

namespace vyx::qt {

class QtClock final : public Clock {
 public:
  // Local wall-clock time of day, to the millisecond; wraps to 0 at midnight.
  float SecondsSinceMidnight() override;
  std::chrono::steady_clock::time_point Now() override;

 private:
  // The local time zone's offset, looked up at most once a minute: every update reads the
  // clock, and the lookup costs system calls each time.
  std::chrono::milliseconds offset_{0};
  std::chrono::steady_clock::time_point offsetFresh_{};
  bool haveOffset_ = false;
};

}  // namespace vyx::qt
