// What the two floor hosts share: the device opened raw at 38400 8N1, the status request, the
// check of its reply and the figures line.
#pragma once

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>

#include "cpu_time.h"

namespace vyx::bench {

constexpr char kStatusRequest[] = "Q02119";
constexpr ssize_t kRequestSize = sizeof kStatusRequest - 1;  // as write() counts
constexpr std::size_t kReplySize = 26;

// The device, for reading and writing without blocking, raw at 38400 8N1 and emptied; -1
// when it does not open.
inline int OpenRawLine(const char* path) {
  const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  ::cfsetspeed(&t, B38400);
  ::tcsetattr(fd, TCSANOW, &t);
  ::tcflush(fd, TCIOFLUSH);
  return fd;
}

// Whether a whole reply's last byte is the sum of the others.
inline bool ReplySumHolds(const unsigned char (&reply)[kReplySize]) {
  unsigned sum = 0;
  for (std::size_t j = 0; j + 1 < kReplySize; ++j) sum += reply[j];
  return sum % 256 == reply[kReplySize - 1];
}

// The figures of `n` updates, `good` of them answered, since `w` started: one line for
// run_all.py.
inline void PrintFloorFigures(long n, long good, const Stopwatch& w) {
  const double s = w.Wall();
  const double cpu = w.Cpu();
  std::printf("updates=%ld succeeded=%ld seconds=%.4f per_second=%.2f cpu_us_per_update=%.2f\n", n,
              good, s, static_cast<double>(good) / s,
              good > 0 ? cpu * 1e6 / static_cast<double>(good) : 0.0);
}

}  // namespace vyx::bench
