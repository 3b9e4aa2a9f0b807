#include "simulated_board.h"

std::unique_ptr<vyx::sim::Simulator> StartSimulatedBoard(std::string& deviceOrError) {
  using vyx::sim::Waveform;
  vyx::sim::Options o;
  o.line_rate = true;  // answer at 38400 baud, as the real board does
  o.board.analog = {Waveform::Parse("sine:2.5,2,10").value_or(Waveform::Constant(2.5)),
                    Waveform::Parse("ramp:0,5,20").value_or(Waveform::Constant(1.0)),
                    Waveform::Parse("noise:1.5,0.05").value_or(Waveform::Constant(1.5)),
                    Waveform::Constant(3.0), Waveform::Constant(4.0)};
  auto sim = std::make_unique<vyx::sim::Simulator>(std::move(o));
  deviceOrError = sim->Start();
  if (deviceOrError.empty()) {
    deviceOrError = sim->LastError();
    return nullptr;
  }
  return sim;
}
