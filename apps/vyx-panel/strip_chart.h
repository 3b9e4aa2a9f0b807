// The strip chart of AD0 to AD4, each channel shown or hidden by its own check box. The time
// axis runs on the clock, not on the readings: when readings stop, the lines stop where they
// stopped and the axis moves on, and a label says how old the last readings are once they
// are stale. Failed updates and pauses show as breaks in the lines.
//
// The view follows the present until the user zooms or pans (wheel, rubber band, + and -,
// arrow keys); Home, Escape or the Live button bring it back. A CSV log opened into the chart
// is shown in place of the live readings until then; the live readings go on being kept.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "chart_buffer.h"

class QCheckBox;
class QChart;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QToolButton;
class QValueAxis;
class QTimer;

namespace vyx::panel {

class ChartView;

class StripChart : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRefreshMs = 100;  // readings are drawn at most this often
  static constexpr int kTickMs = 500;     // the axis and the age of the readings move on
  static constexpr qint64 kShortestSpanMs = 1000;
  // Each unbroken run is a series of its own; beyond this many a channel's older runs are
  // drawn as dots, so that a flaky line over a long window stays quick to draw.
  static constexpr int kMaxLines = 100;

  using Clock = std::function<qint64()>;  // milliseconds since the epoch

  explicit StripChart(QWidget* parent = nullptr);
  ~StripChart() override;

  // The wall clock, unless a test sets another.
  void setClock(Clock clock);
  qint64 now() const { return clock_(); }

  void addReading(qint64 timeMs, const ChartBuffer::Sample& sample);
  // An update failed at timeMs: the lines break there.
  void addFailure(qint64 timeMs);
  void clear();

  void setWindow(qint64 windowMs);
  qint64 window() const { return buffer_.window(); }
  // Readings older than this are stale, and readings that far apart are not joined.
  void setStaleAfter(qint64 ms);
  void setChannelVisible(int channel, bool visible);
  bool channelVisible(int channel) const;

  // A log's readings in place of the live ones, under its name, until the view is reset.
  void showLog(ChartBuffer log, const QString& name);
  bool showingLog() const { return log_ != nullptr; }

  // The view: following the present, or held where the user put it.
  bool following() const { return follow_; }
  void zoom(double factor, std::optional<qint64> aroundMs = std::nullopt);
  void pan(double fraction);  // of the shown span; negative is back in time
  void resetView();

  const ChartBuffer& buffer() const { return buffer_; }
  // What the chart draws now, after the latest refresh: its time range, the unbroken lines
  // of a channel, and their points in all.
  std::pair<qint64, qint64> shownTimes() const;
  QList<ChartBuffer::Segment> drawnSegments(int channel) const;
  int drawnPoints(int channel) const;
  // "Readings 12 s old" while the live readings are stale, else empty.
  QString staleText() const;

  // Draws what the buffer holds at once, rather than at the next refresh.
  void refresh();

 private:
  const ChartBuffer& shown() const { return log_ ? *log_ : buffer_; }
  void scheduleRefresh();
  void tick();
  void placeAxis();
  void setTimeRange(qint64 from, qint64 to);
  void userMovedAxis();
  void holdView(qint64 from, qint64 to);
  void updateLabels();
  QLineSeries* newLine(std::size_t channel);

  Clock clock_;
  ChartBuffer buffer_;
  std::unique_ptr<ChartBuffer> log_;
  QString logName_;
  qint64 staleAfterMs_ = 2000;
  bool follow_ = true;
  qint64 heldFrom_ = 0;
  qint64 heldTo_ = 0;
  bool placing_ = false;  // the axis moves because of us, not the user

  QChart* chart_ = nullptr;
  ChartView* view_ = nullptr;
  QDateTimeAxis* timeAxis_ = nullptr;
  QValueAxis* voltAxis_ = nullptr;
  QComboBox* windowBox_ = nullptr;
  QLabel* staleLabel_ = nullptr;
  QLabel* viewLabel_ = nullptr;
  QToolButton* liveButton_ = nullptr;
  QTimer* refreshTimer_ = nullptr;
  QTimer* tickTimer_ = nullptr;
  std::array<QList<QLineSeries*>, ChartBuffer::kChannels> lines_{};
  std::array<QScatterSeries*, ChartBuffer::kChannels> dots_{};
  std::array<bool, ChartBuffer::kChannels> visible_{true, true, true, true, true};
  std::array<QCheckBox*, ChartBuffer::kChannels> toggles_{};
};

}  // namespace vyx::panel
