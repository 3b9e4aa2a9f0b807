#include "vyx/sim/turnaround.h"

#include <algorithm>

namespace vyx::sim {

void DurationHistogram::Add(Nanos d) {
  d = std::max(d, Nanos(0));
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(d).count();
  ++buckets_[static_cast<std::size_t>(std::min<std::int64_t>(us, kBuckets - 1))];
  ++count_;
  worst_ = std::max(worst_, d);
}

// The sample of that rank (1-based) in ascending order, to the microsecond.
Nanos DurationHistogram::Percentile(std::uint64_t rank) const {
  std::uint64_t seen = 0;
  for (int us = 0; us < kBuckets; ++us) {
    seen += buckets_[static_cast<std::size_t>(us)];
    if (seen >= rank) return std::chrono::microseconds(us);
  }
  return std::chrono::microseconds(kBuckets - 1);
}

DurationFigures DurationHistogram::Take() {
  DurationFigures f;
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

void TurnaroundMeter::ReplyEnded(Nanos at, Nanos due) {
  reply_end_ = at;
  overdue_.Add(at - due);
}

void TurnaroundMeter::HostSpoke(Nanos at, bool board_still_talking) {
  if (reply_end_ && !board_still_talking) host_.Add(at - *reply_end_);
  reply_end_.reset();
}

TurnaroundFigures TurnaroundMeter::Take() { return {host_.Take(), overdue_.Take()}; }

}  // namespace vyx::sim
