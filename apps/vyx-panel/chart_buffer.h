// The recent readings of AD0 to AD4 that the strip chart shows: one series of (time, volts)
// per channel over a sliding time window. Points closer together than the window allows
// for its point budget are dropped, so that back-to-back updates do not swamp the chart;
// the CSV log keeps every reading.
#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <array>
#include <optional>

namespace vyx::panel {

class ChartBuffer {
 public:
  static constexpr int kChannels = 5;
  static constexpr int kMaxPointsPerWindow = 2000;

  using Sample = std::array<std::optional<double>, kChannels>;

  explicit ChartBuffer(qint64 windowMs = 60'000);

  // Shortening the window drops what falls outside it at once.
  void setWindow(qint64 windowMs);
  qint64 window() const { return windowMs_; }

  // Readings at timeMs (milliseconds since the epoch); a missing value leaves a channel out.
  // A sample older than the latest one is ignored: the chart only moves forward.
  void append(qint64 timeMs, const Sample& sample);
  // The volts in a reading's text ("2.5000"); nothing for an empty or unreadable text, as
  // after a failed update clears the fields.
  static std::optional<double> Volts(const QString& text);

  const QList<QPointF>& points(int channel) const {
    return points_[static_cast<std::size_t>(channel)];
  }
  // The time of the latest sample, 0 before the first.
  qint64 latest() const { return latest_; }
  bool isEmpty() const { return latest_ == 0; }
  void clear();

 private:
  void trim();

  qint64 windowMs_;
  qint64 latest_ = 0;
  std::array<QList<QPointF>, kChannels> points_;
};

}  // namespace vyx::panel
