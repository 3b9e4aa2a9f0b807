// Which bytes become readings on a line paced like a 38400-baud wire: stray bytes, shifted
// windows that pass the checksum, replies still arriving when a try fails, a slow board
// that answers in order, a rejected reply before the line goes, corrupt EEPROM replies.
// Seen as the host sees it (properties, NewData) and as the board sees it (its requests).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "eeprom/record_codec.h"
#include "link/platform.h"
#include "rig.h"

namespace vyx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::steady_clock;

constexpr double kByteTime = 10.0 / 38400;
constexpr std::uint8_t kFirmware = 12;

steady_clock::duration Secs(double s) {
  return std::chrono::duration_cast<steady_clock::duration>(std::chrono::duration<double>(s));
}

// The status block the board holds when it answers its n-th status request: fixed inputs,
// and a DIF count equal to n, so that every reading tells which request it answers.
Bytes Block(int n, std::uint8_t ad1High = 0x40) {
  Bytes regs(25, 0);
  regs[0] = kFirmware;
  regs[5] = ad1High;                            // AD1
  regs[13] = static_cast<std::uint8_t>(3 * n);  // clock
  regs[17] = static_cast<std::uint8_t>(n);      // DIF, low byte
  return StatusReply(regs);
}

// The byte that, sent before `reply`, makes the window it shifts pass the checksum.
std::uint8_t PassingStray(const Bytes& reply) {
  const unsigned sum = std::accumulate(reply.begin(), reply.end() - 2, 0u);
  return static_cast<std::uint8_t>(reply[reply.size() - 2] - sum);
}

// Bytes the board puts on the wire `at` seconds after the request, one byte time each.
struct Piece {
  double at;
  Bytes bytes;
};
// How the board answers one status request, given the block it holds then.
using Answer = std::vector<Piece> (*)(const Bytes& block);

std::vector<Piece> Clean(const Bytes& b) { return {{0.0005, b}}; }
std::vector<Piece> Stray(const Bytes& b) {
  Bytes out = b;
  out.insert(out.begin(), static_cast<std::uint8_t>(PassingStray(b) + 1));
  return {{0.0005, out}};
}
std::vector<Piece> StrayThatPasses(const Bytes& b) {
  Bytes out = b;
  out.insert(out.begin(), PassingStray(b));
  return {{0.0005, out}};
}
// Begun before the first time-out, so the try waits to 0.22 s; stalled, then finishing
// just as that try fails.
std::vector<Piece> StalledPastTheRetry(const Bytes& b) {
  return {{0.100, Bytes(b.begin(), b.begin() + 10)}, {0.221, Bytes(b.begin() + 10, b.end())}};
}
std::vector<Piece> Late(const Bytes& b) { return {{0.150, b}}; }
std::vector<Piece> Silent(const Bytes&) { return {}; }
std::vector<Piece> OtherFirmware(const Bytes& b) {
  Bytes regs(b.begin(), b.end() - 1);
  regs[0] = kFirmware + 1;
  return {{0.0005, StatusReply(regs)}};
}

// A board on a paced wire: answers status requests as scripted, one reply behind the other
// as a busy board does, and EEPROM reads from its records.
class WireBoard {
 public:
  explicit WireBoard(Rig& r) : r_(r) {
    r_.port.onWrite = [this](const std::string& frame) { Heard(frame); };
    eeprom_[eeprom::kMarkerAddress] = eeprom::kIdMarker;
    const std::string id = "BOARD-7";
    for (int i = 0; i < eeprom::kIdLength; ++i) {
      const auto at = static_cast<std::size_t>(i);
      eeprom_[2 + i] = at < id.size() ? static_cast<std::uint8_t>(id[at]) : 0;
    }
    SetCalibration(0xC3, 0x50);  // 5 V: 50000 tenths of a millivolt
  }

  void SetCalibration(std::uint8_t high, std::uint8_t low) {
    eeprom_[10] = high;
    eeprom_[11] = low;
  }

