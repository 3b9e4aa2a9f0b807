#include "vyx/sim/frame_parser.h"

#include <gtest/gtest.h>

namespace vyx::sim {
namespace {

// Frames as the host writes them, with the fields the board must take from them.
struct GoodFrame {
  const char* text;
  char letter;
  int address, reg, value1, value2;
};

TEST(FrameDecoding, HostFramesDecodeToTheirFields) {
  const GoodFrame rows[] = {
      {"p0023903", 'p', 0, 0x23, 0, 0x90},    // port write, DON and DOS
      {"p1038509", 'p', 1, 0x38, 0, 0x50},    // DPW 50 %
      {"u10367D009", 'u', 1, 0x36, 0x7D, 0},  // PWM 50 %
      {"u00365340E", 'u', 0, 0x36, 0x53, 0x40},
      {"r2022028", 'r', 2, 0x22, 0, 2},
      {"r2022017", 'r', 2, 0x22, 0, 1},
      {"Q02119", 'Q', 0, 0x21, 0, 25},
      {"Q2A401", 'Q', 2, 0xA4, 0, 1},
      {"Q32119", 'Q', 3, 0x21, 0, 25},
      {"p00A3014", 'p', 0, 0xA3, 0, 1},
      {"p00A2402", 'p', 0, 0xA2, 0, 0x40},
      {"p00A456A", 'p', 0, 0xA4, 0, 0x56},
      {"p00A2857", 'p', 0, 0xA2, 0, 0x85},
      {"T0102A00", 'T', 0, 0x10, 0x2A, 0},
      {"p0723903", 'p', 0, 0x23, 0, 0x90},  // the spare is carried but not summed
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto f = DecodeFrame(row.text);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->letter, row.letter);
    EXPECT_EQ(f->address, row.address);
    EXPECT_EQ(f->reg, row.reg);
    EXPECT_EQ(f->value1, row.value1);
    EXPECT_EQ(f->value2, row.value2);
  }
  EXPECT_EQ(DecodeFrame("p0723903")->spare, 7);
}

TEST(FrameDecoding, RejectsWhatTheHostCouldNotHaveMeant) {
  const char* rows[] = {
      "p0023904",    // check digit off by one
      "r0023903",    // "p"'s check digit under "r": the letter counts in the sum
      "p00a3025",    // lowercase hex
      "u10367d009",  // lowercase hex in a value
      "p002390",     // short
      "Q0211",       // short
      "x0023903",    // not a frame letter
      "Q0211G",      // not hex
      "",
  };
  for (const char* text : rows) EXPECT_FALSE(DecodeFrame(text).has_value()) << text;
}

struct Stream {
  const char* name;
  std::string bytes;
  std::vector<std::string> frames;
  std::size_t skipped;
  std::size_t pending;
};

TEST(FrameParser, SplitsTheLineIntoFrames) {
  const Stream rows[] = {
      {"back to back", "p0023903Q02119", {"p0023903", "Q02119"}, 0, 0},
      {"garbage first", std::string("\r\n\0\xFFz9Q02119", 12), {"Q02119"}, 6, 0},
      {"bad check digit skipped whole", "p0023904Q02119", {"Q02119"}, 8, 0},
      {"letter breaks a partial frame", "p00Q02119", {"Q02119"}, 3, 0},
      {"letter right after a letter", "pQ02119", {"Q02119"}, 1, 0},
      {"partial frame waits", "u10367D009P0A", {"u10367D009"}, 0, 3},
      {"hex digits alone start nothing", "0123ABCDEF", {}, 10, 0},
      {"every layout",
       "q0010001s0010003t001000004P01000R01000S01000U0100000",
       {"q0010001", "s0010003", "t001000004", "P01000", "R01000", "S01000", "U0100000"},
       0,
       0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FrameParser parser;
    std::vector<FrameParser::Event> events;
    for (const char c : row.bytes) parser.Push(static_cast<std::uint8_t>(c), events);
    std::vector<std::string> frames;
    std::size_t skipped = 0;
    for (const auto& e : events) {
      if (e.is_frame) frames.push_back(e.frame.text);
      skipped += e.skipped.size();
    }
    EXPECT_EQ(frames, row.frames);
    EXPECT_EQ(skipped, row.skipped);
    EXPECT_EQ(parser.Pending(), row.pending);
  }
}

}  // namespace
}  // namespace vyx::sim
