// The status reply and its time-out: the serial notification collects and checks the
// 26-byte reply, the reply timer fails a try that gets no complete answer in time.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "control/vyx.h"
#include "panel/text_number.h"
#include "protocol/frames.h"

namespace vyx {
void Vyx::OnPortEvent(CommEvent event) {
  if (fields_.Caption(Field::LblComm) == "Offline") return;

  // A device that has gone away is not a failed try: there is nobody to try again.
  if (event == CommEvent::Vanished) {
    if (fields_.Caption(Field::LblStatus) == "Busy") {
      FailUpdate(UpdateFailure::DeviceGone, port_.LastError());
    }
    GoOffline("the device has gone away");
    return;
  }

  // Anything else, the receive notification or a port error alike, is judged by what
  // waits: exactly the reply's length and its checksum, or the try fails. Bytes that come
  // while no reply is awaited stay where they are until the next try empties the buffer.
  if (!m_.AwaitReply) return;
  const std::size_t count = static_cast<std::size_t>(protocol::kMap.BlockCount);
  int n = 0;
  std::vector<std::uint8_t>& b = reply_;
  b.clear();
  IoResult r = port_.InputCount(n);
  if (r == IoResult::Ok && n == static_cast<int>(count) + 1) r = port_.Read(b);
  // A verified sum is not enough: a window shifted by a stray byte passes it one time in 256.
  if (r != IoResult::Ok || !protocol::IsBlockReply(b, count) || !WindowBelongs(b)) {
    m_.TryFailure = r == IoResult::Ok ? UpdateFailure::CorruptReply : FailureOf(r);
    RetryUpdate();
    return;
  }

  // Only a verified reply reaches the image; a rejected one leaves the last one shown.
  std::copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(count),
            m_.RegImage[Board()].begin() + protocol::kMap.BlockStart);
  if (!m_.BoardOnline[Board()]) m_.EEReadDue[Board()] = true;
  m_.BoardOnline[Board()] = true;

  // The reply decides the update, whatever the decode's EEPROM reads meet. The host hears its
  // end after NewData, which runs from the event count's change once the panel shows it.
  ++holdEnds_;
  if (std::exchange(m_.UpdateRunning, false)) ends_.push_back({m_.UpdateAddress, {}, {}});
  EndUpdate();
  fields_.SetText(Field::TxtEvent, FormatFixed(NumericValue(fields_.Text(Field::TxtEvent)) + 1, 0));
  --holdEnds_;
  FlushEnds();
}

void Vyx::OnReplyTimer() {
  if (!m_.AwaitReply) return;
  // Elapsed time on the monotonic clock: the time of day wraps at midnight and would
  // keep an update sent just before it waiting for ever.
  const std::chrono::steady_clock::duration limit = std::chrono::milliseconds(kReplyTick);
  if (clock_.Now() - m_.SendMono < limit) return;
  int n = 0;
  if (const IoResult r = port_.InputCount(n); r != IoResult::Ok) {
    m_.TryFailure = FailureOf(r);
    RetryUpdate();
    return;
  }
  // A board that has begun to answer gets twice as long to finish.
  if (n == 0 || clock_.Now() - m_.SendMono > 2 * limit) {
    m_.TryFailure = n == 0 ? UpdateFailure::NoReply : UpdateFailure::CorruptReply;
    RetryUpdate();
  }
}

}  // namespace vyx
