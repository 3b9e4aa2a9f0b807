// One end of a real line as the tests hold it: bytes out, and bytes in within a time limit.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vyx::test {

using std::chrono::milliseconds;

class Wire {
 public:
  Wire() = default;
  // The host's end: a device opened raw at 38400 baud.
  explicit Wire(const std::string& device);
  Wire(const Wire&) = delete;
  ~Wire();

  int Fd() const { return fd_; }
  void Send(std::string_view bytes) const;
  // Waits in poll() until `n` bytes have come, the far end has gone or `limit` has passed.
  std::string Receive(std::size_t n, milliseconds limit = milliseconds(2000)) const;

 protected:
  int fd_ = -1;
};

// Bytes as upper-case hex, two digits each.
std::string Hex(std::string_view bytes);
// A block reply ends in the sum of its bytes, modulo 256.
bool ChecksumHolds(std::string_view reply);

}  // namespace vyx::test
