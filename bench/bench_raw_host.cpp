// The floor a host can reach on this machine: no component, no Qt, no Python. It writes the
// status request the moment the last byte of the previous reply is in and waits in poll for
// the 26 bytes, so what it loses to the wire limit is the board's and the system's alone.
//
//   bench_raw_host DEVICE N   prints updates=N succeeded=K seconds=S per_second=R and the
//                             CPU time per update: what the system alone costs a host
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cpu_time.h"
#include "raw_line.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: bench_raw_host DEVICE N\n", stderr);
    return 2;
  }
  using namespace vyx::bench;
  const int fd = OpenRawLine(argv[1]);
  if (fd < 0) return 1;

  const long n = std::atol(argv[2]);
  long good = 0;
  const Stopwatch w;
  for (long i = 0; i < n; ++i) {
    if (::write(fd, kStatusRequest, kRequestSize) != kRequestSize) return 1;
    unsigned char reply[kReplySize];
    std::size_t have = 0;
    while (have < sizeof reply) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 220) <= 0) break;
      const ssize_t got = ::read(fd, reply + have, sizeof reply - have);
      if (got <= 0) break;
      have += static_cast<std::size_t>(got);
    }
    if (have == sizeof reply && ReplySumHolds(reply)) ++good;
  }
  PrintFloorFigures(n, good, w);
  ::close(fd);
  return 0;
}
