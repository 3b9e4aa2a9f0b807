#include "strip_chart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScopedValueRollback>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
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

constexpr double kWheelStep = 0.8;  // the span after one notch towards the user
constexpr double kKeyZoom = 0.5;
constexpr double kKeyPan = 0.2;

QString Age(qint64 ms) {
  const qint64 s = ms / 1000;
  if (s < 120) return QObject::tr("%1 s").arg(s);
  if (s < 7200) return QObject::tr("%1 min").arg(s / 60);
  return QObject::tr("%1 h").arg(s / 3600);
}

}  // namespace

// The chart's view: the wheel zooms about the pointer, the keys zoom, pan and go back to the
// live view, and a rubber band picks a stretch of time.
class ChartView final : public QChartView {
 public:
  ChartView(QChart* chart, StripChart* owner) : QChartView(chart), owner_(owner) {
    setRubberBand(QChartView::HorizontalRubberBand);
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void wheelEvent(QWheelEvent* event) override {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
      QChartView::wheelEvent(event);
      return;
    }
    const QPointF inChart = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    owner_->zoom(std::pow(kWheelStep, notches),
                 static_cast<qint64>(chart()->mapToValue(inChart).x()));
    event->accept();
  }

  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Plus:
      case Qt::Key_Equal:
        owner_->zoom(kKeyZoom);
        break;
      case Qt::Key_Minus:
        owner_->zoom(1 / kKeyZoom);
        break;
      case Qt::Key_Left:
        owner_->pan(-kKeyPan);
        break;
      case Qt::Key_Right:
        owner_->pan(kKeyPan);
        break;
      case Qt::Key_Home:
      case Qt::Key_Escape:
        owner_->resetView();
        break;
      default:
        QChartView::keyPressEvent(event);
        return;
    }
    event->accept();
  }

 private:
  StripChart* owner_;
};

