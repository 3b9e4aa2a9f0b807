#include "chart_buffer.h"

#include <algorithm>

namespace vyx::panel {

ChartBuffer::ChartBuffer(qint64 windowMs) : windowMs_(std::max<qint64>(1, windowMs)) {}

void ChartBuffer::setWindow(qint64 windowMs) {
  windowMs_ = std::max<qint64>(1, windowMs);
  trim();
}

void ChartBuffer::append(qint64 timeMs, const Sample& sample) {
  if (timeMs < latest_) return;
  latest_ = timeMs;
  const double spacing = static_cast<double>(windowMs_) / kMaxPointsPerWindow;
  const auto x = static_cast<double>(timeMs);
  for (std::size_t c = 0; c < points_.size(); ++c) {
    if (!sample[c]) continue;
    auto& series = points_[c];
    if (!series.isEmpty() && x - series.back().x() < spacing) continue;
    series.append(QPointF(x, *sample[c]));
  }
  trim();
}

std::optional<double> ChartBuffer::Volts(const QString& text) {
  bool ok = false;
  // QString::toDouble reads a point as the separator whatever the locale, as the panel writes.
  const double v = text.trimmed().toDouble(&ok);
  if (!ok) return std::nullopt;
  return v;
}

void ChartBuffer::clear() {
  latest_ = 0;
  for (auto& series : points_) series.clear();
}

void ChartBuffer::trim() {
  const auto oldest = static_cast<double>(latest_ - windowMs_);
  for (auto& series : points_) {
    const auto keep = std::find_if(series.begin(), series.end(),
                                   [&](const QPointF& p) { return p.x() >= oldest; });
    series.erase(series.begin(), keep);
  }
}

}  // namespace vyx::panel
