// The floor a host can reach on this machine: no component, no Qt, no Python. It writes the
// status request the moment the last byte of the previous reply is in and waits in poll for
// the 26 bytes, so what it loses to the wire limit is the board's and the system's alone.
//
//   bench_raw_host DEVICE N   prints updates=N succeeded=K seconds=S per_second=R and the
//                             CPU time per update: what the system alone costs a host
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cpu_time.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: bench_raw_host DEVICE N\n", stderr);
    return 2;
  }
  const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return 1;
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  ::cfsetspeed(&t, B38400);
  ::tcsetattr(fd, TCSANOW, &t);
  ::tcflush(fd, TCIOFLUSH);

  const long n = std::atol(argv[2]);
  long good = 0;
  const vyx::bench::Stopwatch w;
  for (long i = 0; i < n; ++i) {
    if (::write(fd, "Q02119", 6) != 6) return 1;
    unsigned char reply[26];
    std::size_t have = 0;
    while (have < sizeof reply) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 220) <= 0) break;
      const ssize_t got = ::read(fd, reply + have, sizeof reply - have);
      if (got <= 0) break;
      have += static_cast<std::size_t>(got);
    }
    unsigned sum = 0;
    for (std::size_t j = 0; j + 1 < sizeof reply; ++j) sum += reply[j];
    if (have == sizeof reply && sum % 256 == reply[25]) ++good;
  }
  const double s = w.Wall();
  const double cpu = w.Cpu();
  std::printf("updates=%ld succeeded=%ld seconds=%.4f per_second=%.2f cpu_us_per_update=%.2f\n", n,
              good, s, static_cast<double>(good) / s,
              good > 0 ? cpu * 1e6 / static_cast<double>(good) : 0.0);
  ::close(fd);
  return 0;
}
