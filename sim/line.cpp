#include "vyx/sim/line.h"

namespace vyx::sim {

Line::Line(const std::vector<int>& addresses, const BoardSettings& settings,
           const FaultSettings& faults, std::uint32_t seed, Nanos now)
    : faults_(faults, seed), start_(now) {
  for (const int address : addresses) {
    // Each board's noise has its own stream, apart from the faults, so that sampling an input
    // never changes which replies fail.
    const auto noise_seed = seed ^ (0x9E3779B9u * static_cast<std::uint32_t>(address + 1));
    boards_[address] = std::make_unique<Board>(address, settings, now, noise_seed);
  }
}

Board* Line::Find(int address) {
  const auto it = boards_.find(address);
  return it == boards_.end() ? nullptr : it->second.get();
}

std::vector<int> Line::Addresses() const {
  std::vector<int> out;
  for (const auto& [address, board] : boards_) out.push_back(address);
  return out;
}

void Line::DropDone() {
  drop_due_ = false;
  ++counters_.drops;
}

std::vector<Reply> Line::Feed(std::span<const std::uint8_t> bytes, Nanos now) {
  std::vector<Reply> replies;
  std::vector<FrameParser::Event> events;
  for (const std::uint8_t byte : bytes) {
    events.clear();
    parser_.Push(byte, events);
    for (auto& event : events) {
      if (event.is_frame) {
        Handle(event.frame, now, replies);
      } else {
        counters_.skipped_bytes += event.skipped.size();
        log_.Add({Direction::kSkipped, now - start_, std::move(event.skipped), {}});
      }
    }
  }
  return replies;
}

std::optional<std::vector<std::uint8_t>> Line::Execute(Board& board, const Frame& frame,
                                                       Nanos now) {
  switch (frame.letter) {
    case 'p':
      board.Write(frame.reg, frame.value2);
      return std::nullopt;
    case 'r':
      board.ClearBit(frame.reg, frame.value2);
      return std::nullopt;
    case 'Q':
      return board.ReadBlock(frame.reg, frame.value2, now);
    case 'u':
      board.Write(frame.reg, frame.value1);
      board.Write(static_cast<std::uint8_t>(frame.reg + 1), frame.value2);
      return board.ReadBlock(reg::kStatusStart, reg::kStatusCount, now);
    default:
      // The host never sends the other letters; the firmware parses them and does nothing.
      return std::nullopt;
  }
}

void Line::Handle(const Frame& frame, Nanos now, std::vector<Reply>& replies) {
  ++counters_.frames;
  LogEntry in{Direction::kIn, now - start_, {frame.text.begin(), frame.text.end()}, {}};
  Board* board = Find(frame.address);
  if (board == nullptr) in.note = "no board";
  log_.Add(std::move(in));

  const int drop_after = faults_.Settings().drop_after;
  if (drop_armed_ && drop_after > 0 && counters_.frames >= static_cast<std::uint64_t>(drop_after)) {
    drop_armed_ = false;  // once: a reconnected line stays up
    drop_due_ = true;
  }
  if (board == nullptr) return;
  auto reply = Execute(*board, frame, now);
  if (!reply) return;

  const bool eeprom_read = frame.letter == 'Q' && frame.reg == reg::kEeData;
  const FaultPlan plan = faults_.Draw(eeprom_read, reply->size());
  std::string note;
  const auto mark = [&note](bool on, std::uint64_t& counter, const char* name) {
    if (!on) return;
    ++counter;
    note += note.empty() ? name : std::string(",") + name;
  };
  mark(plan.silent, counters_.silence, "silence");
  mark(plan.eeprom_silent && !plan.silent, counters_.eeprom_silence, "eeprom-silence");
  if (plan.Silent()) {
    log_.Add({Direction::kOut, now - start_, {}, note});
    return;
  }
  mark(plan.bad_checksum, counters_.bad_checksum, "bad-checksum");
  mark(plan.truncate, counters_.truncate, "truncate");
  mark(plan.stray, counters_.stray, "stray");
  mark(plan.stray_pass, counters_.stray_pass, "stray-pass");
  mark(plan.late, counters_.late, "late");
  Reply out;
  out.bytes = FaultInjector::Apply(plan, std::move(*reply));
  if (plan.late) out.delay = std::chrono::milliseconds(faults_.Settings().delay_ms);
  ++counters_.replies;
  log_.Add({Direction::kOut, now - start_ + out.delay, out.bytes, note});
  replies.push_back(std::move(out));
}

}  // namespace vyx::sim
