// What the Qt tests share: turning the event loop, through which the port and the timer
// deliver, and the far end of a line played by the test.
#pragma once

#include <functional>

#include "wire.h"

namespace vyx::test {

// Runs the event loop for about the given time.
void Turn(milliseconds time);
// Runs the event loop until the condition holds or the limit passes; returns the condition.
bool TurnUntil(const std::function<bool()>& done, milliseconds limit = milliseconds(2000));

// The master of a pseudo-terminal pair, or a listening socket on 127.0.0.1 and, once the
// port has connected, its connection.
class FarEnd : public Wire {
 public:
  explicit FarEnd(bool tcp = false);
  ~FarEnd();

  const std::string& Device() const { return device_; }  // what a position maps to
  void Accept();                                         // TCP: takes the port's connection
  void Drop();                                           // the device goes away

 private:
  int other_ = -1;  // the slave, held until the port opens it; or the listening socket
  std::string device_;
};

}  // namespace vyx::test
