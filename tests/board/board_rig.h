// A component on the Qt platform wired to a simulated board on a pseudo-terminal.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "control/vyx.h"
#include "platform/qt_platform.h"
#include "vyx/sim/simulator.h"

namespace vyx::test {

class CountingHost : public Host {
 public:
  void PropertyChanged(std::string_view) override {}
  void NewData() override {
    ++newData;
    if (onNewData) onNewData();
  }
  int newData = 0;
  std::function<void()> onNewData;
};

struct BoardRig {
  explicit BoardRig(sim::Options options);

  // Maps Comm1 to the board's device and selects it through the component's port property.
  void Connect();
  // Presses Update and runs the event loop until the update has ended; false on a hang.
  bool Update(std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
  void Set(std::string_view property, PropValue value);
  const std::string& Text(Field f) const { return vyx.Fields().Text(f); }
  // The status requests the board received (block reads of 0x21), with their times.
  std::vector<double> StatusRequestTimes() const;

  std::unique_ptr<sim::Simulator> board;
  qt::Platform platform{qt::PortMap()};
  CountingHost host;
  Vyx vyx{platform.port(), platform.timer(), platform.clock(), &host};
};

}  // namespace vyx::test
