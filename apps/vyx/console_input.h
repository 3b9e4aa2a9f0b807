// Standard input as lines, without blocking the event loop: the descriptor is read only
// when it is readable, and a partial line waits in a buffer for the rest.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

namespace vyx::console {

class LineReader : public QObject {
  Q_OBJECT
 public:
  // A line longer than this is refused rather than kept growing.
  static constexpr qsizetype kMaxLine = 1024 * 1024;

  explicit LineReader(int fd, QObject* parent = nullptr);

  // While paused, nothing is read, so a slow command holds back the writer.
  void SetPaused(bool paused);

 signals:
  void lineReceived(const QByteArray& line);  // without its newline
  void lineTooLong();
  void finished();  // end of input, after the last line

 private:
  void ReadAvailable();

  int fd_;
  QSocketNotifier notifier_;
  QByteArray buffer_;
  bool discarding_ = false;  // inside a line that was already refused
  bool done_ = false;
};

}  // namespace vyx::console
