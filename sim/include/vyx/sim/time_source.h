#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace vyx::sim {

using Nanos = std::chrono::nanoseconds;

// Where the board model takes its time from. The servers use the steady clock; tests inject a
// manual one so that counters and waveforms are deterministic.
class TimeSource {
 public:
  virtual ~TimeSource() = default;
  virtual Nanos Now() const = 0;
};

class SteadyTimeSource final : public TimeSource {
 public:
  Nanos Now() const override {
    return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
  }
};

class ManualTimeSource final : public TimeSource {
 public:
  Nanos Now() const override { return Nanos(now_.load()); }
  void Set(Nanos t) { now_.store(t.count()); }
  void Advance(Nanos d) { now_.fetch_add(d.count()); }

 private:
  std::atomic<std::int64_t> now_{0};
};

}  // namespace vyx::sim
