#pragma once

#include <string>
#include <vector>

#include "vyx/sim/simulator.h"

namespace vyx::board_sim {

struct CommandLine {
  sim::Options options;
  bool help = false;
  bool version = false;
  std::string error;  // set when the arguments cannot be used
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string Usage();

}  // namespace vyx::board_sim
