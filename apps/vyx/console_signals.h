// The signals that ask a program to end (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1) as a Qt
// signal: the handler writes the signal number into a socket pair, and the event loop reads
// it, so the program ends between two events, never inside one, and closes its port on the
// way out.
#pragma once

#include <signal.h>

#include <QObject>
#include <QSocketNotifier>
#include <array>
#include <memory>

namespace vyx::console {

class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers; only one instance may exist at a time. A SIGHUP that was ignored
  // when the program started (nohup) stays ignored.
  explicit TerminationSignals(QObject* parent = nullptr);
  // Puts back what each signal did before.
  ~TerminationSignals() override;

  bool ok() const { return notifier_ != nullptr; }

 signals:
  void received(int signalNumber);

 private:
  int fds_[2] = {-1, -1};
  std::array<struct sigaction, 5> previous_{};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace vyx::console
