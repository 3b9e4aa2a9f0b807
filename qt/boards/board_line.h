// The boards on one line: one component per address over one port, updated one at a time.
// Each board keeps its own panel, its readings and the values a host set for it, so that
// going from one board to the next never re-selects an address in a component (which would
// show another board's records and write them back at its next update).
#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "control/status.h"
#include "control/update_end.h"

namespace vyx {
class Vyx;
namespace qt {
class PortMap;
}
}  // namespace vyx

namespace vyx::boards {

class BoardLine : public QObject {
  Q_OBJECT
 public:
  // The boards at `addresses` (0 to 3, each once) on CommN, as `map` leads it; the map must
  // outlive the line.
  BoardLine(const qt::PortMap& map, int comm, std::vector<int> addresses,
            QObject* parent = nullptr);
  ~BoardLine() override;

  int Comm() const { return comm_; }
  const std::vector<int>& Addresses() const { return addresses_; }
  // The device CommN leads to, for messages.
  std::string Device() const;

  // Opens the line and selects each board's port and address, as the operator would pick
  // them. Fails naming the device and the system's reason; may be called again after the
  // line went away.
  Status Open();
  bool IsOpen() const;

  // The component of the board at `address`; none for an address not on this line.
  Vyx* Board(int address);

  // Presses Update on the board at `address`; boardEnded follows, perhaps before this
  // returns. One update at a time on a line: start the next from boardEnded. False, and no
  // end, for an address not on this line.
  bool Update(int address);

 signals:
  // Once per Update, after the component's NewData when it succeeded. Emitted from within
  // the component: a slot may start the next update and should leave anything else to a
  // later turn of the event loop.
  void boardEnded(int address, const vyx::UpdateEnd& end);

 private:
  struct Member;
  Member* At(int address);

  const qt::PortMap& map_;
  const int comm_;
  const std::vector<int> addresses_;
  struct Shared;
  std::unique_ptr<Shared> shared_;
  std::vector<std::unique_ptr<Member>> boards_;
};

}  // namespace vyx::boards
