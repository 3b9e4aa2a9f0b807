// The live strip chart of AD0 to AD4 over a chosen time window, each channel shown or hidden
// by its own check box. It redraws at most a few times a second, however fast readings come.
#pragma once

#include <QWidget>
#include <array>

#include "chart_buffer.h"

class QCheckBox;
class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
class QTimer;

namespace vyx::panel {

class StripChart : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRefreshMs = 100;

  explicit StripChart(QWidget* parent = nullptr);

  void addReading(qint64 timeMs, const ChartBuffer::Sample& sample);
  void clear();

  void setWindow(qint64 windowMs);
  qint64 window() const { return buffer_.window(); }
  void setChannelVisible(int channel, bool visible);
  bool channelVisible(int channel) const;

  const ChartBuffer& buffer() const { return buffer_; }
  // What the chart draws now, after the latest refresh.
  int drawnPoints(int channel) const;

  // Draws what the buffer holds at once, rather than at the next refresh.
  void refresh();

 private:
  void scheduleRefresh();

  ChartBuffer buffer_;
  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  QDateTimeAxis* timeAxis_ = nullptr;
  QValueAxis* voltAxis_ = nullptr;
  QComboBox* windowBox_ = nullptr;
  QTimer* refreshTimer_ = nullptr;
  std::array<QLineSeries*, ChartBuffer::kChannels> series_{};
  std::array<QCheckBox*, ChartBuffer::kChannels> toggles_{};
};

}  // namespace vyx::panel
