#include "strip_chart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

namespace vyx::panel {

namespace {

// Colours that stay apart for the common kinds of colour blindness.
constexpr std::array<QRgb, ChartBuffer::kChannels> kColors{0x0072B2, 0xD55E00, 0x009E73, 0xCC79A7,
                                                           0xE69F00};

struct WindowChoice {
  const char* label;
  qint64 ms;
};
constexpr std::array<WindowChoice, 6> kWindows{{{"10 s", 10'000},
                                                {"30 s", 30'000},
                                                {"1 min", 60'000},
                                                {"2 min", 120'000},
                                                {"5 min", 300'000},
                                                {"10 min", 600'000}}};

}  // namespace

StripChart::StripChart(QWidget* parent) : QWidget(parent), buffer_(30'000) {
  chart_ = new QChart;
  chart_->legend()->hide();
  chart_->setMargins(QMargins(4, 4, 4, 4));
  chart_->setBackgroundRoundness(0);

  timeAxis_ = new QDateTimeAxis;
  timeAxis_->setFormat(QStringLiteral("hh:mm:ss"));
  timeAxis_->setTickCount(6);
  timeAxis_->setTitleText(tr("Time"));
  voltAxis_ = new QValueAxis;
  voltAxis_->setRange(0.0, 5.0);
  voltAxis_->setTickCount(6);
  voltAxis_->setLabelFormat(QStringLiteral("%.1f"));
  voltAxis_->setTitleText(tr("Volts"));
  chart_->addAxis(timeAxis_, Qt::AlignBottom);
  chart_->addAxis(voltAxis_, Qt::AlignLeft);

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(tr("Channels:")));
  for (std::size_t c = 0; c < series_.size(); ++c) {
    auto* s = new QLineSeries;
    s->setName(QStringLiteral("AD%1").arg(c));
    QPen pen(QColor::fromRgb(kColors[c]));
    pen.setWidthF(2.0);
    s->setPen(pen);
    chart_->addSeries(s);
    s->attachAxis(timeAxis_);
    s->attachAxis(voltAxis_);
    series_[c] = s;

    auto* box = new QCheckBox(s->name());
    box->setChecked(true);
    box->setStyleSheet(QStringLiteral("QCheckBox { color: %1; font-weight: bold; }")
                           .arg(QColor::fromRgb(kColors[c]).name()));
    connect(box, &QCheckBox::toggled, this,
            [this, c](bool on) { setChannelVisible(static_cast<int>(c), on); });
    controls->addWidget(box);
    toggles_[c] = box;
  }
  controls->addStretch(1);
  controls->addWidget(new QLabel(tr("Window:")));
  windowBox_ = new QComboBox;
  for (const WindowChoice& w : kWindows)
    windowBox_->addItem(tr(w.label), QVariant::fromValue(w.ms));
  windowBox_->setCurrentIndex(1);
  connect(windowBox_, &QComboBox::activated, this,
          [this](int i) { setWindow(windowBox_->itemData(i).toLongLong()); });
  controls->addWidget(windowBox_);

  view_ = new QChartView(chart_);
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumSize(420, 260);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(controls);
  layout->addWidget(view_, 1);

  refreshTimer_ = new QTimer(this);
  refreshTimer_->setSingleShot(true);
  connect(refreshTimer_, &QTimer::timeout, this, &StripChart::refresh);

  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(now - buffer_.window()),
                      QDateTime::fromMSecsSinceEpoch(now));
}

void StripChart::addReading(qint64 timeMs, const ChartBuffer::Sample& sample) {
  buffer_.append(timeMs, sample);
  scheduleRefresh();
}

void StripChart::clear() {
  buffer_.clear();
  refresh();
}

void StripChart::setWindow(qint64 windowMs) {
  buffer_.setWindow(windowMs);
  for (int i = 0; i < windowBox_->count(); ++i) {
    if (windowBox_->itemData(i).toLongLong() == windowMs) windowBox_->setCurrentIndex(i);
  }
  refresh();
}

void StripChart::setChannelVisible(int channel, bool visible) {
  if (channel < 0 || channel >= ChartBuffer::kChannels) return;
  const auto c = static_cast<std::size_t>(channel);
  series_[c]->setVisible(visible);
  if (toggles_[c]->isChecked() != visible) toggles_[c]->setChecked(visible);
  refresh();
}

bool StripChart::channelVisible(int channel) const {
  if (channel < 0 || channel >= ChartBuffer::kChannels) return false;
  return series_[static_cast<std::size_t>(channel)]->isVisible();
}

int StripChart::drawnPoints(int channel) const {
  if (channel < 0 || channel >= ChartBuffer::kChannels) return 0;
  return static_cast<int>(series_[static_cast<std::size_t>(channel)]->count());
}

void StripChart::scheduleRefresh() {
  if (!refreshTimer_->isActive()) refreshTimer_->start(kRefreshMs);
}

void StripChart::refresh() {
  refreshTimer_->stop();
  double lo = 0.0;
  double hi = 5.0;
  for (std::size_t c = 0; c < series_.size(); ++c) {
    const QList<QPointF>& points = buffer_.points(static_cast<int>(c));
    series_[c]->replace(points);
    if (!series_[c]->isVisible()) continue;
    for (const QPointF& p : points) {
      lo = std::min(lo, p.y());
      hi = std::max(hi, p.y());
    }
  }
  voltAxis_->setRange(std::floor(lo), std::ceil(hi));
  const qint64 end = buffer_.isEmpty() ? QDateTime::currentMSecsSinceEpoch() : buffer_.latest();
  timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(end - buffer_.window()),
                      QDateTime::fromMSecsSinceEpoch(end));
}

}  // namespace vyx::panel
