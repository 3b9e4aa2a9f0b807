#include "vyx/sim/turnaround.h"

#include <algorithm>

namespace vyx::sim {

void TurnaroundMeter::HostSpoke(Nanos at, bool board_still_talking) {
  if (!reply_end_ || board_still_talking) {
    reply_end_.reset();
    return;
  }
  const Nanos took = std::max(at - *reply_end_, Nanos(0));
  reply_end_.reset();
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
  ++buckets_[static_cast<std::size_t>(std::min<std::int64_t>(us, kBuckets - 1))];
  ++count_;
  worst_ = std::max(worst_, took);
}

// The sample of that rank (1-based) in ascending order, to the microsecond.
Nanos TurnaroundMeter::Percentile(std::uint64_t rank) const {
  std::uint64_t seen = 0;
  for (int us = 0; us < kBuckets; ++us) {
    seen += buckets_[static_cast<std::size_t>(us)];
    if (seen >= rank) return std::chrono::microseconds(us);
  }
  return std::chrono::microseconds(kBuckets - 1);
}

TurnaroundFigures TurnaroundMeter::Take() {
  TurnaroundFigures f;
  f.count = count_;
  if (count_ > 0) {
    f.median = Percentile((count_ + 1) / 2);
    f.p90 = Percentile((count_ * 9 + 9) / 10);
    f.worst = worst_;
  }
  buckets_.fill(0);
  count_ = 0;
  worst_ = Nanos(0);
  return f;
}

}  // namespace vyx::sim
