// One served line: its boards polled in turn, a round every interval, and the line opened
// again with back-off when its device went away, without holding up the other lines.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstddef>
#include <string>
#include <vector>

#include "board_line.h"
#include "control/update_end.h"

namespace vyx::console {

class BridgeLine : public QObject {
  Q_OBJECT
 public:
  // Opening again waits kFirstRetryMs, doubling to kLastRetryMs.
  static constexpr int kFirstRetryMs = 1000;
  static constexpr int kLastRetryMs = 30000;

  BridgeLine(const qt::PortMap& map, int comm, std::vector<int> addresses, int intervalMs,
             QObject* parent = nullptr);

  boards::BoardLine& Boards() { return line_; }
  int Comm() const { return line_.Comm(); }

  // Opens the line and starts polling; a line that does not open is tried again later.
  void Start();
  // No update starts after this; one in progress ends unheard.
  void Stop();

 signals:
  // Each board's end. Emitted from within its component, before the next update starts.
  void boardEnded(int address, const vyx::UpdateEnd& end);
  // The line did not open or went away: every board on it is offline for `reason`.
  void lineDown(const QString& reason);

 private:
  void Open();
  void Next();
  void OnEnded(int address, const UpdateEnd& end);
  void Down(const std::string& reason);

  boards::BoardLine line_;
  const int intervalMs_;
  QTimer round_;  // the next round
  QTimer retry_;  // the next opening
  QElapsedTimer roundStart_;
  std::size_t next_ = 0;  // the board to update next in this round
  int retryMs_ = kFirstRetryMs;
  bool running_ = false;
};

}  // namespace vyx::console
