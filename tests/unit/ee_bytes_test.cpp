// Byte reads and writes through the board's EEPROM window, on a scripted port.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "control/vyx.h"
#include "fake_clock.h"
#include "fake_port.h"
#include "manual_timer.h"
#include "vyx_probe.h"

namespace vyx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A port on which bytes can land just as the blocking wait returns: after the time limit
// has been noticed, before the count is taken.
class LatePort : public FakePort {
 public:
  using FakePort::FakePort;
  IoResult WaitForInput(int n, std::chrono::steady_clock::time_point deadline) override {
    const IoResult r = FakePort::WaitForInput(n, deadline);
    if (!afterWait.empty()) Deliver(afterWait);
    afterWait.clear();
    return r;
  }
  Bytes afterWait;
};

class EeBytesTest : public ::testing::Test {
 protected:
  EeBytesTest() {
    VyxProbe::F(vyx).SetSelected(Field::CmbComm, 1);  // open Comm1
    port.frames.clear();
  }

  int Read(int address) {
    start = clock.Now();
    return VyxProbe::ReadEEByte(vyx, address);
  }
  bool EEok() { return VyxProbe::M(vyx).EEok; }
  double Elapsed() { return std::chrono::duration<double>(clock.Now() - start).count(); }
  Bytes Waiting() const { return Bytes(port.input.begin(), port.input.end()); }
  // The board answers the "Q" of the data register after `delay` seconds.
  void AnswerWith(Bytes reply, double delay = 0.05) {
    port.onWrite = [this, reply, delay](const std::string& frame) {
      if (frame.starts_with("Q")) port.DeliverLater(reply, delay);
    };
  }

  FakeClock clock;
  LatePort port{clock};
  ManualTimer timer;
  Vyx vyx{port, timer, clock};
  std::chrono::steady_clock::time_point start{};
};

TEST_F(EeBytesTest, ReadSendsTheThreeWindowFramesInOrder) {
  AnswerWith({0x42, 0x42});
  EXPECT_EQ(Read(1), 0x42);
  EXPECT_EQ(port.frames, (std::vector<std::string>{"p00A3014", "p00A2402", "Q0A401"}));
}

TEST_F(EeBytesTest, ReadAddressesTheSelectedBoard) {
  VyxProbe::F(vyx).SetSelected(Field::CmbMicro, 2);
  port.frames.clear();
  (void)Read(0x0B);
  EXPECT_EQ(port.frames, (std::vector<std::string>{"p20A30B0", "p20A2404", "Q2A401"}));
}

TEST_F(EeBytesTest, SilentBoardFailsAfterOneBlockingWaitOfTheLimit) {
  // Just before midnight: the time of day wraps during the wait, the limit must not.
  clock.SetTimeOfDay(86399.9);
  EXPECT_EQ(Read(1), 0);
  EXPECT_FALSE(EEok());
  EXPECT_NEAR(Elapsed(), 0.275, 1e-6);
  EXPECT_EQ(port.waits, 1);  // one wait in the system, no polling loop
}

TEST_F(EeBytesTest, ReplyInTimeEndsTheWaitOnceTheLineIsQuiet) {
  AnswerWith({0x37, 0x37}, 0.1);
  EXPECT_EQ(Read(5), 0x37);
  EXPECT_TRUE(EEok());
  // The reply, then about two byte times of silence that show nothing follows it.
  EXPECT_NEAR(Elapsed(), 0.1, 0.001);
  EXPECT_EQ(port.waits, 2);
  EXPECT_TRUE(Waiting().empty());
}

TEST_F(EeBytesTest, OneByteInTimeFailsAndStaysUntilTheNextRead) {
  AnswerWith({0x37}, 0.1);
  EXPECT_EQ(Read(5), 0);
  EXPECT_FALSE(EEok());
  EXPECT_NEAR(Elapsed(), 0.275, 1e-6);
  EXPECT_EQ(Waiting(), Bytes{0x37});

  // The next read empties the buffer first: the old byte never passes for its data byte.
  AnswerWith({0x11, 0x11});
  EXPECT_EQ(Read(6), 0x11);
  EXPECT_TRUE(EEok());
}

TEST_F(EeBytesTest, SecondByteArrivingAsTheLimitPassesStillCounts) {
  port.onWrite = [this](const std::string& frame) {
    if (!frame.starts_with("Q")) return;
    port.DeliverLater({0x5C}, 0.2);
    port.afterWait = {0x5C};  // the checksum, just after the limit was noticed
  };
  EXPECT_EQ(Read(3), 0x5C);
  EXPECT_TRUE(EEok());
  EXPECT_NEAR(Elapsed(), 0.275, 0.001);
}

