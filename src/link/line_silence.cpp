// Where one reply ends and the next begins. The board's replies carry no terminator and a
// one-byte sum, which cannot tell a window shifted by a stray byte from a true one; the
// silence that follows a reply on the wire can, as with Modbus RTU frames.
#include <chrono>
#include <cstdint>
#include <vector>

#include "control/vyx.h"

namespace vyx {
namespace {

// 38400 baud, 8N1: ten bit times a byte. A gap of two bytes ends a reply.
constexpr auto kByteTime = std::chrono::microseconds(1'000'000 * 10 / 38400);
constexpr auto kQuiet = 2 * kByteTime;
// The leftovers of a failed try are over only once the line has been quiet for longer than
// any gap inside a reply: an adapter hands a reply over in pieces a millisecond or two apart,
// and a board, or the host, can stall for a moment. A try sent into the rest of a reply
// fails too, and the third such try fails the update.
constexpr auto kSettleQuiet = std::chrono::milliseconds(4);
// However long a failed try's leftovers keep coming, the next try goes out after this: a
// line full of noise must not hold the update up for ever.
constexpr auto kSettleLimit = std::chrono::milliseconds(30);
// After a fault, this many replies are taken only once the line has stayed quiet past them.
constexpr int kSuspectReplies = 32;

}  // namespace

bool Vyx::LineStaysQuiet() { return LineQuietFor(kQuiet); }

bool Vyx::LineQuietFor(std::chrono::microseconds span) {
  // A port that cannot count has nothing more to tell: quiet, so that nothing waits on it.
  int before = 0;
  if (port_.InputCount(before) != IoResult::Ok) return true;
  // The wait's own result does not matter: the count after it decides.
  (void)port_.WaitForInput(before + 1, clock_.Now() + span);
  int after = 0;
  return port_.InputCount(after) != IoResult::Ok || after == before;
}

void Vyx::SettleLine() {
  m_.SuspectReplies = kSuspectReplies;
  const auto limit = clock_.Now() + kSettleLimit;
  while (clock_.Now() < limit && !LineQuietFor(kSettleQuiet)) {
  }
  // The next try's arming empties the buffer; a closed port has nothing to settle.
}

bool Vyx::WindowBelongs(const std::vector<std::uint8_t>& reply) {
  const auto reg = [&](int address) -> int {
    return reply[static_cast<std::size_t>(address - protocol::kMap.BlockStart)];
  };
  const int version = reg(protocol::kMap.RegFW);
  const bool known = m_.BoardOnline[Board()];
  const int shown = m_.RegImage[Board()][static_cast<std::size_t>(protocol::kMap.RegFW)];
  if (known && version != shown) {
    // A board's firmware version does not change between its replies: a window showing
    // another one is a shifted window far more often than a new board, and silence after it
    // proves little on a line that delivers in bursts. A new board shows it twice running.
    const bool twice = version == m_.NewFirmware;
    m_.NewFirmware = version;
    if (!twice) return false;
  }
  // A window shifted by one or two stray bytes that still shows the version in front holds
  // the true reply's first byte, the version again, where the reset or port register sits:
  // on a clean line too, it is taken only once the line stays quiet after it. A board whose
  // reset or port register reads as its version pays that wait; it loses no reply.
  const bool echoes =
      reg(protocol::kMap.RegRST) == version || reg(protocol::kMap.RegPort) == version;
  // A clean line pays nothing; after a fault, or from a board not yet known, only a window
  // that the line stays quiet after is the whole reply.
  if (m_.SuspectReplies > 0 || !known || echoes) {
    if (!LineStaysQuiet()) return false;
  }
  m_.NewFirmware = -1;
  if (m_.SuspectReplies > 0) --m_.SuspectReplies;
  return true;
}

}  // namespace vyx
