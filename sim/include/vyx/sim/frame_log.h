#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "vyx/sim/time_source.h"

namespace vyx::sim {

enum class Direction {
  kIn,       // a valid frame from the host
  kSkipped,  // bytes from the host that made no valid frame
  kOut,      // a reply as it goes on the line, faults included
};

struct LogEntry {
  Direction direction = Direction::kIn;
  Nanos time{};  // since the line came up
  std::vector<std::uint8_t> bytes;
  std::string note;  // the faults applied, or why a frame went unanswered
};

// "in@0.012345:Q02119", "out@0.012400:0A1B...", "skip@...:7A"; a note follows in parentheses.
std::string FormatLogEntry(const LogEntry& entry);

// The most recent entries of the line's traffic; the oldest go first when it is full.
class FrameLog {
 public:
  static constexpr std::size_t kCapacity = 10000;

  void Add(LogEntry entry);
  std::vector<LogEntry> Entries() const { return {entries_.begin(), entries_.end()}; }
  void Clear() { entries_.clear(); }

 private:
  std::deque<LogEntry> entries_;
};

}  // namespace vyx::sim
