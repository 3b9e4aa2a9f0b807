#include "update_driver.h"

#include <algorithm>

#include "control/vyx.h"
#include "vyx_widget.h"

namespace vyx::panel {

UpdateDriver::UpdateDriver(QObject* parent) : QObject(parent) {
  next_.setSingleShot(true);
  next_.setTimerType(Qt::PreciseTimer);
  connect(&next_, &QTimer::timeout, this, &UpdateDriver::launch);
  clock_.start();
}

void UpdateDriver::setWidget(VyxWidget* widget) {
  if (widget == widget_) return;
  stop();
  for (const auto& c : connections_) disconnect(c);
  connections_.clear();
  widget_ = widget;
  if (!widget) return;
  connections_ << connect(widget, &VyxWidget::updateEnded, this, &UpdateDriver::ended);
}

void UpdateDriver::setInterval(int milliseconds) { interval_ = std::max(0, milliseconds); }

void UpdateDriver::start() {
  if (running_ || !widget_) return;
  running_ = true;
  lastError_.clear();
  Q_EMIT runningChanged(true);
  launch();
}

void UpdateDriver::stop() {
  next_.stop();
  waitingForOther_ = false;
  // An update already under way runs to its end; it is simply not followed by another.
  if (!running_) return;
  running_ = false;
  Q_EMIT runningChanged(false);
}

double UpdateDriver::rate() const {
  const qint64 now = clock_.elapsed();
  const auto first = std::find_if(recent_.begin(), recent_.end(),
                                  [&](qint64 t) { return now - t <= kRateWindowMs; });
  const auto count = std::distance(first, recent_.end());
  if (count < 2) return 0.0;
  // Between the first and the last end in the window: n ends span n - 1 updates.
  const qint64 span = recent_.back() - *first;
  return span > 0 ? static_cast<double>(count - 1) * 1000.0 / static_cast<double>(span) : 0.0;
}

void UpdateDriver::resetCounts() {
  succeeded_ = 0;
  failed_ = 0;
  lastError_.clear();
  recent_.clear();
}

void UpdateDriver::launch() {
  if (!running_ || inFlight_ || !widget_) return;
  waitingForOther_ = false;
  if (widget_->component().UpdateInProgress()) {
    // The operator or the document started one; ours follows when it ends.
    waitingForOther_ = true;
    return;
  }
  inFlight_ = true;
  startedAt_ = clock_.elapsed();
  // An update that cannot begin (no port, or a panel not ready) ends before this returns.
  pressing_ = true;
  widget_->setUpdateCmd(true);
  pressing_ = false;
}

void UpdateDriver::ended(bool ok, const QString& reason) {
  if (!widget_) return;
  const vyx::UpdateFailure failure = widget_->lastUpdateEnd().failure;
  // A press that finds an update running is refused at once, within that press: such an
  // end during ours, from anyone else's press, is not ours.
  const bool ours = inFlight_ && (pressing_ || failure != vyx::UpdateFailure::NotReady);
  if (!ours) {
    if (waitingForOther_ && running_ && !widget_->component().UpdateInProgress()) {
      waitingForOther_ = false;
      next_.start(0);
    }
    return;
  }
  inFlight_ = false;
  if (ok) {
    ++succeeded_;
    const qint64 now = clock_.elapsed();
    recent_.push_back(now);
    while (!recent_.empty() && now - recent_.front() > kRateWindowMs) recent_.pop_front();
  } else {
    ++failed_;
    lastError_ = reason;
  }
  Q_EMIT updateFinished(ok);
  if (failure == vyx::UpdateFailure::NotReady) {
    // Nothing else runs, yet the panel takes no update (a document saved mid-update holds
    // its status): pressing again would fail the same way for ever.
    lastError_ = tr("%1: the panel takes no update until it is cleared or its port is chosen "
                    "again")
                     .arg(reason);
    stop();
    return;
  }
  scheduleNext(ok);
}

void UpdateDriver::scheduleNext(bool ok) {
  if (!running_) return;
  const qint64 elapsed = clock_.elapsed() - startedAt_;
  qint64 wait = std::max<qint64>(0, interval_ - elapsed);
  if (!ok) wait = std::max<qint64>(wait, kFailurePauseMs - elapsed);
  next_.start(static_cast<int>(wait));
}

}  // namespace vyx::panel
