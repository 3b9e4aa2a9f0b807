// Internal: a line on a serial device through QSerialPort.
#pragma once

#include <QSerialPort>

#include "platform/line.h"
#include "platform/low_latency.h"

namespace vyx::qt {

class TtyLine final : public Line {
 public:
  explicit TtyLine(SerialDriver& driver = SerialDriver::System());
  IoResult Open(const Device& device, const LineSettings& settings) override;
  void Close() override;
  IoResult Apply(const LineSettings& settings) override;
  IoResult SetRts(bool on) override;
  IoResult SetDtr(bool on) override;
  IoResult Write(std::string_view bytes) override;
  IoResult Poll(int msecs) override;
  void TakeInput(std::vector<std::uint8_t>& into) override;

 private:
  void OnError(QSerialPort::SerialPortError error);
  IoResult ModemControl(bool ok);
  void ClearError();
  void Store(const LineSettings& settings);

  QSerialPort port_;
  LowLatency lowLatency_;
  // Errors of our own calls come back as their results; only the others are reported.
  int ownCalls_ = 0;
  bool vanished_ = false;
};

}  // namespace vyx::qt
