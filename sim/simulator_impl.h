#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "vyx/sim/eeprom_file.h"
#include "vyx/sim/pacing.h"
#include "vyx/sim/simulator.h"
#include "vyx/sim/turnaround.h"

namespace vyx::sim {

struct ScheduledByte {
  Nanos at;  // steady clock
  std::uint8_t byte;
  bool ends_piece = true;  // the bytes up to this one may go out together once it is due
};

// A pseudo-terminal pair: the board keeps the slave open too, so that the host can close and
// reopen it without the master seeing a hang-up.
struct PtyEndpoint {
  int master = -1;
  int slave = -1;
  std::string path;
};
std::string OpenPty(const std::string& link, PtyEndpoint& pty);  // empty on success
void ClosePty(const std::string& link, PtyEndpoint& pty);

std::string OpenListener(std::uint16_t port, int& fd, std::uint16_t& bound);  // empty on success
int AcceptClient(int listener);  // -1 when nothing to accept

class Simulator::Impl {
 public:
  explicit Impl(Options options);

  std::string Start();
  void Stop();
  void Run();  // the server thread
  Nanos ModelNow() const { return time->Now(); }
  void PersistIfWritten(bool force = false);  // with mu held
  void Wake();

  Options options;
  std::shared_ptr<TimeSource> time;

  mutable std::mutex mu;
  std::unique_ptr<Line> line;
  std::string path;
  std::string error;
  bool running = false;
  bool stopping = false;

  PtyEndpoint pty;
  int listener = -1;
  std::uint16_t bound_port = 0;
  int client = -1;
  int wake_read = -1;
  int wake_write = -1;
  std::thread thread;

  std::deque<ScheduledByte> inbound;
  std::deque<ScheduledByte> outbound;
  Pacer in_pacer;
  Pacer out_pacer;
  TurnaroundMeter turnaround;

  Nanos junk_next{0};                  // when the next byte of noise is due on an idle line
  std::optional<Nanos> drop_deadline;  // while a drop waits for the host to read the last reply
  bool HostCaughtUp() const;           // with mu held

  int DataFd() const { return options.tcp ? client : pty.master; }
  // The outbound byte that ends the first piece due, if any byte waits.
  std::optional<std::size_t> FirstPieceEnd() const;
  void Disconnect();  // with mu held
};

}  // namespace vyx::sim
