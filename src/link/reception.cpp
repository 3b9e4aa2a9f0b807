// The status reply and its time-out: the serial notification collects and checks the
// 26-byte reply, the reply timer fails a try that gets no complete answer in time.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "control/vyx.h"
#include "panel/text_number.h"
#include "protocol/frames.h"

namespace vyx {
void Vyx::MSComm1_OnComm(CommEvent event) {
  if (fields_.Caption(Field::LblComm) == "Offline") return;

  // A device that has gone away is not a failed try: there is nobody to try again.
  if (event == CommEvent::Vanished) {
    if (fields_.Caption(Field::LblStatus) == "Busy") EndUpdate();
    GoOffline();
    return;
  }

  // Anything else, the receive notification or a port error alike, is judged by what
  // waits: exactly the reply's length and its checksum, or the try fails. Bytes that come
  // while no reply is awaited stay where they are until the next try empties the buffer.
  if (!m_.AwaitReply) return;
  const std::size_t count = static_cast<std::size_t>(m_.BlockCount);
  int n = 0;
  std::vector<std::uint8_t> b;
  if (MSComm1.InputCount(n) != IoResult::Ok || n != static_cast<int>(count) + 1 ||
      MSComm1.Read(b) != IoResult::Ok || !protocol::IsBlockReply(b, count)) {
    RetryUpdate();
    return;
  }
  // A verified sum is not enough: a window shifted by a stray byte passes it one time in 256.
  if (!WindowBelongs(b)) {
    RetryUpdate();
    return;
  }

  // Only a verified reply reaches the image; a rejected one leaves the last one shown.
  auto& image = m_.RegImage[Board()];
  for (std::size_t i = 0; i < count; ++i) {
    image[static_cast<std::size_t>(m_.BlockStart) + i] = static_cast<float>(b[i]);
  }
  m_.ImageValid[Board()] = true;

  if (!m_.BoardOnline[Board()]) m_.EEReadDue[Board()] = true;
  m_.BoardOnline[Board()] = true;
  EndUpdate();
  // The host's NewData runs from this change, after the panel shows the new readings.
  fields_.SetText(Field::TxtEvent, FormatFixed(NumericValue(fields_.Text(Field::TxtEvent)) + 1, 0));
}

void Vyx::Timer1_Timer() {
  if (!m_.AwaitReply) return;
  // Elapsed time on the monotonic clock: the time of day wraps at midnight and would
  // keep an update sent just before it waiting for ever.
  const std::chrono::steady_clock::duration limit = std::chrono::milliseconds(m_.ReplyTick);
  if (clock_.Now() - m_.SendMono < limit) return;
  int n = 0;
  if (MSComm1.InputCount(n) != IoResult::Ok) {
    RetryUpdate();
    return;
  }
  // A board that has begun to answer gets twice as long to finish.
  if (n == 0 || clock_.Now() - m_.SendMono > 2 * limit) RetryUpdate();
}

}  // namespace vyx
