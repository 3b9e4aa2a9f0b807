#include "chart_buffer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "control/vyx.h"

namespace vyx::panel {

namespace {
const QPointF Break(qint64 timeMs) {
  return {static_cast<double>(timeMs), std::numeric_limits<double>::quiet_NaN()};
}
}  // namespace

ChartBuffer::ChartBuffer(qint64 windowMs, int pointBudget)
    : windowMs_(std::max<qint64>(1, windowMs)), pointBudget_(std::max(1, pointBudget)) {}

void ChartBuffer::setWindow(qint64 windowMs) {
  windowMs_ = std::max<qint64>(1, windowMs);
  trim();
}

bool ChartBuffer::IsBreak(const QPointF& p) { return std::isnan(p.y()); }

void ChartBuffer::append(qint64 timeMs, const Sample& sample) {
  if (timeMs < newest_) return;
  if (latest_ != 0 && joinLimitMs_ > 0 && timeMs - latest_ > joinLimitMs_) breakLines(latest_);
  latest_ = timeMs;
  newest_ = timeMs;
  const double spacing = static_cast<double>(windowMs_) / pointBudget_;
  const auto x = static_cast<double>(timeMs);
  for (std::size_t c = 0; c < points_.size(); ++c) {
    if (!sample[c]) continue;
    auto& series = points_[c];
    // The first point after a break always stays: it starts the next line.
    if (!series.isEmpty() && !IsBreak(series.back()) && x - series.back().x() < spacing) continue;
    series.append(QPointF(x, *sample[c]));
  }
  trim();
}

void ChartBuffer::breakLines(qint64 timeMs) {
  if (timeMs < newest_) return;
  newest_ = timeMs;
  for (auto& series : points_) {
    if (!series.isEmpty() && !IsBreak(series.back())) series.append(Break(timeMs));
  }
}

ChartBuffer::Sample ChartBuffer::SampleOf(const vyx::Readings& readings) {
  Sample sample;
  for (std::size_t c = 0; c < sample.size(); ++c) sample[c] = readings.volts[c];
  return sample;
}

QList<ChartBuffer::Segment> ChartBuffer::segments(int channel) const {
  QList<Segment> runs;
  Segment run;
  for (const QPointF& p : points(channel)) {
    if (!IsBreak(p)) {
      run.append(p);
    } else if (!run.isEmpty()) {
      runs.append(std::move(run));
      run = {};
    }
  }
  if (!run.isEmpty()) runs.append(std::move(run));
  return runs;
}

qint64 ChartBuffer::earliest() const {
  qint64 first = 0;
  for (const auto& series : points_) {
    if (series.isEmpty()) continue;
    const auto x = static_cast<qint64>(series.front().x());
    if (first == 0 || x < first) first = x;
  }
  return first;
}

void ChartBuffer::clear() {
  latest_ = 0;
  newest_ = 0;
  for (auto& series : points_) series.clear();
}

void ChartBuffer::trim() {
  const auto oldest = static_cast<double>(newest_ - windowMs_);
  for (auto& series : points_) {
    auto keep = std::find_if(series.begin(), series.end(),
                             [&](const QPointF& p) { return p.x() >= oldest; });
    // A break with nothing before it breaks nothing.
    while (keep != series.end() && IsBreak(*keep)) ++keep;
    series.erase(series.begin(), keep);
  }
}

}  // namespace vyx::panel
