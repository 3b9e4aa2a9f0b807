// Which boards answer on a line: each address 0 to 3 in turn, one update each, with the
// firmware revision, identifier and calibration of those that answer.
#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "control/status.h"
#include "control/update_end.h"

namespace vyx::qt {
class PortMap;
}

namespace vyx::boards {

class BoardLine;

struct BoardFound {
  int address = 0;
  bool answered = false;
  std::string failure;      // why not, when it did not answer
  std::string firmware;     // as FWver shows it: "2.3"
  std::string identifier;   // IDstring as read from its EEPROM
  std::string calibration;  // Vrefvolt as read from its EEPROM
};

class LineScan : public QObject {
  Q_OBJECT
 public:
  static constexpr int kAddresses = 4;

  // Scans CommN as `map` leads it; the map must outlive the scan.
  LineScan(const qt::PortMap& map, int comm, QObject* parent = nullptr);
  ~LineScan() override;

  int Comm() const { return comm_; }
  // Opens the line and asks each address in turn; finished follows, from the event loop.
  void Start();

 signals:
  // `opened` fails, naming the device, when the line could not be opened; then `boards` is
  // empty. Otherwise one entry per address, 0 first.
  void finished(const vyx::Status& opened, const std::vector<vyx::boards::BoardFound>& boards);

 private:
  void OnEnded(int address, const UpdateEnd& end);
  void Finish(const Status& opened);

  const int comm_;
  std::unique_ptr<BoardLine> line_;
  std::vector<BoardFound> found_;
};

}  // namespace vyx::boards
