// What the component needs from its platform: one serial port, a reply timer and clocks.
// Every operation reports a small result; nothing is thrown across this boundary.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vyx {

enum class IoResult : std::uint8_t {
  Ok,
  BadArgument,  // a port number or setting the port does not take
  NoDevice,     // the device is missing, or has gone away
  InUse,        // another process holds the device
  NotOpen,      // the operation needs an open port
  Unsupported,  // the line has no such control (RTS/DTR on a pseudo-terminal or socket)
  Failed,       // any other failure; see LastError()
};

const char* ToString(IoResult r);

// What raised a serial notification.
enum class CommEvent : std::uint8_t {
  Receive,   // the input count reached the receive threshold
  Error,     // a port error
  Vanished,  // the device was removed or the connection dropped
};

// The serial communications component: port number 1 to 8, line settings, open and close,
// binary input, modem controls, input count and discard, receive threshold with its
// notification, output and input.
class SerialPort {
 public:
  using Listener = std::function<void(CommEvent)>;

  virtual ~SerialPort() = default;

  virtual int CommPort() const = 0;
  virtual IoResult SetCommPort(int port) = 0;
  virtual bool IsOpen() const = 0;
  virtual IoResult SetOpen(bool open) = 0;
  virtual IoResult SetSettings(std::string_view settings) = 0;  // "38400,n,8,1"
  virtual IoResult SetBinaryInput() = 0;
  virtual IoResult SetRts(bool on) = 0;
  virtual IoResult SetDtr(bool on) = 0;
  // The bytes waiting, brought up to date with what the system holds.
  virtual IoResult InputCount(int& count) = 0;
  virtual IoResult DiscardInput() = 0;
  // Notify once the input count reaches n bytes; 0 means no receive notifications.
  virtual IoResult SetReceiveThreshold(int n) = 0;
  virtual IoResult Write(std::string_view frame) = 0;
  // Takes every waiting byte, which empties the input: the bytes the last InputCount saw,
  // and any the event loop has delivered since.
  virtual IoResult Read(std::vector<std::uint8_t>& bytes) = 0;
  // Blocks in the operating system until at least n bytes wait or the monotonic deadline
  // passes, whichever comes first. Notifications are not delivered while it waits.
  virtual IoResult WaitForInput(int n, std::chrono::steady_clock::time_point deadline) = 0;
  // The system's message for the last failure, for logs.
  virtual std::string LastError() const = 0;

  void SetListener(Listener l) { listener_ = std::move(l); }

 protected:
  void Raise(CommEvent e) {
    if (listener_) listener_(e);
  }

 private:
  Listener listener_;
};

// The reply timer: ticks every interval while enabled.
class ReplyTimer {
 public:
  using Listener = std::function<void()>;
  virtual ~ReplyTimer() = default;
  virtual void SetInterval(int milliseconds) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  void SetListener(Listener l) { listener_ = std::move(l); }

 protected:
  void Tick() {
    if (listener_) listener_();
  }

 private:
  Listener listener_;
};

// The host's seconds since midnight (wraps at 86400) for texts and the clock field, and a
// monotonic clock for elapsed-time limits.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual float SecondsSinceMidnight() = 0;
  virtual std::chrono::steady_clock::time_point Now() = 0;
};

}  // namespace vyx
