// Low-latency mode of a serial driver. Most USB serial adapters hold received bytes for up to
// 16 ms (the FTDI latency timer) unless the port asks for low latency, which would cost a
// request and its 8 ms reply two thirds of their rate. A line asks for it on opening, where
// the driver has the setting, and puts the setting back on closing.
#pragma once

#include <linux/serial.h>

namespace vyx::qt {

// The driver's serial settings (TIOCGSERIAL, TIOCSSERIAL): the seam tests replace.
class SerialDriver {
 public:
  virtual ~SerialDriver() = default;
  virtual bool Get(int fd, serial_struct& settings) = 0;
  virtual bool Set(int fd, const serial_struct& settings) = 0;
  static SerialDriver& System();  // the ioctls themselves; holds no state
};

class LowLatency {
 public:
  explicit LowLatency(SerialDriver& driver = SerialDriver::System()) : driver_(driver) {}
  LowLatency(const LowLatency&) = delete;
  LowLatency& operator=(const LowLatency&) = delete;

  // Asks for low latency on fd. False, with nothing changed, where the driver has no such
  // setting (pseudo-terminals, sockets) or refuses it; true when it was set, or already on.
  bool Engage(int fd);
  // Puts back what Engage changed, and nothing else.
  void Release();

 private:
  SerialDriver& driver_;
  int fd_ = -1;  // the device whose setting Engage changed
  serial_struct saved_{};
};

}  // namespace vyx::qt
