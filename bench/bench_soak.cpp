// The long soak: 100,000 updates (or argv[1]) against the simulated board with one reply in
// twenty faulty, as tests/soak runs it for 10,000. Prints key=value figures; exits 1 when the
// component and the board disagree, an update hangs or the rig cannot start.
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "soak_rig.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  vyx::soak::SoakOptions o;
  o.updates = argc > 1 ? std::atol(argv[1]) : 100000;
  o.board.line_rate = argc > 2 && std::strcmp(argv[2], "--line-rate") == 0;
  o.board.seed = 7;
  o.board.faults.silence = 0.01;
  o.board.faults.bad_checksum = 0.01;
  o.board.faults.stray = 0.01;
  o.board.faults.truncate = 0.01;
  o.board.faults.late = 0.01;
  o.board.faults.delay_ms = 60;
  const vyx::soak::SoakResult r = vyx::soak::RunSoak(o);
  if (!r.error.empty()) {
    std::fprintf(stderr, "bench_soak: %s\n", r.error.c_str());
    return 1;
  }
  std::printf(
      "updates=%ld ended=%ld succeeded=%ld newdata=%ld clean_replies=%ld "
      "faulty_replies=%ld disagreements=%ld hung=%d seconds=%.1f rss_warm_kb=%ld "
      "rss_end_kb=%ld rss_peak_kb=%ld silence=%llu bad_checksum=%llu stray=%llu "
      "truncate=%llu late=%llu\n",
      o.updates, r.updates, r.succeeded, r.newData, r.cleanReplies, r.faultyReplies,
      r.disagreements, r.hung ? 1 : 0, r.seconds, r.rssWarmKb, r.rssEndKb, r.rssPeakKb,
      static_cast<unsigned long long>(r.board.silence),
      static_cast<unsigned long long>(r.board.bad_checksum),
      static_cast<unsigned long long>(r.board.stray),
      static_cast<unsigned long long>(r.board.truncate),
      static_cast<unsigned long long>(r.board.late));
  if (!r.firstDisagreement.empty()) std::fprintf(stderr, "%s\n", r.firstDisagreement.c_str());
  return r.disagreements == 0 && !r.hung && r.updates == o.updates && r.newData == r.cleanReplies
             ? 0
             : 1;
}