// Replies of the wrong length or with a wrong check byte, each followed by the given
// answers to the asks after it.
struct CorruptCase {
  const char* name;
  std::vector<Bytes> answers;
  int value;
  std::size_t asks;
};

class CorruptReply : public EeBytesTest, public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(CorruptReply, IsAskedAgainAndNeverUsed) {
  auto answers = std::make_shared<std::vector<Bytes>>(GetParam().answers);
  port.onWrite = [this, answers](const std::string& frame) {
    if (!frame.starts_with("Q") || answers->empty()) return;
    port.DeliverLater(answers->front(), 0.01);
    answers->erase(answers->begin());
  };
  EXPECT_EQ(Read(3), GetParam().value);
  EXPECT_EQ(EEok(), GetParam().value != 0);
  EXPECT_EQ(port.frames.size(), 3 * GetParam().asks) << "each ask is the three window frames";
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CorruptReply,
    ::testing::Values(CorruptCase{"StrayByteInFront", {{0x5A, 0x21, 0x21}, {0x21, 0x21}}, 0x21, 2},
                      CorruptCase{"WrongCheckByte", {{0x21, 0x99}, {0x21, 0x21}}, 0x21, 2},
                      CorruptCase{
                          "TwoRepliesInARow", {{0x21, 0x21, 0x21, 0x21}, {0x21, 0x21}}, 0x21, 2},
                      CorruptCase{"CorruptEveryTime", {{1, 2, 3}, {4, 5}, {6, 6, 6}}, 0, 3}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(EeBytesTest, InputWaitingBeforeTheReadIsDiscarded) {
  port.Deliver({0xEE, 0xEE, 0xEE});
  EXPECT_EQ(Read(1), 0);  // silent board: the stale bytes are not its answer
  EXPECT_FALSE(EEok());
  EXPECT_TRUE(Waiting().empty());

  port.Deliver({0xEE, 0xEE});
  AnswerWith({0x05, 0x05});
  EXPECT_EQ(Read(1), 0x05);
  EXPECT_EQ(port.discards, 2);
}

TEST_F(EeBytesTest, WriteSendsSixFramesAndLeavesTheInputAlone) {
  port.Deliver({0x01});
  VyxProbe::WriteEEByte(vyx, 2, 0x56);
  EXPECT_EQ(port.frames, (std::vector<std::string>{"p00A3025", "p00A3025", "p00A3025", "p00A3025",
                                                   "p00A456A", "p00A2857"}));
  EXPECT_EQ(port.discards, 0);
  EXPECT_EQ(port.waits, 0);
  EXPECT_EQ(Waiting(), Bytes{0x01});
}

struct PortErrorCase {
  const char* name;
  FakePort::Op op;
};

class EeBytesPortErrorTest : public EeBytesTest,
                             public ::testing::WithParamInterface<PortErrorCase> {};

TEST_P(EeBytesPortErrorTest, ErrorReadsAsNoBytesAndTheNextReadWorks) {
  port.Deliver({0xEE, 0xEE});  // stale bytes that must not be taken for an answer
  AnswerWith({0x42, 0x42}, 0.0);
  port.Fail(GetParam().op, IoResult::NoDevice);
  EXPECT_EQ(Read(1), 0);
  EXPECT_FALSE(EEok());

  port.Heal(GetParam().op);
  EXPECT_EQ(Read(1), 0x42);
  EXPECT_TRUE(EEok());
}

INSTANTIATE_TEST_SUITE_P(WhileEmptyingCountingOrReading, EeBytesPortErrorTest,
                         ::testing::Values(PortErrorCase{"Discard", FakePort::Op::Discard},
                                           PortErrorCase{"Count", FakePort::Op::Count},
                                           PortErrorCase{"Read", FakePort::Op::Read}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(EeBytesTest, FailedWaitLeavesTheDecisionToTheCount) {
  port.onWrite = [this](const std::string& frame) {
    if (frame.starts_with("Q")) port.Deliver({0x42, 0x42});  // there before the wait
  };
  port.Fail(FakePort::Op::Wait);
  EXPECT_EQ(Read(1), 0x42);
  EXPECT_TRUE(EEok());
}

}  // namespace
}  // namespace vyx::test
