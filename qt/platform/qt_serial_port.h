// The component's serial port on Qt: QSerialPort for device paths, a raw TCP connection for
// tcp://HOST:PORT, a Telnet connection that sets the line for rfc2217://HOST:PORT. CommPort numbers
// 1 to 8 lead to devices through a PortMap.
//
// The port keeps its own input buffer of every byte received, 0 included, in order. The
// receive notification comes once when the count reaches the threshold, however many pieces
// the bytes arrive in; errors and a vanished device are notified too. InputCount takes in
// what the system holds; Read hands over the buffer as it stands. Notifications always
// come from the event loop, never from inside a call into the port, and none come while
// WaitForInput blocks. A vanished device is closed before the notification.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/platform.h"
#include "platform/call_depth.h"
#include "platform/line_settings.h"
#include "platform/port_map.h"

class QObject;
class QTimer;

namespace vyx::qt {

class Line;
class TtyLine;
class TcpLine;
class Rfc2217Line;

class QtSerialPort final : public SerialPort {
 public:
  // The map is read each time the port opens; it must outlive the port.
  // The most input bytes kept; older ones are dropped beyond it.
  static constexpr std::size_t kInputLimit = 4096;

  explicit QtSerialPort(const PortMap& map);
  ~QtSerialPort() override;
  QtSerialPort(const QtSerialPort&) = delete;
  QtSerialPort& operator=(const QtSerialPort&) = delete;

  int CommPort() const override { return comm_; }
  // Changing the number of an open port closes it; the caller opens the new one.
  IoResult SetCommPort(int port) override;
  bool IsOpen() const override;
  IoResult SetOpen(bool open) override;
  IoResult SetSettings(std::string_view settings) override;
  IoResult SetBinaryInput() override;
  IoResult SetRts(bool on) override;
  IoResult SetDtr(bool on) override;
  IoResult InputCount(int& count) override;
  IoResult DiscardInput() override;
  IoResult SetReceiveThreshold(int n) override;
  IoResult Write(std::string_view frame) override;
  IoResult Read(std::vector<std::uint8_t>& bytes) override;
  IoResult WaitForInput(int n, std::chrono::steady_clock::time_point deadline) override;
  std::string LastError() const override { return lastError_; }

  // The device the open port leads to ("" when closed).
  const std::string& OpenDevice() const { return device_; }

 private:
  IoResult Fail(IoResult r, std::string message);
  IoResult Usable();  // Ok for an open port that has not vanished
  void CloseLine();
  void Pull();
  void TakeInCurrent();  // Pull, after taking in what the system holds
  bool Due() const;      // the count has reached the threshold, not yet told
  void CheckThreshold();
  void NotifyIfDue();
  void NotifyNow();
  void OnTrouble(bool vanished, const std::string& message);
  void FinishVanish(std::uint64_t session);

  const PortMap& map_;
  std::unique_ptr<QObject> context_;  // receives the queued calls; they die with it
  std::unique_ptr<QTimer> notify_;    // raises the receive notification from the loop
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // the lines' handlers look
  std::unique_ptr<TtyLine> tty_;
  std::unique_ptr<TcpLine> tcp_;
  std::unique_ptr<Rfc2217Line> rfc2217_;
  Line* line_ = nullptr;       // the open line
  std::uint64_t session_ = 0;  // tells queued calls of an earlier opening apart
  bool vanished_ = false;
  int comm_ = 1;
  LineSettings settings_;
  bool rts_ = true;
  bool dtr_ = false;
  std::vector<std::uint8_t> input_;
  int threshold_ = 0;
  bool notified_ = false;   // the count has reached the threshold and that was told
  int inCall_ = 0;          // calls into the port under way: no moment to notify from a signal
  bool notifying_ = false;  // a notification runs straight from a line's signal
  std::string device_;
  std::string lastError_;
};

}  // namespace vyx::qt
