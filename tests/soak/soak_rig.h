// A component on the Qt platform driving a simulated board in this process, update after
// update, each started as soon as the one before has ended. After every update the board's
// frame log is read back, so that what the component made of the conversation can be set
// against what the board actually sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "vyx/sim/simulator.h"

namespace vyx::soak {

struct SoakOptions {
  long updates = 10000;
  sim::Options board;
  // An update that has not ended after this long has hung.
  std::chrono::milliseconds updateLimit{5000};
  // Memory is sampled after this many updates and again at the end.
  long warmUp = 1000;
};

struct SoakResult {
  std::string error;  // the rig could not start
  long updates = 0;   // updates that ended
  long succeeded = 0;
  long newData = 0;
  long cleanReplies = 0;   // status replies the board sent without a fault
  long faultyReplies = 0;  // status replies with a fault, silence included
  // Updates whose outcome does not match what the board sent: NewData without exactly one
  // clean reply, a clean reply without NewData, or readings that are not the reply's bytes.
  long disagreements = 0;
  std::string firstDisagreement;
  bool hung = false;
  double seconds = 0;
  long rssWarmKb = 0;  // after warmUp updates
  long rssEndKb = 0;
  long rssPeakKb = 0;
  sim::Counters board;
};

// Needs a QCoreApplication on this thread; runs its event loop until the last update ends.
SoakResult RunSoak(const SoakOptions& options);

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); 0 when it cannot be read.
long ProcStatusKb(const char* field);

}  // namespace vyx::soak
