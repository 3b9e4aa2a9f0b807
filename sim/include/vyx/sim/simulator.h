#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vyx/sim/board.h"
#include "vyx/sim/faults.h"
#include "vyx/sim/frame_log.h"
#include "vyx/sim/line.h"
#include "vyx/sim/time_source.h"
#include "vyx/sim/turnaround.h"

namespace vyx::sim {

struct Options {
  std::vector<int> boards{0};  // addresses 0 to 3 present on the line
  bool tcp = false;            // serve on 127.0.0.1:tcp_port instead of a pseudo-terminal
  std::uint16_t tcp_port = 0;  // 0 picks a free port
  std::string link;            // a symlink to the pseudo-terminal, kept while the line is up
  bool line_rate = false;      // pace both directions at 38400 baud, 8N1
  // How replies reach the host: 1 a byte at a time as each is due; 0 a whole reply in one
  // write once its last byte is due, as a USB adapter delivers it; N pieces of N bytes.
  int reply_chunk = 1;
  std::uint32_t seed = 1;
  std::string eeprom_file;  // empty: erased EEPROMs, not kept
  BoardSettings board;
  FaultSettings faults;
  std::shared_ptr<TimeSource> time;  // the board model's time; the steady clock when empty
};

// The simulated board line served on its own thread. Every call is thread-safe; calls about a
// board return false or nothing when no board has that address.
class Simulator {
 public:
  explicit Simulator(Options options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Returns the device path (a pseudo-terminal, or tcp://127.0.0.1:PORT), empty on failure
  // with the reason in LastError().
  std::string Start();
  void Stop();
  std::string DevicePath() const;
  std::string LastError() const;

  // After the line dropped: a fresh pseudo-terminal, which the link follows. Over TCP the
  // listener never closes, so this just returns the address.
  std::string Reconnect();
  bool Connected() const;

  bool SetInput(int board, Input input, bool level);
  bool SetAnalog(int board, int channel, const Waveform& wave);
  bool SetDifRate(int board, double pulses_per_second);
  bool SetDitPeriod(int board, double seconds);
  bool PowerCycle(int board);
  std::optional<Outputs> ReadOutputs(int board) const;
  std::optional<std::uint8_t> ReadRegister(int board, std::uint8_t reg) const;
  bool WriteRegister(int board, std::uint8_t reg, std::uint8_t value);
  std::optional<std::uint8_t> ReadEeprom(int board, std::uint8_t address) const;
  bool WriteEeprom(int board, std::uint8_t address, std::uint8_t value);

  std::vector<LogEntry> FrameLog() const;
  void ClearFrameLog();
  Counters GetCounters() const;
  // How quickly the host has answered the replies since the last call.
  TurnaroundFigures TakeTurnaround();
  FaultSettings Faults() const;
  void SetFaults(const FaultSettings& faults);
  std::vector<int> Boards() const;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vyx::sim
