#include "console_runs.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "board_line.h"
#include "console_session.h"
#include "control/vyx.h"
#include "platform/port_map.h"

namespace vyx::console {
namespace {

std::string Where(int address, int comm, const std::string& device) {
  return "board " + std::to_string(address) + " on Comm" + std::to_string(comm) + " (" + device +
         ")";
}

// An end may come from within Start, before the event loop runs; the loop must be running
// to hear that the run is over.
void Later(QObject* run, std::function<void()> f) {
  QMetaObject::invokeMethod(run, std::move(f), Qt::QueuedConnection);
}

}  // namespace

ReadRun::ReadRun(Session& session, const CliOptions& options, LineWriter out, LineWriter err,
                 QObject* parent)
    : Run(options, std::move(out), std::move(err), parent), session_(session) {
  connect(&session_, &Session::newData, this, &ReadRun::OnNewData);
  connect(&session_, &Session::updateEnded, this, &ReadRun::OnEnded);
}

void ReadRun::Start() {
  if (const Status s = session_.Connect(options_.comm, options_.address); !s) {
    err_("vyx: " + s.message());
    return Finish(kExitFailure);
  }
  session_.RunUpdate();
}

void ReadRun::Finish(int exitCode) {
  Later(this, [this, exitCode] { emit finished(exitCode); });
}

void ReadRun::OnNewData() {
  readings_ = documents::TakeReadings(session_.Component());
  values_ = session_.Component().LastReadings();
}

void ReadRun::OnEnded(const UpdateEnd& end) {
  if (!end.ok()) {
    err_("vyx: the update failed: " + end.Describe() + " (" +
         Where(options_.address, options_.comm, session_.Ports().Device(options_.comm)) + ")");
    return Finish(kExitFailure);
  }
  bool written = true;
  if (options_.format == OutputFormat::Text) {
    std::string text = ReadingsText(readings_);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    written = out_(text);
  } else {
    written = out_(ReadingsJson(readings_, values_ ? &*values_ : nullptr));
  }
  Finish(written ? kExitOk : kExitFailure);
}

MonitorRun::MonitorRun(Session& session, const CliOptions& options, LineWriter out, LineWriter err,
                       QObject* parent)
    : Run(options, std::move(out), std::move(err), parent),
      line_(std::make_unique<boards::BoardLine>(session.Ports(), options.comm, options.addresses)) {
  next_.setSingleShot(true);
  next_.setTimerType(Qt::PreciseTimer);
  connect(&next_, &QTimer::timeout, this, &MonitorRun::StartNext);
  connect(line_.get(), &boards::BoardLine::boardEnded, this, &MonitorRun::OnEnded);
}

MonitorRun::~MonitorRun() = default;

std::string MonitorRun::Where(int address) const {
  return console::Where(address, options_.comm, line_->Device());
}

void MonitorRun::Start() {
  clock_.start();
  if (const Status s = line_->Open(); !s) {
    err_("vyx: " + s.message());
    return Finish(kExitFailure);
  }
  StartNext();
}

void MonitorRun::StartNext() {
  if (done_) return;
  if (endAtNext_) return Stop();
  running_ = true;
  startNs_ = clock_.nsecsElapsed();
  if (updates_ == 0) firstStartNs_ = startNs_;
  if (nextBoard_ == 0) roundStartNs_ = startNs_;
  const int address = options_.addresses[nextBoard_];
  nextBoard_ = (nextBoard_ + 1) % options_.addresses.size();
  line_->Update(address);
}

void MonitorRun::OnEnded(int address, const UpdateEnd& end) {
  if (!running_ || done_) return;
  running_ = false;
  const bool gotNewData = end.ok();
  ++updates_;
  if (!gotNewData) ++failures_;
  lastStartNs_ = startNs_;

  // The end is heard before the component closes a port whose device went away.
  const bool connected = end.failure != UpdateFailure::PortNotOpen &&
                         end.failure != UpdateFailure::DeviceGone && line_->IsOpen();
  const qint64 now = clock_.elapsed();
  const bool timeUp = options_.durationMs > 0 && now >= options_.durationMs;
  const bool last = !connected || (options_.count > 0 && updates_ >= options_.count) || timeUp;
  // Back to back, or on the interval's beat; a late update delays the next, never overlaps.
  // The boards of a round go back to back; the beat starts each round. A beat past the
  // duration is not kept: the run ends when its time is up.
  qint64 wait = nextBoard_ != 0
                    ? 0
                    : std::max<qint64>(0, roundStartNs_ / 1'000'000 + options_.intervalMs - now);
  if (!last && options_.durationMs > 0 && now + wait >= options_.durationMs) {
    wait = options_.durationMs - now;
    endAtNext_ = true;
  }
  // Back to back, the next request goes out from the success itself, before the row is made
  // and written: the board answers while the log is busy. A failure waits for the loop, so
  // that one failing at once does not keep it from everything else.
  const bool startNow = gotNewData && !last && wait == 0 && !endAtNext_;
  if (startNow) StartNext();
  // The row's time is the end of this update; the next request went out microseconds ago.
  const QDateTime at = QDateTime::currentDateTimeUtc();
  // The fields still show this update's readings: only the next reply, decoded in a later
  // turn of the loop, changes them.
  documents::Readings readings;
  std::optional<vyx::Readings> values;
  if (gotNewData) {
    const Vyx& board = *line_->Board(address);
    readings = documents::TakeReadings(board);
    values = board.LastReadings();
  }

  documents::LogRow row;
  row.time = at.toString(Qt::ISODateWithMs).toStdString();
  row.update = updates_;
  row.address = address;
  row.addressColumn = options_.addresses.size() > 1;
  row.readings = gotNewData ? &readings : nullptr;
  row.values = values ? &*values : nullptr;
  if (!gotNewData) row.error = end.Describe();
  if (!out_(options_.format == OutputFormat::Csv ? documents::CsvRow(row) : JsonlRow(row))) {
    // The writer's owner says why, or nothing when the reader went away; a summary of rows
    // that did not all arrive would mislead.
    logFailed_ = true;
    return Finish(kExitFailure);
  }
  if (!connected) {
    err_("vyx: the port went offline: " + Where(address));
    return Finish(kExitFailure);
  }
  if (last) return Stop();
  if (!startNow) next_.start(static_cast<int>(wait));
}

void MonitorRun::Stop() {
  if (done_) return;
  Finish(updates_ > 0 && failures_ == updates_ ? kExitFailure : kExitOk);
}

void MonitorRun::Finish(int exitCode) {
  if (done_) return;
  done_ = true;
  running_ = false;
  next_.stop();
  const auto done = [this, exitCode] {
    Later(this, [this, exitCode] { emit finished(exitCode); });
  };
  if (logFailed_) return done();
  // The rate is the intervals from one start to the next: n updates make n - 1 of them.
  std::string summary = "vyx: " + std::to_string(updates_) +
                        (updates_ == 1 ? " update, " : " updates, ") + std::to_string(failures_) +
                        " failed, ";
  char figures[64];
  if (updates_ >= 2 && lastStartNs_ > firstStartNs_) {
    const double span = static_cast<double>(lastStartNs_ - firstStartNs_) / 1e9;
    std::snprintf(figures, sizeof figures, "%.1f updates/s ",
                  static_cast<double>(updates_ - 1) / span);
    summary += figures;
  }
  std::snprintf(figures, sizeof figures, "over %.2f s",
                static_cast<double>(clock_.elapsed()) / 1000.0);
  summary += figures;
  err_(summary);
  done();
}

}  // namespace vyx::console
