#include "far_end.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>

namespace vyx::test {

void Turn(milliseconds time) {
  QEventLoop loop;
  QTimer::singleShot(time, &loop, &QEventLoop::quit);
  loop.exec();
}

bool TurnUntil(const std::function<bool()>& done, milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Turn(milliseconds(2));
  }
  return true;
}

FarEnd::FarEnd(bool tcp) {
  if (!tcp) {
    char name[256] = {};
    EXPECT_EQ(openpty(&fd_, &other_, name, nullptr, nullptr), 0);
    device_ = name;
    return;
  }
  other_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof addr;
  EXPECT_EQ(::bind(other_, reinterpret_cast<sockaddr*>(&addr), size), 0);
  EXPECT_EQ(::listen(other_, 1), 0);
  ::getsockname(other_, reinterpret_cast<sockaddr*>(&addr), &size);
  device_ = "tcp://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
}

FarEnd::~FarEnd() { Drop(); }

void FarEnd::Accept() {
  pollfd p{other_, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 2000), 1) << "the port never connected";
  fd_ = ::accept4(other_, nullptr, nullptr, SOCK_CLOEXEC);
}

void FarEnd::Drop() {
  for (int* fd : {&fd_, &other_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

}  // namespace vyx::test
