// Automatic updates: presses the component's Update command again and again, back to back or
// on a fixed period, and never while an update runs. Each press is answered by the widget's
// updateEnded, which says whether it succeeded and why not; either way the next one follows.
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
  void ended(bool ok, const QString& reason);
  void scheduleNext(bool ok);

  QPointer<VyxWidget> widget_;
  QList<QMetaObject::Connection> connections_;
  QTimer next_;
  QElapsedTimer clock_;
  int interval_ = 0;
  bool running_ = false;
  bool inFlight_ = false;         // an update the driver started has not ended yet
  bool pressing_ = false;         // the driver's press of Update is running
  bool waitingForOther_ = false;  // an update started elsewhere must end first
  qint64 startedAt_ = 0;
  qint64 succeeded_ = 0;
  qint64 failed_ = 0;
  QString lastError_;
  std::deque<qint64> recent_;  // ends of successful updates, for the rate
};

}  // namespace vyx::panel
