#include "vyx/sim/frame_log.h"

#include <cstdio>

namespace vyx::sim {

std::string FormatLogEntry(const LogEntry& entry) {
  static constexpr const char* kNames[] = {"in", "skip", "out"};
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%s@%.6f:", kNames[static_cast<int>(entry.direction)],
                std::chrono::duration<double>(entry.time).count());
  std::string text = stamp;
  if (entry.direction == Direction::kIn) {
    text.append(entry.bytes.begin(), entry.bytes.end());
  } else {
    for (const std::uint8_t b : entry.bytes) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", b);
      text += hex;
    }
  }
  if (!entry.note.empty()) text += " (" + entry.note + ")";
  return text;
}

void FrameLog::Add(LogEntry entry) {
  if (entry.direction == Direction::kSkipped && !entries_.empty() &&
      entries_.back().direction == Direction::kSkipped && entries_.back().bytes.size() < 64) {
    auto& last = entries_.back().bytes;
    last.insert(last.end(), entry.bytes.begin(), entry.bytes.end());
    return;
  }
  if (entries_.size() == kCapacity) entries_.pop_front();
  entries_.push_back(std::move(entry));
}

}  // namespace vyx::sim
