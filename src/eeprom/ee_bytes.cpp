// Byte access to the board's EEPROM through its three window registers: control (EEbase),
// address (EEbase + 1) and data (EEbase + 2).
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "control/vyx.h"
#include "protocol/frames.h"

namespace vyx {
namespace {

constexpr int kStartRead = 0x40;
constexpr int kStartWrite = 0x85;
// The data byte and the checksum the board appends to every "Q" reply.
constexpr int kReplyBytes = 2;
constexpr auto kReadLimit = std::chrono::microseconds(275000);
constexpr int kReadTries = 3;

}  // namespace

std::optional<int> Vyx::ReadEEByte(int address) {
  for (int attempt = 1;; ++attempt) {
    // The first byte waiting must be the data byte of this read's reply: without an empty
    // buffer a stale byte could pass for it, so a port that cannot empty it fails the read.
    if (port_.DiscardInput() != IoResult::Ok) return std::nullopt;

    // "p" frames get no answer, so only the "Q" reply lands in the buffer.
    const int ee = protocol::kMap.EEbase;
    if (SendCommand("p", m_.MicroIndex, 0, ee + 1, 0, address) != IoResult::Ok ||
        SendCommand("p", m_.MicroIndex, 0, ee, 0, kStartRead) != IoResult::Ok ||
        SendCommand("Q", m_.MicroIndex, 0, ee + 2, 0, 1) != IoResult::Ok) {
      return std::nullopt;
    }

    // One wait in the operating system, on the monotonic clock. Its result does not
    // matter: however it ends, the count taken after it decides, so a byte that comes in
    // as the limit passes still counts.
    (void)port_.WaitForInput(kReplyBytes, clock_.Now() + kReadLimit);

    // A board that does not answer is not asked again: that costs the full limit each time.
    int count = 0;
    if (port_.InputCount(count) != IoResult::Ok || count < kReplyBytes) return std::nullopt;
    // The reply is the data byte and its checksum, and nothing after them.
    const bool ended = LineStaysQuiet();
    std::vector<std::uint8_t> bytes;
    if (port_.Read(bytes) != IoResult::Ok) return std::nullopt;
    if (ended && protocol::IsBlockReply(bytes, 1)) return bytes.front();
    // A corrupt reply is never a value; a few more asks get past a noisy moment.
    if (attempt == kReadTries) return std::nullopt;
    SettleLine();
  }
}

void Vyx::WriteEEByte(int address, int data) {
  // Four identical address frames, not one: the board has always been written this way.
  for (int i = 0; i < 4; ++i)
    SendCommand("p", m_.MicroIndex, 0, protocol::kMap.EEbase + 1, 0, address);
  SendCommand("p", m_.MicroIndex, 0, protocol::kMap.EEbase + 2, 0, data);
  SendCommand("p", m_.MicroIndex, 0, protocol::kMap.EEbase, 0, kStartWrite);
}

}  // namespace vyx
