// The reply timer on a precise QTimer. Like the component's timer, it ticks every interval
// while enabled, and an interval of 0 means no ticks at all.
#pragma once

#include <QTimer>

#include "link/platform.h"

namespace vyx::qt {

class QtReplyTimer final : public ReplyTimer {
 public:
  QtReplyTimer();
  // A new interval restarts the count of a running timer.
  void SetInterval(int milliseconds) override;
  // Enabling an enabled timer changes nothing; the count starts when it becomes enabled.
  void SetEnabled(bool enabled) override;

  bool IsRunning() const { return timer_.isActive(); }

 private:
  void Update();

  QTimer timer_;
  int interval_ = 0;
  bool enabled_ = false;
};

}  // namespace vyx::qt
