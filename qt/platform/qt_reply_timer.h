// The reply timer on a precise QTimer. Like the component's timer, it ticks every interval
// while enabled, and an interval of 0 means no ticks at all.
#pragma once

#include <QTimer>
#include <chrono>

#include "link/platform.h"

namespace vyx::qt {

class QtReplyTimer final : public ReplyTimer {
 public:
  QtReplyTimer();
  // A new interval restarts the count of a running timer.
  void SetInterval(int milliseconds) override;
  // Enabling an enabled timer changes nothing; the count starts when it becomes enabled.
  void SetEnabled(bool enabled) override;

 private:
  using Clock = std::chrono::steady_clock;

  bool Ticking() const { return enabled_ && interval_ > 0; }
  void Restart();
  void WakeAt(Clock::time_point when);
  void Woken();

  // The QTimer is a wake-up no later than the next tick, not the tick itself: an update
  // enables and disables the timer once each, and starting and stopping a QTimer every time
  // would cost more than the one spare wake-up an interval that this costs.
  QTimer wake_;
  Clock::time_point wakeAt_;
  Clock::time_point due_;
  int interval_ = 0;
  bool enabled_ = false;
};

}  // namespace vyx::qt
