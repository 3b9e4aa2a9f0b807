#pragma once

#include <algorithm>

#include "vyx/sim/time_source.h"

namespace vyx::sim {

// One byte at 38400 baud with 8N1 framing takes 10 bit times.
inline constexpr Nanos kByteTime{1'000'000'000LL * 10 / 38400};

// Hands out the times at which successive bytes finish on a line: in order, back to back while
// the line is busy, never before the byte is ready. Unpaced, a byte takes no time of its own
// but still never overtakes the one before it.
class Pacer {
 public:
  explicit Pacer(bool paced) : paced_(paced) {}

  Nanos Next(Nanos ready) {
    free_ = std::max(ready, free_) + (paced_ ? kByteTime : Nanos(0));
    return free_;
  }
  void Reset() { free_ = Nanos(0); }

 private:
  bool paced_;
  Nanos free_{0};
};

}  // namespace vyx::sim
