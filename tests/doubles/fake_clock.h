// A clock the test sets: seconds since midnight and a monotonic time that move together.
#pragma once

#include <chrono>
#include <cmath>

#include "link/platform.h"

namespace vyx::test {

class FakeClock : public Clock {
 public:
  static std::chrono::steady_clock::duration Span(double seconds) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
  }

  float SecondsSinceMidnight() override { return static_cast<float>(midnight_); }
  std::chrono::steady_clock::time_point Now() override { return mono_; }

  // Moves both clocks on; the time of day wraps at midnight, the monotonic one does not.
  void Advance(double seconds) {
    midnight_ = std::fmod(midnight_ + seconds, 86400.0);
    mono_ += Span(seconds);
  }
  void SetTimeOfDay(double seconds) { midnight_ = seconds; }

 private:
  double midnight_ = 36000.0;
  std::chrono::steady_clock::time_point mono_{std::chrono::hours(1000)};
};

}  // namespace vyx::test
