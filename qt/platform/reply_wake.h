// Internal: wakes the event loop a moment before a reply can have come in whole.
//
// A host that waits out an exchange at 38400 baud sleeps some 8 ms, long enough for its
// processor to go into its deepest idle state, and the reply then has to wake it from there.
// A timer that goes off just before the reply is due leaves the processor only a short nap,
// from which the reply wakes it at once. The timer does nothing else; a reply that comes
// earlier or later is handled as ever.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "platform/line_settings.h"

class QSocketNotifier;

namespace vyx::qt {

class ReplyWake {
 public:
  ReplyWake();
  ~ReplyWake();
  ReplyWake(const ReplyWake&) = delete;
  ReplyWake& operator=(const ReplyWake&) = delete;

  // A serial line at these settings is open; until then, and after Stop, nothing is armed.
  void Start(const LineSettings& settings);
  void Stop();
  // `bytes` were handed to the line, and `reply` bytes are awaited after them (0: none).
  void Sent(std::size_t bytes, int reply);

 private:
  int fd_ = -1;  // a timerfd: its time is to the microsecond, a QTimer's to the millisecond
  std::unique_ptr<QSocketNotifier> notifier_;
  bool on_ = false;
  std::chrono::nanoseconds byte_{0};
  std::chrono::steady_clock::time_point lineFree_{};  // when the bytes written so far are out
};

}  // namespace vyx::qt
