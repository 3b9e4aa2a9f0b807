// Internal: one kind of line under QtSerialPort, a serial device or a TCP connection. The
// line moves bytes and reports trouble; the input buffer and the notifications belong to
// QtSerialPort.
#pragma once

#include <QIODevice>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/platform.h"
#include "platform/call_depth.h"
#include "platform/device.h"
#include "platform/line_settings.h"

namespace vyx::qt {

class Line {
 public:
  enum class Trouble : std::uint8_t { Error, Vanished };
  using ReadableHandler = std::function<void()>;
  using TroubleHandler = std::function<void(Trouble, const std::string& message)>;

  virtual ~Line() = default;

  void SetHandlers(ReadableHandler readable, TroubleHandler trouble) {
    readable_ = std::move(readable);
    trouble_ = std::move(trouble);
  }

  // Opens with the given settings; a failure leaves the line closed.
  virtual IoResult Open(const Device& device, const LineSettings& settings) = 0;
  virtual void Close() = 0;
  virtual IoResult Apply(const LineSettings& settings) = 0;
  virtual IoResult SetRts(bool on) = 0;
  virtual IoResult SetDtr(bool on) = 0;
  // Hands the bytes to the operating system without waiting for them to go out.
  virtual IoResult Write(std::string_view bytes) = 0;
  // Waits in the operating system up to `msecs` (0: only looks) for input to arrive.
  // Ok when input came or the time ran out; NoDevice when the device went away.
  virtual IoResult Poll(int msecs) = 0;
  // Every byte received so far, taken out of the line and added to `into`.
  virtual void TakeInput(std::vector<std::uint8_t>& into) = 0;
  const std::string& LastError() const { return lastError_; }

 protected:
  void Readable() {
    if (readable_) readable_();
  }
  // Straight into the caller's buffer: this runs for every piece of every reply.
  static void TakeAll(QIODevice& device, std::vector<std::uint8_t>& into) {
    const qint64 n = device.bytesAvailable();
    if (n <= 0) return;
    const std::size_t had = into.size();
    into.resize(had + static_cast<std::size_t>(n));
    const qint64 got = device.read(reinterpret_cast<char*>(into.data() + had), n);
    into.resize(had + static_cast<std::size_t>(got > 0 ? got : 0));
  }
  void Report(Trouble t, const std::string& message) {
    if (trouble_) trouble_(t, message);
  }
  // Marks a call of ours into the device: its errors come back as the call's result and
  // are not reported as well.
  using OwnCall = CallDepth;
  std::string lastError_;

 private:
  ReadableHandler readable_;
  TroubleHandler trouble_;
};

}  // namespace vyx::qt
