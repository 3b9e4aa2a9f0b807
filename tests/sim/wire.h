#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vyx/sim/line.h"

namespace vyx::sim::test {

using Bytes = std::vector<std::uint8_t>;

// The host's end of a real line: a pseudo-terminal slave opened raw, or a loopback socket.
class Wire {
 public:
  static Wire OpenDevice(const std::string& path);
  static Wire ConnectTcp(std::uint16_t port);
  Wire(Wire&& other) noexcept;
  ~Wire();

  bool Ok() const { return fd_ >= 0; }
  void Close();
  void Send(std::string_view text) const;
  // Waits in poll() until `count` bytes have come or `limit` has passed.
  Bytes Receive(std::size_t count, std::chrono::milliseconds limit) const;
  // True when the far end has gone: a hang-up or an error on the descriptor.
  bool HungUp(std::chrono::milliseconds limit) const;

 private:
  explicit Wire(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Everything the line answers to `text`, replies concatenated.
Bytes Answer(Line& line, std::string_view text, Nanos now = Nanos(0));

// The block reply the firmware owes for these data bytes: the bytes and their sum mod 256.
bool ChecksumHolds(const Bytes& reply);

}  // namespace vyx::sim::test
