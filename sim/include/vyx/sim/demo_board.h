// The board the hosts' --simulate starts inside the process: paced like a real line, with
// analog inputs that move, so that a monitor or a chart shows live readings at once.
#pragma once

#include <memory>
#include <string>

#include "vyx/sim/simulator.h"

namespace vyx::sim {

Options DemoOptions();

// The running board and its device path, or null with the reason in error.
std::unique_ptr<Simulator> StartDemoBoard(std::string& device, std::string& error);

}  // namespace vyx::sim
