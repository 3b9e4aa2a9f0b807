#include "console_input.h"

#include <unistd.h>

#include <cerrno>

namespace vyx::console {

LineReader::LineReader(int fd, QObject* parent)
    : QObject(parent), fd_(fd), notifier_(fd, QSocketNotifier::Read) {
  connect(&notifier_, &QSocketNotifier::activated, this, &LineReader::ReadAvailable);
}

void LineReader::SetPaused(bool paused) {
  if (!done_) notifier_.setEnabled(!paused);
}

void LineReader::ReadAvailable() {
  char chunk[65536];
  const ssize_t n = ::read(fd_, chunk, sizeof chunk);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    // End of input (or an unreadable descriptor, which ends it just the same).
    done_ = true;
    notifier_.setEnabled(false);
    if (!buffer_.isEmpty() && !discarding_) emit lineReceived(buffer_);
    buffer_.clear();
    emit finished();
    return;
  }
  qsizetype start = 0;
  const QByteArray data(chunk, static_cast<qsizetype>(n));
  for (;;) {
    const qsizetype nl = data.indexOf('\n', start);
    const qsizetype end = nl < 0 ? data.size() : nl;
    if (!discarding_) {
      buffer_.append(data.constData() + start, end - start);
      if (buffer_.size() > kMaxLine) {
        buffer_.clear();
        discarding_ = true;
        emit lineTooLong();
      }
    }
    if (nl < 0) break;
    if (!discarding_) emit lineReceived(buffer_);
    buffer_.clear();
    discarding_ = false;
    start = nl + 1;
  }
}

}  // namespace vyx::console
