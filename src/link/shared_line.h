// Several components on one serial line, one per board address. Boards on a line answer only
// their own address, so the components take turns: each update is one conversation, and the
// component that last wrote to the line or asked about its input holds it. What comes in is
// told to that component; a port error or a vanished device is told to every one that has the
// line open. The line opens with the first component and closes with the last.
#pragma once

#include <memory>
#include <vector>

#include "link/platform.h"

namespace vyx {

class SharedLine {
 public:
  // The line's own port; it must outlive this object.
  explicit SharedLine(SerialPort& line);
  ~SharedLine();
  SharedLine(const SharedLine&) = delete;
  SharedLine& operator=(const SharedLine&) = delete;

  // A port for one more component; it lives as long as this object.
  SerialPort& AddPort();

 private:
  class Tap;
  void Claim(Tap* tap);
  bool AnyOpen() const;
  void OnLineEvent(CommEvent event);

  SerialPort& line_;
  std::vector<std::unique_ptr<Tap>> taps_;
  Tap* holder_ = nullptr;
};

}  // namespace vyx
