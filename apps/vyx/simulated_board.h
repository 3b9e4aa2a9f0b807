// The board that --simulate starts inside the process: live waveforms, so that a monitor
// shows readings that move.
#pragma once

#include <memory>
#include <string>

#include "vyx/sim/simulator.h"

std::unique_ptr<vyx::sim::Simulator> StartSimulatedBoard(std::string& deviceOrError);
