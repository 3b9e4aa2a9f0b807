// `read` and `monitor`: updates of one board, their readings written as they come.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "console_args.h"
#include "console_readings.h"
#include "control/update_end.h"

namespace vyx::console {

class Session;

// Takes one line without its newline and flushes it; false when it could not be written, which
// ends a run without a word: the writer's owner knows why.
using LineWriter = std::function<bool(std::string_view)>;

// What both runs work with: the session, the options, and where their lines go.
class Run : public QObject {
  Q_OBJECT
 public:
  Run(Session& session, const CliOptions& options, LineWriter out, LineWriter err, QObject* parent)
      : QObject(parent),
        session_(session),
        options_(options),
        out_(std::move(out)),
        err_(std::move(err)) {}

 signals:
  void finished(int exitCode);

 protected:
  Session& session_;
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

  documents::Readings readings_;
  std::optional<vyx::Readings> values_;
};

// Updates one after another, never overlapping, each logged as one row.
class MonitorRun : public Run {
  Q_OBJECT
 public:
  MonitorRun(Session& session, const CliOptions& options, LineWriter out, LineWriter err,
             QObject* parent = nullptr);
  void Start();
  // Ends between two rows: the update in progress is dropped, the summary written.
  void Stop();

  long Updates() const { return updates_; }
  long Failures() const { return failures_; }

 private:
  void StartNext();
  void OnEnded(const UpdateEnd& end);
  void Finish(int exitCode);

  QTimer next_;
  QElapsedTimer clock_;
  qint64 startNs_ = 0;       // the update in progress
  qint64 firstStartNs_ = 0;  // the first update
  qint64 lastStartNs_ = 0;   // the last update that ended
  bool running_ = false;
  bool endAtNext_ = false;  // the next beat falls past --duration
  bool done_ = false;
  bool logFailed_ = false;
  long updates_ = 0;
  long failures_ = 0;
};

}  // namespace vyx::console
