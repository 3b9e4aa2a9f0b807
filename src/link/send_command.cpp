// Writing one frame to the port. A failed write ends the update; the caller hears the
// result and stops.
#include "control/vyx.h"
#include "protocol/frames.h"

namespace vyx {

IoResult Vyx::SendCommand(std::string_view letter, int address, int spare, int reg, int value1,
                          int value2) {
  const std::string frame = protocol::BuildFrame(letter, address, spare, reg, value1, value2);
  // A letter without a layout builds no frame; no caller asks for one.
  if (frame.empty()) return IoResult::BadArgument;
  const IoResult r = port_.Write(frame);
  if (r != IoResult::Ok) {
    FailUpdate(FailureOf(r), port_.LastError());
    return r;
  }
  m_.SendTime = clock_.SecondsSinceMidnight();
  m_.SendMono = clock_.Now();
  return IoResult::Ok;
}

}  // namespace vyx
