// Automatic updates: presses the component's Update command again and again, back to back or
// on a fixed period, and never while an update runs. An update ends either with NewData or
// with the status going back to "Ready" without it; both end states start the next one.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <deque>

#include "vyx_widget.h"

namespace vyx::panel {

class UpdateDriver : public QObject {
  Q_OBJECT

 public:
  // A failed update is followed by at least this pause from its start, so that a port that
  // fails at once does not spin the event loop.
  static constexpr int kFailurePauseMs = 500;
  // The update rate counts the successful updates of this last stretch of time.
  static constexpr qint64 kRateWindowMs = 5000;

  explicit UpdateDriver(QObject* parent = nullptr);

  // The component to drive; null detaches. Stops first when the widget changes.
  void setWidget(VyxWidget* widget);
  VyxWidget* widget() const { return widget_; }

  // Milliseconds from the start of one update to the start of the next; 0 is back to back.
  void setInterval(int milliseconds);
  int interval() const { return interval_; }

  void start();
  void stop();
  bool isRunning() const { return running_; }

  qint64 succeeded() const { return succeeded_; }
  qint64 failed() const { return failed_; }
  QString lastError() const { return lastError_; }
  // Successful updates a second over the last kRateWindowMs.
  double rate() const;
  void resetCounts();

 Q_SIGNALS:
  void runningChanged(bool running);
  // One update started by the driver ended; the counts already include it.
  void updateFinished(bool ok);

 private:
  void launch();
  void statusChanged();
  void newData();
  void finish();
  void scheduleNext(bool ok);
  void fail(const QString& message);
  QString describeFailure() const;

  QPointer<VyxWidget> widget_;
  QList<QMetaObject::Connection> connections_;
  QTimer next_;
  QElapsedTimer clock_;
  int interval_ = 0;
  bool running_ = false;
  bool inFlight_ = false;  // an update the driver started has not ended yet
  bool gotData_ = false;   // ... and it raised NewData
  bool finishQueued_ = false;
  bool waitingForOther_ = false;  // an update started elsewhere must end first
  qint64 startedAt_ = 0;
  qint64 succeeded_ = 0;
  qint64 failed_ = 0;
  QString lastError_;
  std::deque<qint64> recent_;  // ends of successful updates, for the rate
};

}  // namespace vyx::panel
