#include "wire.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace vyx::test {

Wire::Wire(const std::string& device) {
  fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios tio{};
  EXPECT_EQ(::tcgetattr(fd_, &tio), 0) << device;
  ::cfmakeraw(&tio);
  ::cfsetspeed(&tio, B38400);
  ::tcsetattr(fd_, TCSANOW, &tio);
}

Wire::~Wire() {
  if (fd_ >= 0) ::close(fd_);
}

void Wire::Send(std::string_view bytes) const {
  EXPECT_EQ(::write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()))
      << std::strerror(errno);
}

std::string Wire::Receive(std::size_t n, milliseconds limit) const {
  const auto end = std::chrono::steady_clock::now() + limit;
  std::string out;
  while (out.size() < n) {
    // Once the limit has passed, what is already there is still taken.
    const auto left =
        std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, int(std::max<long>(left.count(), 0))) <= 0) break;
    char buffer[256];
    const ssize_t got = ::read(fd_, buffer, std::min(sizeof buffer, n - out.size()));
    if (got <= 0) break;
    out.append(buffer, std::size_t(got));
  }
  return out;
}

std::string Hex(std::string_view bytes) {
  const char* digits = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15]};
  return out;
}

bool ChecksumHolds(std::string_view reply) {
  unsigned sum = 0;
  for (const unsigned char b : reply.substr(0, reply.size() - 1)) sum += b;
  return !reply.empty() && sum % 256 == static_cast<unsigned char>(reply.back());
}

}  // namespace vyx::test
