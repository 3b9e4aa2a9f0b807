// The shell's command interpreter: one parsed line in, its answer out, with `wait` and
// `sleep` running the event loop instead of blocking it. Lines that arrive while such a
// command runs wait their turn, so answers always come in the order of the commands.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "console_line.h"

namespace vyx::console {

class Session;

class Shell : public QObject {
  Q_OBJECT
 public:
  // `write` takes one answer line without its newline, and must flush it; false when the line
  // could not be written, which ends the shell.
  using Writer = std::function<bool(std::string_view)>;

  Shell(Session& session, Writer write, QObject* parent = nullptr);

  void Feed(std::string line);
  void FeedOverlong();  // a line too long to take: answered with an error in its turn
  void EndOfInput();

  bool Busy() const { return busy_; }

 signals:
  void busyChanged(bool busy);
  void finished(int exitCode);

 private:
  void Pump();
  void Execute(const ShellCommand& cmd);
  void Answer(std::string_view line);
  void Error(std::string_view message);
  void RefuseValue(const std::string& name, std::string_view given, std::string_view why);
  void BeginWait(double seconds);
  void BeginSleep(double seconds);
  void Resume(std::string_view answer);
  void SetBusy(bool busy);

  Session& session_;
  Writer write_;
  std::deque<std::optional<std::string>> queue_;  // nullopt: an overlong line
  bool busy_ = false;
  bool ended_ = false;  // end of input seen
  bool done_ = false;   // finished has been emitted
  QTimer timer_;
  QMetaObject::Connection endConnection_;
  unsigned waits_ = 0;  // counts waits, so that a resume queued for an old one does nothing
};

}  // namespace vyx::console