  std::deque<Answer> script;  // answers to the status requests, in order; then clean ones
  int eepromStrays = 0;       // EEPROM replies still to get a stray byte in front
  int requests = 0;           // status requests heard

  // Runs the line and the reply timer for `seconds`.
  void Run(double seconds) {
    const auto end = r_.clock.Now() + Secs(seconds);
    auto tick = r_.clock.Now() + Secs(0.005);
    while (true) {
      const auto arrival = r_.port.NextArrival();
      const bool bytesFirst = arrival && *arrival <= tick;
      const auto next = bytesFirst ? *arrival : tick;
      if (next > end) break;
      if (next > r_.clock.Now())
        r_.clock.Advance(std::chrono::duration<double>(next - r_.clock.Now()).count());
      if (bytesFirst) {
        r_.port.Pump();
      } else {
        r_.timer.Fire();
        tick += Secs(0.005);
      }
    }
  }

 private:
  void Heard(const std::string& frame) {
    if (frame.starts_with("p0") && frame.substr(3, 2) == "A3") {
      address_ = std::stoi(frame.substr(5, 2), nullptr, 16);
    } else if (frame.starts_with("Q0A4")) {
      const std::uint8_t v = eeprom_[address_];
      Bytes reply{v, v};
      if (eepromStrays > 0) {
        --eepromStrays;
        reply.insert(reply.begin(), 0x5A);
      }
      Send({{0.0005, reply}});
    } else if (frame.starts_with("Q02119") || frame.starts_with("u")) {
      ++requests;
      const Answer answer = script.empty() ? Clean : script.front();
      if (!script.empty()) script.pop_front();
      Send(answer(Block(requests)));
    }
  }
  void Send(const std::vector<Piece>& pieces) {
    const double now = Seconds(r_.clock.Now());
    for (const Piece& p : pieces) {
      double at = std::max(now + p.at, free_);
      for (const std::uint8_t b : p.bytes) {
        at += kByteTime;
        r_.port.DeliverLater({b}, at - now);
      }
      free_ = at;
    }
  }
  static double Seconds(steady_clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
  }

  Rig& r_;
  std::map<int, std::uint8_t> eeprom_;
  int address_ = 0;
  double free_ = 0;  // when the wire is free again
};

std::string Get(Vyx& vyx, std::string_view name) {
  PropValue v;
  EXPECT_TRUE(vyx.Get(name, v)) << name;
  return std::get<std::string>(v);
}

struct FaultRow {
  const char* name;
  Answer answer;  // how the board answers the first request of the second update
};

class ReplyWindow : public ::testing::TestWithParam<FaultRow> {};

// Three updates; the second meets the fault. Every NewData must show the reply to the last
// request sent (its DIF count), with the board's true inputs, and no update may fail.
TEST_P(ReplyWindow, OnlyTheAnswerToTheLastRequestIsShown) {
  Rig r;
  WireBoard board(r);
  std::vector<std::string> shown;
  std::vector<int> asked;
  r.host.onNewData = [&] {
    shown.push_back(Get(r.vyx, "DIFcount") + " " + Get(r.vyx, "FWver") + " " +
                    Get(r.vyx, "AD1volt"));
    asked.push_back(board.requests);
  };
  ASSERT_TRUE(r.vyx.Set("CommPort", std::string("1")));
  for (int update = 0; update < 3; ++update) {
    if (update == 1) board.script = {GetParam().answer};
    ASSERT_TRUE(r.vyx.Set("UpdateCmd", true));
    board.Run(1.5);
  }
  ASSERT_EQ(shown.size(), 3u) << "an update failed although the board answered in the end: "
                              << ::testing::PrintToString(shown);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i], std::to_string(asked[i]) + " 1.2 1.252") << "update " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, ReplyWindow,
                         ::testing::Values(FaultRow{"StrayByte", Stray},
                                           FaultRow{"StrayWhoseWindowPasses", StrayThatPasses},
                                           FaultRow{"StillArrivingAtRetry", StalledPastTheRetry},
                                           FaultRow{"SlowBoardInOrder", Late}),
                         [](const auto& row) { return std::string(row.param.name); });

