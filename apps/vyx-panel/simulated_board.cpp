#include "simulated_board.h"

namespace vyx::panel {

std::unique_ptr<vyx::sim::Simulator> StartSimulatedBoard(QString& device, QString& error) {
  using vyx::sim::Waveform;
  vyx::sim::Options o;
  o.board.analog = {Waveform{Waveform::Kind::kSine, 2.5, 1.8, 8.0},
                    Waveform{Waveform::Kind::kRamp, 0.5, 4.5, 12.0},
                    Waveform{Waveform::Kind::kNoise, 1.5, 0.08, 1.0},
                    Waveform{Waveform::Kind::kSine, 3.6, 0.6, 3.0}, Waveform::Constant(4.2)};
  auto sim = std::make_unique<vyx::sim::Simulator>(std::move(o));
  const std::string path = sim->Start();
  if (path.empty()) {
    error = QString::fromStdString(sim->LastError());
    return nullptr;
  }
  device = QString::fromStdString(path);
  return sim;
}

}  // namespace vyx::panel
