// SIGINT and SIGTERM as a Qt signal: the handler writes the signal number into a socket
// pair, and the event loop reads it, so the program ends between two events, never inside
// one.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace vyx::console {

class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers; only one instance may exist at a time.
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  bool ok() const { return notifier_ != nullptr; }

 signals:
  void received(int signalNumber);

 private:
  int fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace vyx::console
