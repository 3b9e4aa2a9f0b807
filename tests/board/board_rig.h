// A component on the Qt platform wired to a simulated board on a pseudo-terminal (or TCP),
// and what the board heard and answered, to set against what the host was told.
#pragma once

#include <QEventLoop>
#include <functional>

#include "control/vyx.h"
#include "far_end.h"
#include "platform/qt_platform.h"
#include "vyx/sim/simulator.h"

namespace vyx::test {

// A frame the board heard, and its reply: `clean` when it went out whole, on time or late.
struct Exchange {
  std::string frame, reply;
  bool clean;
};

struct BoardRig : Host {
  // What Comm1 maps to, given the board's device: a server in between, say.
  using Route = std::function<std::string(const std::string& device)>;
  // Starts the board and selects it on Comm1, through `route` when given.
  explicit BoardRig(sim::Options options, const Route& route = {});

  void PropertyChanged(std::string_view) override {}
  void NewData() override { ++newData; }
  void UpdateEnded(const UpdateEnd& end) override;
  // Presses Update and runs the event loop until the update has ended; false on a hang.
  bool Update(milliseconds limit = milliseconds(5000));
  std::string Get(std::string_view property) const;
  void Set(std::string_view property, PropValue value);
  std::vector<Exchange> TakeExchanges();  // what the board heard since the last call
  std::string lastLog;                    // the same, as the board logged it

  sim::Simulator board;
  qt::Platform platform{qt::PortMap()};
  Vyx vyx{platform.port(), platform.timer(), platform.clock(), this};
  int newData = 0;
  std::vector<UpdateEnd> ends;
  QEventLoop* waiting = nullptr;  // the loop Update runs, until the end comes
};

// Updates back to back with faults on the line. Each must show the readings of the answer
// to its own last request, and no clean reply may be thrown away: a fault costs at most
// `triesPerFault` tries, and unpaced, NewData comes exactly when one clean reply came.
struct FaultRun {
  const char* name;
  bool paced;
  sim::FaultSettings faults;
  long triesPerFault;
  long updates = 80;
};
void ExpectOnlyTheLastAnswerShown(const FaultRun& run);

}  // namespace vyx::test
