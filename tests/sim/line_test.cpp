#include "vyx/sim/line.h"

#include <gtest/gtest.h>

#include <random>

#include "wire.h"

namespace vyx::sim {
namespace {

using test::Answer;
using test::Bytes;
using test::ChecksumHolds;

Line MakeLine(std::vector<int> boards = {0}) {
  return Line(boards, BoardSettings{}, FaultSettings{}, 1, Nanos(0));
}

// The status block puts register r at index r - 0x21.
std::uint8_t At(const Bytes& block, int r) { return block.at(static_cast<std::size_t>(r - 0x21)); }

TEST(Line, WritesThenAnswersTheBlockFromOneConcatenatedStream) {
  Line line = MakeLine();
  const Bytes reply = Answer(line, "p0023903Q02119");
  ASSERT_EQ(reply.size(), 26u);
  EXPECT_TRUE(ChecksumHolds(reply));
  EXPECT_EQ(At(reply, 0x23), 0x90);
  EXPECT_EQ(At(reply, 0x22), 0x06);  // reset flags from power-up
  EXPECT_EQ(line.Stats().frames, 2u);
  EXPECT_EQ(line.Stats().replies, 1u);
}

TEST(Line, UnansweredLettersSendNothing) {
  Line line = MakeLine();
  // "p" and "r" are never answered; the letters the host never sends are parsed and ignored.
  for (const char* text : {"p0023903", "r0022026", "q0010001", "s0010003", "t001000004", "P01000",
                           "R01000", "S01000", "T0100000", "U0100000"}) {
    EXPECT_TRUE(Answer(line, text).empty()) << text;
  }
  EXPECT_EQ(line.Stats().frames, 10u);
  const Bytes block = Answer(line, "Q02119");
  EXPECT_EQ(At(block, 0x23), 0x90);
  EXPECT_EQ(At(block, 0x22), 0x02);  // "r" cleared bit 2
}

TEST(Line, WrongCheckDigitIsIgnored) {
  Line line = MakeLine();
  const Bytes reply = Answer(line, "p0023904Q02119");
  ASSERT_EQ(reply.size(), 26u);
  EXPECT_EQ(At(reply, 0x23), 0x00);
  EXPECT_EQ(line.Stats().frames, 1u);
  EXPECT_EQ(line.Stats().skipped_bytes, 8u);
}

TEST(Line, GarbageBeforeAFrameIsSkipped) {
  Line line = MakeLine();
  const Bytes reply = Answer(line, std::string("\xFF\x00~zz\r\n12AB", 11) + "Q02119");
  EXPECT_EQ(reply.size(), 26u);
  EXPECT_EQ(line.Stats().skipped_bytes, 11u);
}

TEST(Line, PwmWriteSetsTwoRegistersAndAnswersTheStatusBlock) {
  struct Row {
    const char* frame;
    std::uint8_t high, low;
  };
  for (const Row& row : {Row{"u00367D008", 0x7D, 0x00}, Row{"u00365340E", 0x53, 0x40}}) {
    Line line = MakeLine();
    const Bytes reply = Answer(line, row.frame);
    ASSERT_EQ(reply.size(), 26u) << row.frame;
    EXPECT_TRUE(ChecksumHolds(reply));
    EXPECT_EQ(At(reply, 0x36), row.high);
    EXPECT_EQ(At(reply, 0x37), row.low);
    EXPECT_EQ(line.Find(0)->ReadOutputs().pwm, row.high << 8 | row.low);
  }
}

TEST(Line, BlockReadOfAnyLength) {
  Line line = MakeLine();
  Answer(line, "p0038508p0039A09");  // DPW 0x50, DOG 0xA0
  EXPECT_EQ(Answer(line, "Q03802"), (Bytes{0x50, 0xA0, 0xF0}));
  EXPECT_EQ(Answer(line, "Q03801"), (Bytes{0x50, 0x50}));
}

TEST(Line, EepromWriteSequenceStoresTheByteAndTheReadSequenceFetchesIt) {
  Line line = MakeLine();
  EXPECT_EQ(Answer(line, "p00A3025p00A2402Q0A401"), (Bytes{0xFF, 0xFF}));  // erased
  const std::string write = "p00A3025p00A3025p00A3025p00A3025p00A456Ap00A2857";
  EXPECT_TRUE(Answer(line, write).empty());
  EXPECT_EQ(line.Find(0)->EepromImage()[2], 0x56);
  EXPECT_EQ(line.Find(0)->EepromImage()[1], 0xFF);
  EXPECT_EQ(Answer(line, "p00A3025p00A2402Q0A401"), (Bytes{0x56, 0x56}));
  // 0x41 is no command: the data register keeps what was last put there.
  EXPECT_TRUE(Answer(line, "p00A4004p00A2413").empty());
  EXPECT_EQ(line.Find(0)->EepromImage()[2], 0x56);
  EXPECT_EQ(Answer(line, "Q0A401"), (Bytes{0x00, 0x00}));
}

TEST(Line, OnlyTheAddressedBoardAnswers) {
  Line line = MakeLine({0, 2});
  EXPECT_EQ(Answer(line, "Q02119").size(), 26u);
  EXPECT_TRUE(Answer(line, "Q12119").empty());
  EXPECT_TRUE(Answer(line, "Q32119").empty());
  EXPECT_EQ(Answer(line, "Q22119").size(), 26u);

  Answer(line, "p2023905");  // board 2's port
  EXPECT_EQ(At(Answer(line, "Q22119"), 0x23), 0x90);
  EXPECT_EQ(At(Answer(line, "Q02119"), 0x23), 0x00);
  EXPECT_TRUE(line.Find(2)->ReadOutputs().dos);
  EXPECT_FALSE(line.Find(0)->ReadOutputs().dos);
}

TEST(Line, LogRecordsFramesSkipsAndReplies) {
  Line line = MakeLine();
  Answer(line, "zzQ02119", std::chrono::milliseconds(5));
  const auto log = line.Log().Entries();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].direction, Direction::kSkipped);
  EXPECT_EQ(log[1].direction, Direction::kIn);
  EXPECT_EQ(FormatLogEntry(log[1]), "in@0.005000:Q02119");
  EXPECT_EQ(log[2].direction, Direction::kOut);
  EXPECT_EQ(log[2].bytes.size(), 26u);
  line.Log().Clear();
  EXPECT_TRUE(line.Log().Entries().empty());
}

