// The board that --simulate starts inside the process, with inputs that move, so that the
// chart has something to show without hardware.
#pragma once

#include <QString>
#include <memory>

#include "vyx/sim/simulator.h"

namespace vyx::panel {

// The running board and its device path, or null with the reason in error.
std::unique_ptr<vyx::sim::Simulator> StartSimulatedBoard(QString& device, QString& error);

}  // namespace vyx::panel
