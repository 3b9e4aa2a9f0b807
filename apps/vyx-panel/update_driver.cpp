#include "update_driver.h"

#include <algorithm>

#include "control/vyx.h"
#include "vyx_widget.h"

namespace vyx::panel {

namespace {
const QString kReady = QStringLiteral("Ready");
}

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
  connections_ << connect(widget, &VyxWidget::MicroStatusChanged, this,
                          &UpdateDriver::statusChanged);
  connections_ << connect(widget, &VyxWidget::NewData, this, &UpdateDriver::newData);
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
  if (widget_->MicroStatus() != kReady) {
    // The component starts updates only from exactly "Ready" (a document may have saved
    // "Busy"); pressing Update again would never end.
    fail(tr("MicroStatus reads \"%1\" with no update running, so no update can start. "
            "Clear the panel or choose the port again.")
             .arg(widget_->MicroStatus()));
    return;
  }
  inFlight_ = true;
  gotData_ = false;
  finishQueued_ = false;
  startedAt_ = clock_.elapsed();
  widget_->setUpdateCmd(true);
  // An update that could not even begin (no port) has already shown "Ready" again.
  if (widget_ && inFlight_ && !finishQueued_ && !widget_->component().UpdateInProgress() &&
      widget_->MicroStatus() == kReady) {
    finishQueued_ = true;
    QMetaObject::invokeMethod(this, &UpdateDriver::finish, Qt::QueuedConnection);
  }
}

void UpdateDriver::statusChanged() {
  if (!widget_ || widget_->MicroStatus() != kReady) return;
  if (inFlight_) {
    // NewData follows "Ready" within the same call, so judge the update once it returns.
    if (!finishQueued_) {
      finishQueued_ = true;
      QMetaObject::invokeMethod(this, &UpdateDriver::finish, Qt::QueuedConnection);
    }
  } else if (waitingForOther_ && running_) {
    waitingForOther_ = false;
    next_.start(0);
  }
}

void UpdateDriver::newData() {
  if (inFlight_) gotData_ = true;
}

void UpdateDriver::finish() {
  finishQueued_ = false;
  if (!inFlight_) return;
  inFlight_ = false;
  const bool ok = gotData_;
  if (ok) {
    ++succeeded_;
    const qint64 now = clock_.elapsed();
    recent_.push_back(now);
    while (!recent_.empty() && now - recent_.front() > kRateWindowMs) recent_.pop_front();
  } else {
    ++failed_;
    lastError_ = describeFailure();
  }
  Q_EMIT updateFinished(ok);
  scheduleNext(ok);
}

void UpdateDriver::scheduleNext(bool ok) {
  if (!running_) return;
  const qint64 elapsed = clock_.elapsed() - startedAt_;
  qint64 wait = std::max<qint64>(0, interval_ - elapsed);
  if (!ok) wait = std::max<qint64>(wait, kFailurePauseMs - elapsed);
  next_.start(static_cast<int>(wait));
}

void UpdateDriver::fail(const QString& message) {
  lastError_ = message;
  stop();
}

QString UpdateDriver::describeFailure() const {
  if (!widget_) return tr("the component went away");
  const QString port = widget_->CommPort();
  if (widget_->CommStatus() != QStringLiteral("Connect")) {
    const QString why = widget_->portError();
    return why.isEmpty() ? tr("port %1 is not open (%2)").arg(port, widget_->CommStatus())
                         : tr("port %1 is not open (%2): %3").arg(port, widget_->CommStatus(), why);
  }
  return tr("no valid reply from the board at address %1 on port %2")
      .arg(widget_->MicroAddress(), port);
}

}  // namespace vyx::panel
