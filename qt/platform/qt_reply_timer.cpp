#include "platform/qt_reply_timer.h"

#include <algorithm>

namespace vyx::qt {

QtReplyTimer::QtReplyTimer() {
  // The 110 ms reply limit is checked on these ticks; a coarse timer could be 5% late.
  wake_.setTimerType(Qt::PreciseTimer);
  wake_.setSingleShot(true);
  QObject::connect(&wake_, &QTimer::timeout, [this] { Woken(); });
}

void QtReplyTimer::SetInterval(int milliseconds) {
  interval_ = milliseconds > 0 ? milliseconds : 0;
  if (enabled_) Restart();
}

void QtReplyTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

void QtReplyTimer::Restart() {
  // Stopped, a wake-up already set is left to find nothing due.
  if (!Ticking()) return;
  due_ = Clock::now() + std::chrono::milliseconds(interval_);
  if (!wake_.isActive() || wakeAt_ > due_) WakeAt(due_);
}

void QtReplyTimer::WakeAt(Clock::time_point when) {
  const Clock::time_point now = Clock::now();
  // Rounded up: a wake-up just short of the tick would only set another.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - now);
  const auto wait = std::max<std::chrono::milliseconds::rep>(ms.count(), 0);
  wakeAt_ = now + std::chrono::milliseconds(wait);
  wake_.start(static_cast<int>(wait));
}

void QtReplyTimer::Woken() {
  if (!Ticking()) return;
  const Clock::time_point now = Clock::now();
  if (now < due_) {
    WakeAt(due_);  // the count was restarted since this wake-up was set
    return;
  }
  // The next tick is set before this one is told: the listener may stop or restart it. A
  // process held up for longer than an interval gets one tick, not a burst to catch up.
  const std::chrono::milliseconds interval(interval_);
  due_ = due_ + interval > now ? due_ + interval : now + interval;
  WakeAt(due_);
  Tick();
}

}  // namespace vyx::qt