// A board on the wire that has answered one update already.
class ReplyWindowOnce : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(r.vyx.Set("CommPort", std::string("1"))); }
  void Update(double seconds = 1.5) {
    ASSERT_TRUE(r.vyx.Set("UpdateCmd", true));
    board.Run(seconds);
  }
  Rig r;
  WireBoard board{r};
};

TEST_F(ReplyWindowOnce, StrayThatPassesIsNotTheFirmwareByte) {
  // The row above relies on the shifted window showing another firmware version.
  const Bytes b = Block(2);
  EXPECT_NE(PassingStray(b), kFirmware);
}

TEST_F(ReplyWindowOnce, AnotherFirmwareVersionIsBelievedWhenTheNextWindowShowsItToo) {
  Update();
  ASSERT_EQ(Get(r.vyx, "FWver"), "1.2");

  board.script = {OtherFirmware, OtherFirmware};  // a board with new firmware in its place
  Update();
  EXPECT_EQ(Get(r.vyx, "FWver"), "1.3");
  EXPECT_EQ(board.requests, 3) << "one window to doubt it, one to believe it";
  EXPECT_EQ(r.host.newData, 2);
}

TEST_F(ReplyWindowOnce, ARejectedReplyLeavesTheLastVerifiedReadings) {
  Update();
  ASSERT_EQ(Get(r.vyx, "AD1volt"), "1.252");
  const std::string dif = Get(r.vyx, "DIFcount");

  // Other readings with a wrong checksum, then the line goes before a retry is answered.
  board.script = {[](const Bytes&) {
                    Bytes bad = Block(9, 0x80);
                    bad.back() ^= 1;
                    return std::vector<Piece>{{0.0005, bad}};
                  },
                  Silent};
  Update(0.05);
  r.port.RaiseEvent(CommEvent::Vanished);
  EXPECT_EQ(Get(r.vyx, "AD1volt"), "1.252");
  EXPECT_EQ(Get(r.vyx, "DIFcount"), dif);
  EXPECT_EQ(r.host.newData, 1);
}

TEST_F(ReplyWindowOnce, ACorruptEepromReplyIsAskedAgainNeverUsed) {
  board.SetCalibration(0xBB, 0x80);  // 4.8 V
  board.eepromStrays = 2;            // the marker read and the first identifier byte
  Update(3.0);
  EXPECT_EQ(Get(r.vyx, "IDstring"), "BOARD-7");
  EXPECT_EQ(Get(r.vyx, "Vrefvolt"), "4.8000");
  EXPECT_EQ(r.host.newData, 1);
}

// A document saved on this port while idle, with its update command set.
class ReadyDocument : public PropertyBag {
 public:
  Status Read(std::string_view key, const PropValue& def, BagValue& out) override {
    const std::map<std::string_view, std::string> texts = {{"CommPort", "1"},
                                                           {"CommStatus", "Connect"},
                                                           {"MicroAddress", "0"},
                                                           {"MicroStatus", "Ready"}};
    if (const auto it = texts.find(key); it != texts.end()) {
      out = it->second;
    } else if (key == "UpdateCmd") {
      out = true;
    } else if (const auto* text = std::get_if<std::string>(&def)) {
      out = *text;
    } else {
      out = std::int64_t{0};
    }
    return Status::Ok();
  }
  Status Write(std::string_view, const PropValue&, const PropValue&) override {
    return Status::Ok();
  }
};

TEST_F(ReplyWindowOnce, ARestoreDuringAnUpdateStartsNoSecondOne) {
  Update();
  const std::size_t before = r.port.frames.size();

  board.script = {Late};
  ASSERT_TRUE(r.vyx.Set("UpdateCmd", true));  // awaiting a late reply
  ReadyDocument document;
  ASSERT_TRUE(r.vyx.Restore(document));
  EXPECT_EQ(r.port.frames.size(), before + 1) << "a second update went out on top of the first";
  board.Run(1.5);
  EXPECT_EQ(r.host.newData, 2);
}

}  // namespace
}  // namespace vyx::test
