// Writing one frame to the port. A failed write ends the update and is not reported
// further: the caller carries on, and each further failing write ends it again.
#include "control/vyx.h"
#include "protocol/frames.h"

namespace vyx {

void Vyx::SendCommand(std::string_view letter, int address, int spare, int reg, int value1,
                      int value2) {
  const std::string frame = protocol::BuildFrame(letter, address, spare, reg, value1, value2);
  // An empty frame (a letter without a layout) is not written; no caller builds one.
  if (frame.empty()) return;
  if (MSComm1.Write(frame) != IoResult::Ok) {
    EndUpdate();
    return;
  }
  m_.SendTime = clock_.SecondsSinceMidnight();
  m_.SendMono = clock_.Now();
}

}  // namespace vyx
