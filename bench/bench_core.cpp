// libvyx alone on its test doubles: N successful updates (request, 26-byte reply, decode,
// NewData). Under callgrind (--collect-atstart=no) only the updates are counted; run plainly
// it prints the wall time per update.
//
//   valgrind --tool=callgrind --collect-atstart=no bench_core 2000
#include <valgrind/callgrind.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "rig.h"

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::atol(argv[1]) : 2000;
  vyx::test::Rig r;
  r.Connect();
  // A board that answered before: no first-answer EEPROM reads inside the loop.
  r.BringOnline({10});
  std::vector<std::vector<std::uint8_t>> replies;
  for (int i = 0; i < 64; ++i) {
    // Readings that change from reply to reply; the firmware version, as on a board, does not.
    std::vector<std::uint8_t> regs(25);
    for (std::size_t j = 0; j < regs.size(); ++j) regs[j] = static_cast<std::uint8_t>(i * 7 + j);
    regs[0] = 10;
    replies.push_back(vyx::test::StatusReply(regs));
  }

  const auto start = std::chrono::steady_clock::now();
  CALLGRIND_TOGGLE_COLLECT;
  for (long i = 0; i < n; ++i) {
    r.Update();
    r.port.Deliver(replies[static_cast<std::size_t>(i) % replies.size()]);
    r.clock.Advance(0.01);
  }
  CALLGRIND_TOGGLE_COLLECT;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (r.host.newData != n) {
    std::fprintf(stderr, "bench_core: %d NewData for %ld updates\n", r.host.newData, n);
    return 1;
  }
  std::printf("updates=%ld ns_per_update=%.1f\n", n, seconds * 1e9 / static_cast<double>(n));
  return 0;
}
