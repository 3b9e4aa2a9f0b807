#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "vyx/sim/board.h"
#include "vyx/sim/faults.h"
#include "vyx/sim/frame_log.h"
#include "vyx/sim/frame_parser.h"

namespace vyx::sim {

struct Counters {
  std::uint64_t frames = 0;         // valid frames, whatever their address
  std::uint64_t skipped_bytes = 0;  // bytes that made no valid frame
  std::uint64_t replies = 0;        // replies put on the line, faulty ones included
  std::uint64_t silence = 0;
  std::uint64_t eeprom_silence = 0;
  std::uint64_t bad_checksum = 0;
  std::uint64_t stray = 0;
  std::uint64_t stray_pass = 0;
  std::uint64_t truncate = 0;
  std::uint64_t late = 0;
  std::uint64_t drops = 0;
  std::uint64_t junk = 0;  // bytes sent while no reply was on the line
};

// A reply and how long after the end of its frame it starts.
struct Reply {
  Nanos delay{};
  std::vector<std::uint8_t> bytes;
};

// The boards sharing one serial line, without the transport: bytes in, replies out. Not
// thread-safe; its owner serialises access.
class Line {
 public:
  Line(const std::vector<int>& addresses, const BoardSettings& settings,
       const FaultSettings& faults, std::uint32_t seed, Nanos now);

  std::vector<Reply> Feed(std::span<const std::uint8_t> bytes, Nanos now);

  Board* Find(int address);
  std::vector<int> Addresses() const;
  FrameLog& Log() { return log_; }
  const Counters& Stats() const { return counters_; }
  FaultInjector& Faults() { return faults_; }

  // Set once the frame count reaches the drop setting; the transport then closes the line.
  bool DropDue() const { return drop_due_; }
  void DropDone();
  // A byte of noise for an idle line.
  std::uint8_t JunkByte() {
    ++counters_.junk;
    return faults_.JunkByte();
  }
  // A new connection starts with an empty parser.
  void ResetParser() { parser_.Reset(); }

 private:
  std::optional<std::vector<std::uint8_t>> Execute(Board& board, const Frame& frame, Nanos now);
  void Handle(const Frame& frame, Nanos now, std::vector<Reply>& replies);

  std::map<int, std::unique_ptr<Board>> boards_;
  FrameParser parser_;
  FaultInjector faults_;
  FrameLog log_;
  Counters counters_;
  Nanos start_;
  bool drop_due_ = false;
  bool drop_armed_ = true;
};

}  // namespace vyx::sim
