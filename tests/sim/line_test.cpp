// The line model without a transport: how it splits bytes into frames, and each fault it can
// put on a reply.
#include "vyx/sim/line.h"

#include <gtest/gtest.h>

#include "vyx/sim/frame_parser.h"
#include "wire.h"

namespace vyx::sim {
namespace {

// The bytes as they come down the line, the frames the firmware takes from them, the bytes
// it throws away and those it still holds for a frame not yet whole.
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
      {"check digit off by one", "p0023904Q02119", {"Q02119"}, 8, 0},
      {"the letter counts in the sum", "r0023903", {}, 8, 0},
      {"lowercase hex", "p00a3025u10367d009", {}, 18, 0},
      {"not hex", "Q0211GQ0211", {}, 6, 5},
      {"letter breaks a partial frame", "p00Q02119", {"Q02119"}, 3, 0},
      {"partial frame waits", "u10367D009P0A", {"u10367D009"}, 0, 3},
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

const std::string kBlock = "Q02119";

std::vector<std::string> Replies(const FaultSettings& faults, const std::string& frames,
                                 Counters* counters = nullptr, std::uint32_t seed = 1) {
  Line line({0}, BoardSettings{}, faults, seed, Nanos(0));
  std::vector<std::string> out;
  for (const Reply& r : line.Feed(std::vector<std::uint8_t>(frames.begin(), frames.end()), {})) {
    const long ms = std::chrono::duration_cast<std::chrono::milliseconds>(r.delay).count();
    out.push_back((ms > 0 ? "late " : "") + std::string(r.bytes.begin(), r.bytes.end()));
  }
  if (counters != nullptr) *counters = line.Stats();
  return out;
}

// What a reply is, next to the clean one.
std::string Shape(const std::string& r, const std::string& clean) {
  if (r.starts_with("late ")) return "late, " + Shape(r.substr(5), clean);
  if (r == clean) return "clean";
  if (r.size() == 27 && r.substr(1) == clean) {
    return test::ChecksumHolds(r.substr(0, 26)) ? "stray, its window passing" : "stray";
  }
  if (r.size() == 26 && r.substr(0, 25) == clean.substr(0, 25)) return "bad checksum";
  return !r.empty() && r.size() < 26 && clean.starts_with(r) ? "truncated" : "other";
}

// One fault at a time, always on: what reaches the host, and the counter that owns up to it.
TEST(Faults, EachKindDoesWhatItSays) {
  const std::string clean = Replies({}, kBlock).at(0);
  ASSERT_EQ(clean.size(), 26u);
  const std::string eeprom = kBlock + "p00A3025p00A2402Q0A401";  // a block, then an EEPROM read
  const std::tuple<double FaultSettings::*, std::uint64_t Counters::*, std::string> rows[] = {
      {&FaultSettings::silence, &Counters::silence, ""},
      {&FaultSettings::bad_checksum, &Counters::bad_checksum, "bad checksum"},
      {&FaultSettings::stray, &Counters::stray, "stray"},
      {&FaultSettings::stray_pass, &Counters::stray_pass, "stray, its window passing"},
      {&FaultSettings::truncate, &Counters::truncate, "truncated"},
      {&FaultSettings::late, &Counters::late, "late, clean"},
      {&FaultSettings::eeprom_silence, &Counters::eeprom_silence, "clean"},
  };
  for (const auto& [kind, counter, shapes] : rows) {
    FaultSettings f;
    f.*kind = 1;
    Counters c;
    std::string seen;
    for (const std::string& r :
         Replies(f, kind == &FaultSettings::eeprom_silence ? eeprom : kBlock, &c)) {
      seen += (seen.empty() ? "" : " | ") + Shape(r, clean);
    }
    EXPECT_EQ(seen, shapes);
    EXPECT_EQ(c.*counter, 1u) << shapes;
  }
}

}  // namespace
}  // namespace vyx::sim
