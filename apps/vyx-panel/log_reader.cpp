#include "log_reader.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace vyx::panel {

namespace {

// The volts in a logged cell ("2.500"); nothing for an empty or unreadable cell, as a failed
// update's row has.
std::optional<double> Volts(const QString& cell) {
  bool ok = false;
  // QString::toDouble reads a point as the separator whatever the locale, as logs are written.
  const double v = cell.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

// A log of a day at several updates a second stays readable without drawing every row.
constexpr int kLogPointBudget = 20'000;
// Rows further apart than this many times their usual spacing are not joined by a line.
constexpr qint64 kPauseFactor = 5;
constexpr qint64 kShortestPauseMs = 2'000;

struct Row {
  qint64 time = 0;
  bool ok = true;
  ChartBuffer::Sample sample;
};

qint64 UsualSpacing(const std::vector<Row>& rows) {
  std::vector<qint64> steps;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    if (rows[i].time > rows[i - 1].time) steps.push_back(rows[i].time - rows[i - 1].time);
  }
  if (steps.empty()) return 0;
  std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                   steps.end());
  return steps[steps.size() / 2];
}

}  // namespace

QList<QStringList> ParseCsv(const QByteArray& bytes) {
  const QString text = QString::fromUtf8(bytes);
  QList<QStringList> rows;
  QStringList row;
  QString cell;
  bool quoted = false;
  bool any = false;  // something on the current line
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c != u'"') {
        cell += c;
      } else if (i + 1 < text.size() && text[i + 1] == u'"') {
        cell += c;
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == u'"') {
      quoted = true;
      any = true;
    } else if (c == u',') {
      row << cell;
      cell.clear();
      any = true;
    } else if (c == u'\n' || c == u'\r') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      if (any || !cell.isEmpty()) {
        row << cell;
        rows << row;
      }
      row.clear();
      cell.clear();
      any = false;
    } else {
      cell += c;
      any = true;
    }
  }
  if (any || !cell.isEmpty()) {
    row << cell;
    rows << row;
  }
  return rows;
}

std::optional<ChartBuffer> ReadLog(const QString& path, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  const QList<QStringList> lines = ParseCsv(file.readAll());
  if (lines.isEmpty()) {
    error = QStringLiteral("%1 is empty").arg(path);
    return std::nullopt;
  }
  const QStringList& header = lines.front();
  const qsizetype timeColumn = header.indexOf(QStringLiteral("time"));
  const qsizetype okColumn = header.indexOf(QStringLiteral("ok"));
  std::array<qsizetype, ChartBuffer::kChannels> volts{};
  bool anyChannel = false;
  for (std::size_t c = 0; c < volts.size(); ++c) {
    volts[c] = header.indexOf(QStringLiteral("AD%1volt").arg(c));
    anyChannel = anyChannel || volts[c] >= 0;
  }
  if (timeColumn < 0 || !anyChannel) {
    error = QStringLiteral(
                "%1 is not a log of readings: its first line names no time and AD0volt to "
                "AD4volt columns")
                .arg(path);
    return std::nullopt;
  }

  std::vector<Row> rows;
  for (qsizetype n = 1; n < lines.size(); ++n) {
    const QStringList& cells = lines[n];
    const QDateTime time = QDateTime::fromString(cells.value(timeColumn), Qt::ISODateWithMs);
    if (!time.isValid()) {
      error = QStringLiteral("%1, row %2: \"%3\" is not a time such as 2024-05-01T12:00:00.000Z")
                  .arg(path)
                  .arg(n + 1)
                  .arg(cells.value(timeColumn).left(40));
      return std::nullopt;
    }
    Row row;
    row.time = time.toMSecsSinceEpoch();
    row.ok = okColumn < 0 || cells.value(okColumn) != QStringLiteral("false");
    for (std::size_t c = 0; c < volts.size(); ++c) {
      if (volts[c] >= 0) row.sample[c] = Volts(cells.value(volts[c]));
    }
    rows.push_back(row);
  }
  if (rows.empty()) {
    error = QStringLiteral("%1 holds no readings").arg(path);
    return std::nullopt;
  }

  const auto [first, last] = std::minmax_element(
      rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.time < b.time; });
  const qint64 span = last->time - first->time + 1;
  ChartBuffer log(span, kLogPointBudget);
  log.setJoinLimit(std::max(kShortestPauseMs, kPauseFactor * UsualSpacing(rows)));
  for (const Row& row : rows) {
    if (row.ok) {
      log.append(row.time, row.sample);
    } else {
      log.breakLines(row.time);
    }
  }
  return log;
}

}  // namespace vyx::panel
