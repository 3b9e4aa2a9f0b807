#include "wire.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <numeric>
#include <utility>

namespace vyx::sim::test {

Wire Wire::OpenDevice(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B38400);
    ::tcsetattr(fd, TCSANOW, &tio);
  }
  return Wire(fd);
}

Wire Wire::ConnectTcp(std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    fd = -1;
  }
  return Wire(fd);
}

Wire::Wire(Wire&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
Wire::~Wire() { Close(); }

void Wire::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void Wire::Send(std::string_view text) const { (void)!::write(fd_, text.data(), text.size()); }

Bytes Wire::Receive(std::size_t count, std::chrono::milliseconds limit) const {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + limit;
  Bytes out;
  while (out.size() < count) {
    // Once the limit has passed, what is already there is still taken.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) break;
    std::uint8_t buffer[256];
    const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - out.size()));
    if (n <= 0) break;
    out.insert(out.end(), buffer, buffer + n);
  }
  return out;
}

bool Wire::HungUp(std::chrono::milliseconds limit) const {
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0) return false;
  if (p.revents & (POLLHUP | POLLERR)) return true;
  std::uint8_t byte;
  return ::read(fd_, &byte, 1) <= 0;
}

Bytes Answer(Line& line, std::string_view text, Nanos now) {
  Bytes out;
  const Bytes in(text.begin(), text.end());
  for (const Reply& reply : line.Feed(in, now)) {
    out.insert(out.end(), reply.bytes.begin(), reply.bytes.end());
  }
  return out;
}

bool ChecksumHolds(const Bytes& reply) {
  if (reply.empty()) return false;
  const unsigned sum = std::accumulate(reply.begin(), reply.end() - 1, 0u);
  return (sum & 0xFF) == reply.back();
}

}  // namespace vyx::sim::test
