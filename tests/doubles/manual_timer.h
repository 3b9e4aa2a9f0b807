// A reply timer that ticks when the test says so.
#pragma once

#include "link/platform.h"

namespace vyx::test {

class ManualTimer : public ReplyTimer {
 public:
  void SetInterval(int milliseconds) override { interval = milliseconds; }
  void SetEnabled(bool on) override { enabled = on; }

  // Delivers one tick if the timer is running; returns whether it did.
  bool Fire() {
    if (!enabled || interval <= 0) return false;
    Tick();
    return true;
  }

  int interval = 0;
  bool enabled = false;
};

}  // namespace vyx::test
