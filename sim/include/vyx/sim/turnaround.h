#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "vyx/sim/time_source.h"

namespace vyx::sim {

struct DurationFigures {
  std::uint64_t count = 0;
  Nanos median{0};
  Nanos p90{0};
  Nanos worst{0};
};

// Durations to the microsecond, kept as a histogram so that a board left running for days
// holds a fixed amount of memory.
class DurationHistogram {
 public:
  static constexpr int kBuckets = 5000;  // 0 to 4999 us; longer ones count as the last

  void Add(Nanos d);
  DurationFigures Take();  // figures since the last Take, then starts over

 private:
  Nanos Percentile(std::uint64_t rank) const;

  std::array<std::uint32_t, kBuckets> buckets_{};
  std::uint64_t count_ = 0;
  Nanos worst_{0};
};

// How quickly the host answered, as the board sees it, and how true the board's own timing
// was.
struct TurnaroundFigures {
  DurationFigures host;     // the last byte of a reply out to the first byte of the next frame in
  DurationFigures overdue;  // the last byte of a reply due to its being written
};

// Only a host that waited for the whole reply is timed; a silent board or a host that spoke
// early leaves no sample.
class TurnaroundMeter {
 public:
  void ReplyEnded(Nanos at, Nanos due);
  void HostSpoke(Nanos at, bool board_still_talking);
  void Forget() { reply_end_.reset(); }
  TurnaroundFigures Take();  // figures since the last Take, then starts over

 private:
  std::optional<Nanos> reply_end_;
  DurationHistogram host_;
  DurationHistogram overdue_;
};

}  // namespace vyx::sim
