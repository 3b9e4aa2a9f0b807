#include "vyx/sim/demo_board.h"

namespace vyx::sim {

Options DemoOptions() {
  Options o;
  o.line_rate = true;  // answer at 38400 baud, as the real board does
  o.board.analog = {Waveform{Waveform::Kind::kSine, 2.5, 1.8, 8.0},
                    Waveform{Waveform::Kind::kRamp, 0.5, 4.5, 12.0},
                    Waveform{Waveform::Kind::kNoise, 1.5, 0.08, 1.0},
                    Waveform{Waveform::Kind::kSine, 3.6, 0.6, 3.0}, Waveform::Constant(4.2)};
  return o;
}

std::unique_ptr<Simulator> StartDemoBoard(std::string& device, std::string& error) {
  auto sim = std::make_unique<Simulator>(DemoOptions());
  device = sim->Start();
  if (device.empty()) {
    error = sim->LastError();
    return nullptr;
  }
  return sim;
}

}  // namespace vyx::sim
