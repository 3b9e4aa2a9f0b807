#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "vyx/sim/line.h"
#include "wire.h"

namespace vyx::sim {
namespace {

using test::Bytes;
using test::ChecksumHolds;

struct Outcome {
  std::vector<Reply> replies;
  Counters counters;
};

Outcome Transmit(const FaultSettings& faults, std::uint32_t seed, const std::string& frames) {
  Line line({0}, BoardSettings{}, faults, seed, Nanos(0));
  const Bytes in(frames.begin(), frames.end());
  return {line.Feed(in, Nanos(0)), line.Stats()};
}

// One fault at a time, always on: what reaches the host compared with the clean reply.
TEST(Faults, EachKindDoesWhatItSays) {
  const std::string block = "Q02119";
  const Bytes clean = Transmit({}, 1, block).replies.at(0).bytes;
  ASSERT_EQ(clean.size(), 26u);

  struct Row {
    const char* name;
    std::string frames;
    std::function<void(FaultSettings&)> set;
    std::function<void(const Outcome&)> check;
  };
  const Row rows[] = {
      {"silence", block, [](FaultSettings& f) { f.silence = 1; },
       [](const Outcome& o) {
         EXPECT_TRUE(o.replies.empty());
         EXPECT_EQ(o.counters.silence, 1u);
         EXPECT_EQ(o.counters.replies, 0u);
       }},
      {"bad checksum", block, [](FaultSettings& f) { f.bad_checksum = 1; },
       [&](const Outcome& o) {
         const Bytes& r = o.replies.at(0).bytes;
         ASSERT_EQ(r.size(), 26u);
         EXPECT_TRUE(std::equal(r.begin(), r.end() - 1, clean.begin()));
         EXPECT_FALSE(ChecksumHolds(r));
         EXPECT_EQ(o.counters.bad_checksum, 1u);
       }},
      {"stray byte", block, [](FaultSettings& f) { f.stray = 1; },
       [&](const Outcome& o) {
         const Bytes& r = o.replies.at(0).bytes;
         ASSERT_EQ(r.size(), 27u);
         EXPECT_TRUE(std::equal(r.begin() + 1, r.end(), clean.begin()));
         EXPECT_EQ(o.counters.stray, 1u);
       }},
      {"truncated", block, [](FaultSettings& f) { f.truncate = 1; },
       [&](const Outcome& o) {
         const Bytes& r = o.replies.at(0).bytes;
         ASSERT_GE(r.size(), 1u);
         ASSERT_LT(r.size(), 26u);
         EXPECT_TRUE(std::equal(r.begin(), r.end(), clean.begin()));
         EXPECT_EQ(o.counters.truncate, 1u);
       }},
      {"late", block,
       [](FaultSettings& f) {
         f.late = 1;
         f.delay_ms = 300;
       },
       [&](const Outcome& o) {
         EXPECT_EQ(o.replies.at(0).bytes, clean);
         EXPECT_EQ(o.replies.at(0).delay, std::chrono::milliseconds(300));
         EXPECT_EQ(o.counters.late, 1u);
       }},
      {"EEPROM silence leaves other reads alone", block + "p00A3025p00A2402Q0A401",
       [](FaultSettings& f) { f.eeprom_silence = 1; },
       [&](const Outcome& o) {
         ASSERT_EQ(o.replies.size(), 1u);
         EXPECT_EQ(o.replies[0].bytes, clean);
         EXPECT_EQ(o.counters.eeprom_silence, 1u);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FaultSettings f;
    row.set(f);
    row.check(Transmit(f, 1, row.frames));
  }
}

TEST(Faults, SameSeedSameFaultsOtherSeedOthers) {
  FaultSettings f;
  f.silence = f.bad_checksum = f.stray = f.truncate = f.late = 0.2;
  std::string frames;
  for (int i = 0; i < 200; ++i) frames += "Q02119";
  const Outcome a = Transmit(f, 42, frames);
  const Outcome b = Transmit(f, 42, frames);
  const Outcome c = Transmit(f, 43, frames);
  const auto bytes = [](const Outcome& o) {
    std::vector<Bytes> all;
    for (const Reply& r : o.replies) all.push_back(r.bytes);
    return all;
  };
  EXPECT_EQ(bytes(a), bytes(b));
  EXPECT_EQ(a.counters.late, b.counters.late);
  EXPECT_NE(bytes(a), bytes(c));
}

TEST(Faults, ProbabilityIsPerReply) {
  FaultSettings f;
  f.silence = 0.5;
  std::string frames;
  for (int i = 0; i < 1000; ++i) frames += "Q02119";
  const Outcome o = Transmit(f, 7, frames);
  EXPECT_EQ(o.counters.silence + o.counters.replies, 1000u);
  EXPECT_GT(o.counters.silence, 400u);
  EXPECT_LT(o.counters.silence, 600u);
}

TEST(Faults, LineDropsOnceAfterTheGivenFrameCount) {
  FaultSettings f;
  f.drop_after = 3;
  Line line({0}, BoardSettings{}, f, 1, Nanos(0));
  const std::string two = "p0023903p0023903";
  line.Feed(Bytes(two.begin(), two.end()), Nanos(0));
  EXPECT_FALSE(line.DropDue());
  const std::string third = "Q02119";
  EXPECT_EQ(line.Feed(Bytes(third.begin(), third.end()), Nanos(0)).size(), 1u);  // answered
  EXPECT_TRUE(line.DropDue());
  line.DropDone();
  line.Feed(Bytes(third.begin(), third.end()), Nanos(0));
  EXPECT_FALSE(line.DropDue());
  EXPECT_EQ(line.Stats().drops, 1u);
}

}  // namespace
}  // namespace vyx::sim
