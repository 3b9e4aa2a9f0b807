// Ten thousand updates against a board that fails one reply in twenty in every way a line
// can: each must end, and only those the board answered cleanly may bring NewData.
#include <gtest/gtest.h>

#include "board_rig.h"

namespace vyx::test {
namespace {

TEST(Soak, NewDataComesExactlyForTheCorrectAnswers) {
  sim::FaultSettings f;
  // Late, but well inside the try's 0.11 s, so that a loaded machine does not make it too late:
  // the reply still counts.
  f.delay_ms = 30;
  f.silence = f.bad_checksum = f.stray = f.truncate = f.late = 0.01;
  ExpectOnlyTheLastAnswerShown({"Soak", false, f, 1, 10000});
}

}  // namespace
}  // namespace vyx::test