StripChart::StripChart(QWidget* parent)
    : QWidget(parent), clock_(&QDateTime::currentMSecsSinceEpoch), buffer_(30'000) {
  buffer_.setJoinLimit(staleAfterMs_);
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
  // A rubber band or a zoom-out click moves the axis without us.
  connect(timeAxis_, &QDateTimeAxis::rangeChanged, this, [this] {
    if (!placing_) userMovedAxis();
  });

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(tr("Channels:")));
  for (std::size_t c = 0; c < lines_.size(); ++c) {
    lines_[c].append(newLine(c));
    const QScopedValueRollback<bool> ours(placing_, true);
    auto* dots = new QScatterSeries;
    dots->setColor(QColor::fromRgb(kColors[c]));
    dots->setBorderColor(QColor::fromRgb(kColors[c]));
    dots->setMarkerSize(6);
    chart_->addSeries(dots);
    dots->attachAxis(timeAxis_);
    dots->attachAxis(voltAxis_);
    dots_[c] = dots;

    auto* box = new QCheckBox(QStringLiteral("AD%1").arg(c));
    box->setChecked(true);
    box->setStyleSheet(QStringLiteral("QCheckBox { color: %1; font-weight: bold; }")
                           .arg(QColor::fromRgb(kColors[c]).name()));
    box->setAccessibleDescription(tr("Show AD%1 on the chart").arg(c));
    connect(box, &QCheckBox::toggled, this,
            [this, c](bool on) { setChannelVisible(static_cast<int>(c), on); });
    controls->addWidget(box);
    toggles_[c] = box;
  }
  controls->addStretch(1);
  staleLabel_ = new QLabel;
  staleLabel_->setStyleSheet(QStringLiteral("QLabel { color: #B00020; font-weight: bold; }"));
  staleLabel_->hide();
  controls->addWidget(staleLabel_);
  viewLabel_ = new QLabel;
  viewLabel_->hide();
  controls->addWidget(viewLabel_);
  liveButton_ = new QToolButton;
  liveButton_->setText(tr("Live"));
  liveButton_->setToolTip(tr("Back to the live readings, following the present (Home)"));
  liveButton_->setEnabled(false);
  connect(liveButton_, &QToolButton::clicked, this, &StripChart::resetView);
  controls->addWidget(liveButton_);
  auto* windowLabel = new QLabel(tr("Window:"));
  controls->addWidget(windowLabel);
  windowBox_ = new QComboBox;
  for (const WindowChoice& w : kWindows)
    windowBox_->addItem(tr(w.label), QVariant::fromValue(w.ms));
  windowBox_->setCurrentIndex(1);
  windowBox_->setAccessibleName(tr("Chart window"));
  windowLabel->setBuddy(windowBox_);
  connect(windowBox_, &QComboBox::activated, this,
          [this](int i) { setWindow(windowBox_->itemData(i).toLongLong()); });
  controls->addWidget(windowBox_);

  view_ = new ChartView(chart_, this);
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumSize(420, 260);
  view_->setAccessibleName(tr("Chart of AD0 to AD4"));
  view_->setAccessibleDescription(
      tr("Wheel or + and - zoom, a dragged band picks a stretch of time, the arrow keys move "
         "through time, Home goes back to the live readings"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(controls);
  layout->addWidget(view_, 1);

  refreshTimer_ = new QTimer(this);
  refreshTimer_->setSingleShot(true);
  connect(refreshTimer_, &QTimer::timeout, this, &StripChart::refresh);
  tickTimer_ = new QTimer(this);
  connect(tickTimer_, &QTimer::timeout, this, &StripChart::tick);
  tickTimer_->start(kTickMs);

  placeAxis();
}

StripChart::~StripChart() = default;

QLineSeries* StripChart::newLine(std::size_t channel) {
  // Attaching a series sets the axis to its data; that is not the user moving it.
  const QScopedValueRollback<bool> ours(placing_, true);
  auto* s = new QLineSeries;
  s->setName(QStringLiteral("AD%1").arg(channel));
  QPen pen(QColor::fromRgb(kColors[channel]));
  pen.setWidthF(2.0);
  s->setPen(pen);
  chart_->addSeries(s);
  s->attachAxis(timeAxis_);
  s->attachAxis(voltAxis_);
  s->setVisible(visible_[channel]);
  return s;
}

void StripChart::setClock(Clock clock) {
  clock_ = std::move(clock);
  refresh();
}

void StripChart::addReading(qint64 timeMs, const ChartBuffer::Sample& sample) {
  buffer_.append(timeMs, sample);
  scheduleRefresh();
}

void StripChart::addFailure(qint64 timeMs) {
  buffer_.breakLines(timeMs);
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

void StripChart::setStaleAfter(qint64 ms) {
  staleAfterMs_ = std::max<qint64>(1, ms);
  buffer_.setJoinLimit(staleAfterMs_);
  updateLabels();
}

void StripChart::setChannelVisible(int channel, bool visible) {
  if (channel < 0 || channel >= ChartBuffer::kChannels) return;
  const auto c = static_cast<std::size_t>(channel);
  visible_[c] = visible;
  for (QLineSeries* s : lines_[c]) s->setVisible(visible);
  dots_[c]->setVisible(visible);
  if (toggles_[c]->isChecked() != visible) toggles_[c]->setChecked(visible);
  refresh();
}

bool StripChart::channelVisible(int channel) const {
  if (channel < 0 || channel >= ChartBuffer::kChannels) return false;
  return visible_[static_cast<std::size_t>(channel)];
}

void StripChart::showLog(ChartBuffer log, const QString& name) {
  log_ = std::make_unique<ChartBuffer>(std::move(log));
  logName_ = name;
  follow_ = true;  // the whole log, until the user zooms
  refresh();
}

void StripChart::zoom(double factor, std::optional<qint64> aroundMs) {
  const auto [from, to] = shownTimes();
  const auto span = static_cast<double>(std::max<qint64>(1, to - from));
  const qint64 longest =
      std::max(shown().window(), log_ ? log_->latest() - log_->earliest() : qint64{0});
  const auto newSpan = std::clamp(static_cast<double>(std::llround(span * factor)),
                                  static_cast<double>(kShortestSpanMs),
                                  static_cast<double>(std::max(longest, kShortestSpanMs)));
  const double at = static_cast<double>(aroundMs.value_or(from)) + (aroundMs ? 0.0 : span / 2);
  const double newFrom = at - (at - static_cast<double>(from)) / span * newSpan;  // `at` stays
  holdView(std::llround(newFrom), std::llround(newFrom + newSpan));
}

void StripChart::pan(double fraction) {
  const auto [from, to] = shownTimes();
  const auto step = std::llround(static_cast<double>(to - from) * fraction);
  holdView(from + step, to + step);
}

void StripChart::resetView() {
  follow_ = true;
  log_.reset();
  logName_.clear();
  refresh();
}

void StripChart::holdView(qint64 from, qint64 to) {
  follow_ = false;
  heldFrom_ = from;
  heldTo_ = to;
  setTimeRange(from, to);
  updateLabels();
}

void StripChart::userMovedAxis() {
  holdView(timeAxis_->min().toMSecsSinceEpoch(), timeAxis_->max().toMSecsSinceEpoch());
}

std::pair<qint64, qint64> StripChart::shownTimes() const {
  return {timeAxis_->min().toMSecsSinceEpoch(), timeAxis_->max().toMSecsSinceEpoch()};
}

QList<ChartBuffer::Segment> StripChart::drawnSegments(int channel) const {
  QList<ChartBuffer::Segment> drawn;
  if (channel < 0 || channel >= ChartBuffer::kChannels) return drawn;
  const auto c = static_cast<std::size_t>(channel);
  for (const QLineSeries* s : lines_[c]) {
    if (s->count() > 0) drawn.append(s->points());
  }
  for (const QPointF& p : dots_[c]->points()) drawn.append({p});
  std::sort(drawn.begin(), drawn.end(),
            [](const ChartBuffer::Segment& a, const ChartBuffer::Segment& b) {
              return a.front().x() < b.front().x();
            });
  return drawn;
}

int StripChart::drawnPoints(int channel) const {
  int n = 0;
  for (const ChartBuffer::Segment& s : drawnSegments(channel)) n += static_cast<int>(s.size());
  return n;
}

QString StripChart::staleText() const {
  return staleLabel_->isHidden() ? QString() : staleLabel_->text();
}

void StripChart::scheduleRefresh() {
  if (!refreshTimer_->isActive()) refreshTimer_->start(kRefreshMs);
}

void StripChart::refresh() {
  refreshTimer_->stop();
  const ChartBuffer& source = shown();
  double lo = 0.0;
  double hi = 5.0;
  for (std::size_t c = 0; c < lines_.size(); ++c) {
    const QList<ChartBuffer::Segment> runs = source.segments(static_cast<int>(c));
    // The newest runs of two points or more are lines; a lone reading, and the oldest runs
    // past the limit, are dots.
    QList<ChartBuffer::Segment> lines;
    QList<QPointF> dots;
    for (qsizetype i = runs.size() - 1; i >= 0; --i) {
      if (runs[i].size() > 1 && lines.size() < kMaxLines) {
        lines.prepend(runs[i]);
      } else {
        dots.append(runs[i]);
      }
    }
    auto& pool = lines_[c];
    const QScopedValueRollback<bool> ours(placing_, true);
    const qsizetype wanted = std::max<qsizetype>(1, lines.size());
    while (pool.size() < wanted) pool.append(newLine(c));
    while (pool.size() > wanted) {
      QLineSeries* s = pool.takeLast();
      chart_->removeSeries(s);
      delete s;
    }
    for (qsizetype i = 0; i < pool.size(); ++i) pool[i]->replace(lines.value(i));
    dots_[c]->replace(dots);
    if (!visible_[c]) continue;
    for (const ChartBuffer::Segment& run : runs) {
      for (const QPointF& p : run) {
        lo = std::min(lo, p.y());
        hi = std::max(hi, p.y());
      }
    }
  }
  voltAxis_->setRange(std::floor(lo), std::ceil(hi));
  placeAxis();
  updateLabels();
}

void StripChart::tick() {
  if (follow_ && !log_) placeAxis();
  updateLabels();
}

void StripChart::placeAxis() {
  if (!follow_) {
    setTimeRange(heldFrom_, heldTo_);
  } else if (log_) {
    const qint64 first = log_->earliest();
    setTimeRange(first, std::max(log_->latest(), first + kShortestSpanMs));
  } else {
    // The present, whether or not readings come.
    const qint64 end = now();
    setTimeRange(end - buffer_.window(), end);
  }
}

void StripChart::setTimeRange(qint64 from, qint64 to) {
  const QScopedValueRollback<bool> ours(placing_, true);
  timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
}

void StripChart::updateLabels() {
  const qint64 age = now() - buffer_.latest();
  const bool stale = !buffer_.isEmpty() && age > staleAfterMs_;
  staleLabel_->setText(stale ? tr("Readings %1 old").arg(Age(age)) : QString());
  staleLabel_->setHidden(!stale);
  if (log_) {
    viewLabel_->setText(tr("Log %1").arg(logName_));
  } else if (!follow_) {
    viewLabel_->setText(tr("View held"));
  }
  viewLabel_->setHidden(!log_ && follow_);
  liveButton_->setEnabled(log_ || !follow_);
}

}  // namespace vyx::panel
