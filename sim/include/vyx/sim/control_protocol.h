#pragma once

#include <string>
#include <string_view>

#include "vyx/sim/simulator.h"

namespace vyx::sim {

// The control line protocol of the board simulator: one command a line, one answer line each,
// "ok ..." or "error: ...". Sets *quit for "quit".
std::string RunControlCommand(Simulator& sim, std::string_view line, bool* quit);

// The command summary, as --help prints it.
extern const char* const kControlHelp;

}  // namespace vyx::sim
