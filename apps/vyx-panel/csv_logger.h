// The CSV log of every update: one row a reading, written and flushed as it comes, so that
// a log that is being followed (tail -f, a spreadsheet's refresh) or a crash loses nothing.
// The columns are the console's monitor log, so one tool reads both.
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace vyx::panel {

class CsvLogger {
 public:
  // Starts a log at path, replacing what the file held, and writes the header row. On
  // failure nothing is logged and error says why.
  bool start(const QString& path, QString* error = nullptr);
  void stop();
  bool isActive() const { return file_.isOpen(); }
  QString path() const { return file_.fileName(); }
  qint64 rows() const { return rows_; }

  // Appends one row (without its line end) and flushes it. A failed write stops the log,
  // so that a full disk is reported once rather than on every update.
  bool append(const std::string& row, QString* error = nullptr);

 private:
  QFile file_;
  qint64 rows_ = 0;
};

}  // namespace vyx::panel
