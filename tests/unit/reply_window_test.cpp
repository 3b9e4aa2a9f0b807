// Which bytes become readings on a line paced like a 38400-baud wire: stray bytes, shifted
// windows that pass the checksum, replies still arriving when a try fails, a slow board, a
// rejected reply before the line goes, corrupt EEPROM replies.
#include <gtest/gtest.h>

#include "fake_board.h"

namespace vyx::test {
namespace {

using Pieces = FakeBoard::Pieces;

// The byte that, sent before `reply`, shifts a window that still passes the checksum.
std::uint8_t PassingStray(const Bytes& reply) {
  const unsigned sum = std::accumulate(reply.begin(), reply.end() - 2, 0u);
  return static_cast<std::uint8_t>(reply[reply.size() - 2] - sum);
}
Pieces WithStray(Bytes b, std::uint8_t stray) {
  b.insert(b.begin(), stray);
  return {{0.0005, b}};
}

struct Line {
  Line() {
    board.regs[0] = 12;    // firmware 1.2
    board.regs[5] = 0x40;  // AD1 1.252 V
    board.countInDif = true;
    board.Hold("BOARD-7", 0xC3, 0x50);  // 5 V
    r.Connect();
    r.host.onNewData = [this] {
      shown.push_back(r.Get("DIFcount") + " " + r.Get("FWver") + " " + r.Get("AD1volt"));
    };
  }
  void Update(double seconds = 1.5) {
    r.Update();
    r.Run(seconds);
  }
  Rig r;
  FakeBoard board{r};
  Strings shown;
};

// Three updates, the second meeting the fault: each NewData shows the answer to the last
// request sent, with the board's true inputs, and no update fails.
TEST(ReplyWindow, OnlyTheAnswerToTheLastRequestIsShown) {
  const std::pair<const char*, FakeBoard::Answer> rows[] = {
      {"stray byte", [](const Bytes& b) { return WithStray(b, PassingStray(b) + 1); }},
      {"stray whose window passes", [](const Bytes& b) { return WithStray(b, PassingStray(b)); }},
      {"stray whose window passes and shows the firmware version",
       [](const Bytes& b) {
         // The last register takes the value that puts the version in front of the shifted
         // window, as one reply in 256 has it by chance.
         Bytes regs(b.begin(), b.end() - 1);
         regs[24] =
             static_cast<std::uint8_t>(regs[0] + std::accumulate(regs.begin(), regs.end() - 1, 0u));
         const Bytes reply = StatusReply(regs);
         EXPECT_EQ(PassingStray(reply), regs[0]);
         return WithStray(reply, PassingStray(reply));
       }},
      {"still arriving at the retry",
       [](const Bytes& b) {
         return Pieces{{0.100, Bytes(b.begin(), b.begin() + 10)},
                       {0.221, Bytes(b.begin() + 10, b.end())}};
       }},
      {"slow board", [](const Bytes& b) {
         return Pieces{{0.150, b}};
       }}};
  for (const auto& [name, answer] : rows) {
    SCOPED_TRACE(name);
    Line l;
    Strings want;
    for (int update = 0; update < 3; ++update) {
      if (update == 1) l.board.script = {answer};
      l.Update();
      want.push_back(std::to_string(l.board.requests) + " 1.2 1.252");
    }
    EXPECT_EQ(l.shown, want);
  }
}

// An adapter hands replies over in pieces 2 ms apart. A late reply that fails its window has
// the retry's reply queued behind it: the next try waits for that one's last piece too, or its
// window would hold that reply, the answer to an earlier request.
TEST(ReplyWindow, TheNextTryWaitsForTheLastPieceOfALateReply) {
  Line l;
  l.board.handover = 8;
  for (int update = 0; update < 3; ++update) {
    if (update == 1) {
      l.board.script = {[](const Bytes& b) {
        Bytes late = b;
        late.insert(late.begin(), 0x5A);
        return Pieces{{0.150, late}};
      }};
    }
    l.Update();
  }
  EXPECT_EQ(l.shown, (Strings{"1 1.2 1.252", "4 1.2 1.252", "5 1.2 1.252"}));
}

// Such a board's windows look like shifted ones; the line's silence after them proves them.
TEST(ReplyWindow, ABoardWhoseResetRegisterReadsAsItsVersionLosesNoReply) {
  Line l;
  l.board.regs[1] = l.board.regs[0];
  for (int update = 0; update < 3; ++update) l.Update();
  EXPECT_EQ(l.shown, (Strings{"1 1.2 1.252", "2 1.2 1.252", "3 1.2 1.252"}));
}

TEST(ReplyWindow, AnotherFirmwareVersionIsBelievedWhenTheNextWindowShowsItToo) {
  Line l;
  l.Update();
  const auto newFirmware = [](const Bytes& b) {
    Bytes regs(b.begin(), b.end() - 1);
    regs[0] = 13;
    return Pieces{{0.0005, StatusReply(regs)}};
  };
  l.board.script = {newFirmware, newFirmware};
  l.Update();
  EXPECT_EQ(l.shown, (Strings{"1 1.2 1.252", "3 1.3 1.252"}));
}

TEST(ReplyWindow, ARejectedReplyLeavesTheLastVerifiedReadings) {
  Line l;
  l.Update();
  l.board.script = {[](const Bytes& b) {
                      Bytes bad = b;
                      bad[5] = 0x80;  // other readings, and a sum that no longer fits
                      return Pieces{{0.0005, bad}};
                    },
                    [](const Bytes&) { return Pieces{}; }};
  l.Update(0.05);
  l.r.port.RaiseEvent(CommEvent::Vanished);
  EXPECT_EQ(l.r.Get("AD1volt"), "1.252");
  EXPECT_EQ(l.r.Get("DIFcount"), "1");
  EXPECT_EQ(l.shown.size(), 1u);
}

TEST(ReplyWindow, CorruptEepromRepliesAreAskedAgainNeverUsed) {
  Line l;
  l.board.Hold("BOARD-7", 0xBB, 0x80);  // 4.8 V
  l.board.eepromStrays = 2;             // the marker and the first identifier byte
  l.Update(3.0);
  EXPECT_EQ(l.r.Get("IDstring") + " " + l.r.Get("Vrefvolt"), "BOARD-7 4.8000");

  Line noisy;  // every EEPROM reply corrupt: three asks a byte, then the defaults
  noisy.board.eepromStrays = 1000;
  noisy.Update(3.0);
  EXPECT_EQ(noisy.r.Get("IDstring") + " " + noisy.r.Get("Vrefvolt"), "Vantrel 5.0000");
  EXPECT_EQ(noisy.board.reads, (std::vector<int>{1, 1, 1, 10, 10, 10, 11, 11, 11}));
  EXPECT_EQ(noisy.shown.size(), 1u);
}

}  // namespace
}  // namespace vyx::test
