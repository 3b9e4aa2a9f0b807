#include "platform/qt_reply_timer.h"

namespace vyx::qt {

QtReplyTimer::QtReplyTimer() {
  // The 110 ms reply limit is checked on these ticks; a coarse timer could be 5% late.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

void QtReplyTimer::SetInterval(int milliseconds) {
  interval_ = milliseconds > 0 ? milliseconds : 0;
  if (enabled_) Update();
}

void QtReplyTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void QtReplyTimer::Update() {
  // A QTimer of 0 ms would fire on every turn of the event loop.
  if (enabled_ && interval_ > 0) {
    timer_.start(interval_);
  } else {
    timer_.stop();
  }
}

}  // namespace vyx::qt
