#include "csv_logger.h"

#include "readings_csv.h"

namespace vyx::panel {

bool CsvLogger::start(const QString& path, QString* error) {
  stop();
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, file_.errorString());
    return false;
  }
  rows_ = 0;
  if (!append(vyx::documents::CsvHeader(), error)) return false;
  rows_ = 0;  // the header is not a reading
  return true;
}

void CsvLogger::stop() {
  if (file_.isOpen()) file_.close();
}

bool CsvLogger::append(const std::string& row, QString* error) {
  if (!file_.isOpen()) {
    if (error) *error = QStringLiteral("no log is open");
    return false;
  }
  std::string line = row;
  line += '\n';
  const auto size = static_cast<qint64>(line.size());
  if (file_.write(line.data(), size) != size || !file_.flush()) {
    if (error)
      *error = QStringLiteral("writing %1 failed: %2").arg(file_.fileName(), file_.errorString());
    file_.close();
    return false;
  }
  ++rows_;
  return true;
}

}  // namespace vyx::panel
