#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyx::sim {

// One command frame as the board decodes it. Value1 is 0 in the layouts that do not carry it.
struct Frame {
  char letter = 0;
  std::uint8_t address = 0;
  std::uint8_t spare = 0;
  std::uint8_t reg = 0;
  std::uint8_t value1 = 0;
  std::uint8_t value2 = 0;
  std::string text;
};

// The letter fixes the frame length; 0 means the byte cannot start a frame.
int FrameLength(char letter);

// Decodes one complete frame text, check digit included; nothing when it is not valid.
std::optional<Frame> DecodeFrame(std::string_view text);

// The check digit of the lowercase layouts: the low four bits of letter + address + register +
// value1 + value2, as one uppercase hex digit. The spare digit is not part of the sum.
char CheckDigit(char letter, int address, int reg, int value1, int value2);

// Splits the byte stream of the line into frames. The line has no delimiters, so a byte that
// cannot start a frame is skipped, and a frame that turns out invalid gives up only its first
// byte: the parser then rescans what follows it for the next frame.
class FrameParser {
 public:
  struct Event {
    bool is_frame = false;
    Frame frame;                        // when is_frame
    std::vector<std::uint8_t> skipped;  // otherwise: bytes given up
  };

  void Push(std::uint8_t byte, std::vector<Event>& events);
  void Reset() { pending_.clear(); }
  std::size_t Pending() const { return pending_.size(); }

 private:
  void Skip(std::uint8_t byte, std::vector<Event>& events);

  std::string pending_;
};

}  // namespace vyx::sim
