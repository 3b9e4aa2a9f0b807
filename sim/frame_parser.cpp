#include "vyx/sim/frame_parser.h"

namespace vyx::sim {

namespace {

int HexValue(char c) {
  // The host writes uppercase hex only; lowercase letters are frame letters, not digits.
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint8_t Byte(std::string_view text, std::size_t at) {
  return static_cast<std::uint8_t>(HexValue(text[at]) * 16 + HexValue(text[at + 1]));
}

}  // namespace

int FrameLength(char letter) {
  switch (letter) {
    case 'p':
    case 'q':
    case 'r':
    case 's':
      return 8;
    case 't':
    case 'u':
      return 10;
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
      return 6;
    case 'T':
    case 'U':
      return 8;
    default:
      return 0;
  }
}

char CheckDigit(char letter, int address, int reg, int value1, int value2) {
  const int sum = static_cast<unsigned char>(letter) + address + reg + value1 + value2;
  return "0123456789ABCDEF"[sum & 0xF];
}

std::optional<Frame> DecodeFrame(std::string_view text) {
  if (text.empty() || static_cast<int>(text.size()) != FrameLength(text[0])) return std::nullopt;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (HexValue(text[i]) < 0) return std::nullopt;
  }
  Frame f;
  f.letter = text[0];
  f.address = static_cast<std::uint8_t>(HexValue(text[1]));
  f.text = std::string(text);
  const bool lower = f.letter >= 'a';
  const bool two_values = f.letter == 't' || f.letter == 'u' || f.letter == 'T' || f.letter == 'U';
  std::size_t at = 2;
  if (lower) f.spare = static_cast<std::uint8_t>(HexValue(text[at++]));
  f.reg = Byte(text, at);
  at += 2;
  if (two_values) {
    f.value1 = Byte(text, at);
    at += 2;
  }
  f.value2 = Byte(text, at);
  at += 2;
  if (lower && text[at] != CheckDigit(f.letter, f.address, f.reg, f.value1, f.value2)) {
    return std::nullopt;
  }
  return f;
}

void FrameParser::Skip(std::uint8_t byte, std::vector<Event>& events) {
  if (events.empty() || events.back().is_frame) events.push_back(Event{});
  events.back().skipped.push_back(byte);
}

void FrameParser::Push(std::uint8_t byte, std::vector<Event>& events) {
  pending_.push_back(static_cast<char>(byte));
  while (!pending_.empty()) {
    const int length = FrameLength(pending_[0]);
    bool broken = length == 0;
    for (std::size_t i = 1; !broken && i < pending_.size(); ++i) broken = HexValue(pending_[i]) < 0;
    if (!broken && static_cast<int>(pending_.size()) < length) return;  // wait for the rest
    if (!broken) {
      if (auto frame = DecodeFrame(pending_)) {
        events.push_back(Event{true, std::move(*frame), {}});
        pending_.clear();
        return;
      }
    }
    Skip(static_cast<std::uint8_t>(pending_[0]), events);
    pending_.erase(0, 1);
  }
}

}  // namespace vyx::sim