// An oracle of its own for what a valid frame is, so that the fuzz loop does not trust the
// parser it is testing.
bool LooksValid(const std::string& text) {
  static const std::string hex = "0123456789ABCDEF";
  const char letter = text.at(0);
  const std::size_t length = std::string("pqrs").find(letter) != std::string::npos   ? 8
                             : (letter == 't' || letter == 'u')                      ? 10
                             : std::string("PQRS").find(letter) != std::string::npos ? 6
                             : (letter == 'T' || letter == 'U')                      ? 8
                                                                                     : 0;
  if (length == 0 || text.size() != length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    if (hex.find(text[i]) == std::string::npos) return false;
  }
  if (letter >= 'a') {
    const auto byte = [&](std::size_t at) { return std::stoi(text.substr(at, 2), nullptr, 16); };
    int sum = letter + (text[1] - (text[1] > '9' ? 'A' - 10 : '0')) + byte(3);
    sum += (letter == 't' || letter == 'u') ? byte(5) + byte(7) : byte(5);
    if (hex[static_cast<std::size_t>(sum & 0xF)] != text.back()) return false;
  }
  return true;
}

TEST(LineFuzz, RandomBytesNeverGetAnAnswerForAnInvalidFrame) {
  std::mt19937 rng(20240611);
  // Mostly frame characters, so that valid frames do turn up now and then.
  const std::string alphabet = "pqrstuPQRSTU0123456789ABCDEF0000022119A4";
  std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
  std::uniform_int_distribution<int> any(0, 255);
  std::uniform_int_distribution<int> chunk(1, 40);
  Line line({0, 1, 2, 3}, BoardSettings{}, FaultSettings{}, 1, Nanos(0));
  std::size_t replies = 0;
  std::size_t answered_frames = 0;
  std::size_t valid_frames = 0;
  for (int round = 0; round < 6000; ++round) {
    Bytes bytes(static_cast<std::size_t>(chunk(rng)));
    for (auto& b : bytes) {
      b = static_cast<std::uint8_t>(rng() % 4 == 0 ? any(rng) : alphabet[std::size_t(pick(rng))]);
    }
    line.Log().Clear();
    for (const Reply& reply : line.Feed(bytes, Nanos(round) * 1000)) {
      ++replies;
      EXPECT_TRUE(ChecksumHolds(reply.bytes));
    }
    for (const LogEntry& e : line.Log().Entries()) {
      if (e.direction != Direction::kIn) continue;
      const std::string text(e.bytes.begin(), e.bytes.end());
      ++valid_frames;
      ASSERT_TRUE(LooksValid(text)) << text;
      // Boards sit at 0 to 3; a frame for any other address is valid but unanswered.
      answered_frames += (text[0] == 'Q' || text[0] == 'u') && text[1] <= '3';
    }
  }
  EXPECT_EQ(replies, answered_frames);
  EXPECT_GT(valid_frames, 50u);  // the loop did exercise the frame path
}

}  // namespace
}  // namespace vyx::sim
