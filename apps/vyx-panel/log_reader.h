// A CSV log of readings, as either host writes it (the monitor's columns: time, update, ok,
// AD0volt ...), read back for the chart. Columns are found by their names in the header, so
// that a log with more or fewer columns still reads; a failed update's row breaks the lines.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "chart_buffer.h"

namespace vyx::panel {

// The rows of a CSV text as RFC 4180 has it: quoted cells may hold commas, quotes ("") and
// line ends; a last line without its line end counts.
QList<QStringList> ParseCsv(const QByteArray& text);

// The log's readings over the whole span it covers, or nothing with a message that names
// the file's line at fault.
std::optional<ChartBuffer> ReadLog(const QString& path, QString& error);

}  // namespace vyx::panel
