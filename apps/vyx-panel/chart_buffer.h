// The readings of AD0 to AD4 that the strip chart shows: one series of (time, volts) per
// channel over a sliding time window. Points closer together than the window allows for its
// point budget are dropped, so that back-to-back updates do not swamp the chart; the CSV log
// keeps every reading.
//
// A line must not pretend that readings went on when they did not: a failed update, and a
// pause longer than the join limit, break every channel's line. A break is kept in the series
// as a point whose volts are NaN; segments() gives the unbroken runs to draw.
#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <array>
#include <optional>

namespace vyx {
struct Readings;
}

namespace vyx::panel {

class ChartBuffer {
 public:
  static constexpr int kChannels = 5;
  static constexpr int kMaxPointsPerWindow = 2000;

  using Sample = std::array<std::optional<double>, kChannels>;
  using Segment = QList<QPointF>;

  explicit ChartBuffer(qint64 windowMs = 60'000, int pointBudget = kMaxPointsPerWindow);

  // Shortening the window drops what falls outside it at once.
  void setWindow(qint64 windowMs);
  qint64 window() const { return windowMs_; }
  // Readings further apart than this are not joined by a line; 0 joins any two.
  void setJoinLimit(qint64 ms) { joinLimitMs_ = ms; }

  // Readings at timeMs (milliseconds since the epoch); a missing value leaves a channel out.
  // A sample older than the latest one is ignored: the chart only moves forward.
  void append(qint64 timeMs, const Sample& sample);
  // No readings at timeMs (a failed update): every line stops here and starts afresh with
  // the next readings.
  void breakLines(qint64 timeMs);
  // The five channels of a board's readings.
  static Sample SampleOf(const vyx::Readings& readings);
  static bool IsBreak(const QPointF& p);

  // Every point of a channel, breaks included.
  const QList<QPointF>& points(int channel) const {
    return points_[static_cast<std::size_t>(channel)];
  }
  // The unbroken runs of a channel, oldest first.
  QList<Segment> segments(int channel) const;
  // The time of the latest readings, 0 before the first.
  qint64 latest() const { return latest_; }
  // The time of the earliest point kept, 0 when there is none.
  qint64 earliest() const;
  bool isEmpty() const { return latest_ == 0; }
  void clear();

 private:
  void trim();

  qint64 windowMs_;
  int pointBudget_;
  qint64 joinLimitMs_ = 0;
  qint64 latest_ = 0;  // readings
  qint64 newest_ = 0;  // readings or a break
  std::array<QList<QPointF>, kChannels> points_;
};

}  // namespace vyx::panel
