// `read` and `monitor`: updates of one board, or of several boards of one line in turn, their
// readings written as they come.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "console_args.h"
#include "console_readings.h"
#include "control/update_end.h"

namespace vyx::boards {
class BoardLine;
}

namespace vyx::console {

class Session;

// Takes one line without its newline and flushes it; false when it could not be written, which
// ends a run without a word: the writer's owner knows why.
using LineWriter = std::function<bool(std::string_view)>;

// What both runs work with: the options, and where their lines go.
class Run : public QObject {
  Q_OBJECT
 public:
  Run(const CliOptions& options, LineWriter out, LineWriter err, QObject* parent)
      : QObject(parent), options_(options), out_(std::move(out)), err_(std::move(err)) {}

 signals:
  void finished(int exitCode);

 protected:
  CliOptions options_;
  LineWriter out_, err_;
};

// One update; the readings, or a failure with a non-zero exit status.
class ReadRun : public Run {
  Q_OBJECT
 public:
  ReadRun(Session& session, const CliOptions& options, LineWriter out, LineWriter err,
          QObject* parent = nullptr);
  void Start();

 private:
  void OnNewData();
  void OnEnded(const UpdateEnd& end);
  void Finish(int exitCode);

  Session& session_;
  documents::Readings readings_;
  std::optional<vyx::Readings> values_;
};

// Updates one after another, never overlapping, each logged as one row; with several
// addresses, the boards of the line in turn, each with its own component.
class MonitorRun : public Run {
  Q_OBJECT
 public:
  MonitorRun(Session& session, const CliOptions& options, LineWriter out, LineWriter err,
             QObject* parent = nullptr);
  ~MonitorRun() override;
  void Start();
  // Ends between two rows: the update in progress is dropped, the summary written.
  void Stop();

  long Updates() const { return updates_; }
  long Failures() const { return failures_; }

 private:
  void StartNext();
  void OnEnded(int address, const UpdateEnd& end);
  void Finish(int exitCode);
  std::string Where(int address) const;

  std::unique_ptr<boards::BoardLine> line_;
  std::size_t nextBoard_ = 0;  // the index in options_.addresses of the next update
  QTimer next_;
  QElapsedTimer clock_;
  qint64 startNs_ = 0;       // the update in progress
  qint64 firstStartNs_ = 0;  // the first update
  qint64 lastStartNs_ = 0;   // the last update that ended
  qint64 roundStartNs_ = 0;  // the first update of the round under way
  bool running_ = false;
  bool endAtNext_ = false;  // the next beat falls past --duration
  bool done_ = false;
  bool logFailed_ = false;
  long updates_ = 0;
  long failures_ = 0;
};

}  // namespace vyx::console
