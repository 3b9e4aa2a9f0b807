// Ten thousand updates against a board that fails one reply in twenty in every way a line
// can: silence, a wrong checksum, a stray byte, a cut-off reply, a late one. Every update must
// end, and NewData must come exactly for the updates the board answered correctly, with the
// readings of that very answer.
#include <gtest/gtest.h>

#include <iostream>

#include "soak_rig.h"

namespace vyx::soak {
namespace {

sim::FaultSettings MixedFaults() {
  sim::FaultSettings f;
  f.silence = 0.01;
  f.bad_checksum = 0.01;
  f.stray = 0.01;
  f.truncate = 0.01;
  f.late = 0.01;
  // Late, but inside the try's 0.11 s: the reply still counts.
  f.delay_ms = 60;
  return f;
}

TEST(Soak, NewDataComesExactlyForTheCorrectAnswers) {
  SoakOptions o;
  o.updates = 10000;
  o.board.seed = 20240611;
  o.board.faults = MixedFaults();
  const SoakResult r = RunSoak(o);
  ASSERT_TRUE(r.error.empty()) << r.error;

  EXPECT_FALSE(r.hung) << "update " << r.updates + 1 << " never ended";
  EXPECT_EQ(r.updates, o.updates);
  EXPECT_EQ(r.disagreements, 0) << r.firstDisagreement;
  EXPECT_EQ(r.newData, r.succeeded);
  EXPECT_EQ(r.newData, r.cleanReplies);
  // Every kind of fault happened, or the run proved less than it claims.
  EXPECT_GT(r.board.silence, 0u);
  EXPECT_GT(r.board.bad_checksum, 0u);
  EXPECT_GT(r.board.stray, 0u);
  EXPECT_GT(r.board.truncate, 0u);
  EXPECT_GT(r.board.late, 0u);

  std::cout << r.updates << " updates in " << r.seconds << " s: " << r.succeeded
            << " with NewData, " << r.cleanReplies << " clean and " << r.faultyReplies
            << " faulty status replies; VmRSS " << r.rssWarmKb << " kB after " << o.warmUp
            << " updates, " << r.rssEndKb << " kB at the end\n";
}

}  // namespace
}  // namespace vyx::soak
