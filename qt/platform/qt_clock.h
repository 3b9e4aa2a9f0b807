// The host's clocks: local seconds since midnight for texts and the clock field, and the
// monotonic clock for elapsed-time limits.
#pragma once

#include "link/platform.h"

namespace vyx::qt {

class QtClock final : public Clock {
 public:
  // Local wall-clock time of day, to the millisecond; wraps to 0 at midnight.
  float SecondsSinceMidnight() override;
  std::chrono::steady_clock::time_point Now() override;
};

}  // namespace vyx::qt
