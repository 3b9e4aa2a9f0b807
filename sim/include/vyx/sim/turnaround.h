#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "vyx/sim/time_source.h"

namespace vyx::sim {

// How quickly the host answered, as the board sees it.
struct TurnaroundFigures {
  std::uint64_t count = 0;
  Nanos median{0};
  Nanos p90{0};
  Nanos worst{0};
};

// Times the host's turnaround: from the last byte of a reply going out to the first byte of
// the host's next frame coming in. Only a host that waited for the whole reply is timed; a
// silent board or a host that spoke early leaves no sample. Kept as a microsecond histogram so
// that a board left running for days holds a fixed amount of memory.
class TurnaroundMeter {
 public:
  static constexpr int kBuckets = 5000;  // 0 to 4999 us; longer ones count as the last

  void ReplyEnded(Nanos at) { reply_end_ = at; }
  void HostSpoke(Nanos at, bool board_still_talking);
  void Forget() { reply_end_.reset(); }
  TurnaroundFigures Take();  // figures since the last Take, then starts over

 private:
  Nanos Percentile(std::uint64_t rank) const;

  std::optional<Nanos> reply_end_;
  std::array<std::uint32_t, kBuckets> buckets_{};
  std::uint64_t count_ = 0;
  Nanos worst_{0};
};

}  // namespace vyx::sim
