// The status reply and its time-out: length and checksum, the register image, the reply
// counter, the 0.11 s and 0.22 s limits on the monotonic clock, and port trouble.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "rig.h"

namespace vyx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Reception : public ::testing::Test {
 protected:
  void SetUp() override {
    r.Connect();
    // A board that answered before, so a reply is decoded without the first-answer reads.
    r.m().BoardOnline[0] = true;
  }
  const std::string& Status() { return r.vyx.Fields().Caption(Field::LblStatus); }
  float Image(int reg) { return r.m().RegImage[0][static_cast<std::size_t>(reg)]; }
  // A try failed and the next one went out.
  void ExpectRetried(int tries) {
    EXPECT_EQ(r.m().TryCount, tries);
    EXPECT_EQ(r.port.frames.size(), static_cast<std::size_t>(tries) + 1);
    EXPECT_EQ(Status(), "Busy");
    EXPECT_EQ(r.text(Field::TxtEvent), "0");
  }
  Rig r;
};

Bytes OneToTwentyFive() {
  Bytes b(25);
  std::iota(b.begin(), b.end(), std::uint8_t{1});
  return b;
}

struct ChecksumCase {
  const char* name;
  Bytes data;
  std::uint8_t checksum;
  bool valid;
};

class Checksum : public Reception, public ::testing::WithParamInterface<ChecksumCase> {};

TEST_P(Checksum, DecidesTheTryAndOnlyAValidReplyReachesTheImage) {
  const ChecksumCase& c = GetParam();
  r.Update();
  Bytes reply = c.data;
  reply.push_back(c.checksum);
  r.port.Deliver(reply);

  for (std::size_t i = 0; i < 25; ++i) {
    EXPECT_EQ(Image(0x21 + static_cast<int>(i)), c.valid ? c.data[i] : 0)
        << "register " << 0x21 + i;
  }
  if (c.valid) {
    EXPECT_EQ(Status(), "Ready");
    EXPECT_EQ(r.m().TryCount, 0);
    EXPECT_EQ(r.text(Field::TxtEvent), "1");
    EXPECT_EQ(r.port.frames.size(), 1u);
  } else {
    ExpectRetried(1);
  }
}

Bytes SumOf256() {
  Bytes b(25, 0);
  b[0] = 200;
  b[24] = 56;
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Checksum,
    ::testing::Values(ChecksumCase{"OneToTwentyFiveWith69", OneToTwentyFive(), 69, true},
                      ChecksumCase{"OneToTwentyFiveWith68", OneToTwentyFive(), 68, false},
                      ChecksumCase{"OneToTwentyFiveWith70", OneToTwentyFive(), 70, false},
                      ChecksumCase{"Unreduced325", OneToTwentyFive(), 325 - 256 + 1, false},
                      ChecksumCase{"SumOf256With0", SumOf256(), 0, true},
                      ChecksumCase{"SumOf256With255", SumOf256(), 255, false},
                      ChecksumCase{"AllZero", Bytes(25, 0), 0, true},
                      ChecksumCase{"AllMax", Bytes(25, 255), 231, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Reception, WrongLengthFailsTheTryAndLeavesTheImage) {
  r.Update();
  Bytes reply = StatusReply(OneToTwentyFive());
  reply.insert(reply.begin(), 0x55);  // one stray byte before a valid block
  r.port.Deliver(reply);
  ExpectRetried(1);
  EXPECT_EQ(Image(0x21), 0.0f);
  EXPECT_TRUE(r.port.input.empty()) << "the next try empties the buffer";

  // A notification with too few bytes is a failed try as well.
  r.port.Deliver({1, 2, 3});
  r.port.RaiseEvent(CommEvent::Receive);
  ExpectRetried(2);
}

TEST_F(Reception, AReplyInPiecesIsOneReply) {
  r.Update();
  const Bytes reply = StatusReply(OneToTwentyFive());
  r.port.Deliver(Bytes(reply.begin(), reply.begin() + 10));
  EXPECT_EQ(Status(), "Busy");
  r.port.Deliver(Bytes(reply.begin() + 10, reply.end()));
  EXPECT_EQ(Status(), "Ready");
  EXPECT_EQ(r.text(Field::TxtEvent), "1");
}

TEST_F(Reception, EventsWhileNotAwaitingLeaveTheBufferAlone) {
  r.Update();
  r.f().SetValue(Field::CmdClear, true);  // ends the update
  r.m().BoardOnline[0] = true;
  r.m().NamePending = r.m().VrefPending = false;  // blanked by Clear; not under test here
  r.port.Deliver(StatusReply({}));
  r.port.RaiseEvent(CommEvent::Receive);
  r.port.RaiseEvent(CommEvent::Error);
  EXPECT_EQ(r.port.input.size(), 26u);
  EXPECT_EQ(r.text(Field::TxtEvent), "0");
  EXPECT_EQ(r.port.frames.size(), 1u);

  // The next try discards them before its request, so they are not taken for its reply.
  r.Update();
  EXPECT_TRUE(r.port.input.empty());
  EXPECT_EQ(Status(), "Busy");
}

TEST_F(Reception, EventsWhileOfflineAreIgnored) {
  r.Update();
  r.f().SetCaption(Field::LblComm, "Offline");
  r.port.Deliver(StatusReply({}));
  r.port.RaiseEvent(CommEvent::Receive);
  r.port.RaiseEvent(CommEvent::Vanished);
  EXPECT_EQ(r.port.input.size(), 26u);
  EXPECT_EQ(r.text(Field::TxtEvent), "0");
  EXPECT_TRUE(r.port.IsOpen());
}

TEST_F(Reception, FirstAnswerReadsTheEepromRecordsOnlyOnce) {  // needs the record reads
  r.m().BoardOnline[0] = false;
  r.Update();
  r.Answer();
  EXPECT_TRUE(r.m().BoardOnline[0]);
  EXPECT_FALSE(r.m().EEReadDue[0]) << "the decode reads the records and clears the flag";
  const std::size_t afterFirst = r.port.frames.size();
  EXPECT_GT(afterFirst, 1u) << "the first answer reads the EEPROM records";

  r.Update();
  r.Answer();
  EXPECT_EQ(r.port.frames.size(), afterFirst + 1) << "the second answer reads nothing more";
}

TEST_F(Reception, CounterRisesOncePerSuccessfulUpdate) {
  r.f().SetText(Field::TxtEvent, "41");
  const int before = r.host.newData;
  std::vector<std::string> atNewData;
  r.host.onNewData = [&] {
    // The host reads a finished update: the panel is decoded and the status is "Ready".
    atNewData.push_back(Status() + (r.m().AwaitReply ? " awaiting" : ""));
  };

  r.Update();  // a failed try, then success
  r.TickAfter(0.11);
  r.Answer();
  EXPECT_EQ(r.text(Field::TxtEvent), "42");

  r.Update();  // three failures: no count
  for (int i = 0; i < 3; ++i) r.TickAfter(0.11);
  EXPECT_EQ(r.text(Field::TxtEvent), "42");

  r.Update();
  r.Answer();
  EXPECT_EQ(r.text(Field::TxtEvent), "43");
  EXPECT_EQ(r.host.newData - before, 2);
  EXPECT_EQ(atNewData, (std::vector<std::string>{"Ready", "Ready"}));
}

// Ticks at a given time after the final frame, with or without some bytes waiting.
struct TickCase {
  const char* name;
  double after;
  std::size_t waiting;
  bool fails;
};

class Timeout : public Reception, public ::testing::WithParamInterface<TickCase> {};

TEST_P(Timeout, LimitsAreStrictAsWritten) {
  const TickCase& c = GetParam();
  r.Update();
  if (c.waiting > 0) r.port.Deliver(Bytes(c.waiting, 7));
  r.TickAfter(c.after);
  if (c.fails) {
    ExpectRetried(1);
  } else {
    EXPECT_EQ(r.m().TryCount, 0);
    EXPECT_EQ(r.port.frames.size(), 1u);
    EXPECT_TRUE(r.m().AwaitReply);
  }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, Timeout,
                         ::testing::Values(TickCase{"SilentBefore110ms", 0.1099, 0, false},
                                           TickCase{"SilentAtExactly110ms", 0.11, 0, true},
                                           TickCase{"SilentLater", 0.5, 0, true},
                                           TickCase{"BegunAt110ms", 0.11, 10, false},
                                           TickCase{"BegunAtExactly220ms", 0.22, 25, false},
                                           TickCase{"BegunAfter220ms", 0.2201, 1, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Reception, IncompleteReplyAt220msFailsAtTheNextTick) {
  r.Update();
  r.port.Deliver(Bytes(10, 1));
  r.TickAfter(0.11);  // 0.11 s
  r.TickAfter(0.11);  // exactly 0.22 s: still waiting
  EXPECT_EQ(r.m().TryCount, 0);
  r.TickAfter(0.11);  // 0.33 s
  ExpectRetried(1);
}

TEST_F(Reception, TimeOutHoldsAcrossMidnight) {
  r.clock.SetTimeOfDay(86399.95);
  r.Update();
  r.TickAfter(0.11);  // the time of day reads 0.06 now
  ExpectRetried(1);
  r.clock.SetTimeOfDay(50000.0);  // the time of day jumps; elapsed time does not
  r.TickAfter(0.109);
  EXPECT_EQ(r.m().TryCount, 1) << "0.109 s is not yet a time-out, whatever the time of day";
}

TEST_F(Reception, TicksWhileIdleDoNothing) {
  r.timer.interval = 110;
  r.timer.enabled = true;  // a tick that was already queued when the update ended
  r.TickAfter(1.0);
  EXPECT_TRUE(r.port.frames.empty());
  EXPECT_EQ(Status(), "Ready");
}

TEST_F(Reception, VanishedDeviceEndsTheUpdateAndGoesOffline) {
  r.Update();
  r.port.RaiseEvent(CommEvent::Vanished);
  EXPECT_EQ(Status(), "Ready");
  EXPECT_FALSE(r.m().AwaitReply);
  EXPECT_FALSE(r.timer.enabled);
  EXPECT_EQ(r.m().TryCount, 0);
  EXPECT_EQ(r.port.frames.size(), 1u) << "not a failed try: nothing is sent again";
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblComm), "Offline");
  EXPECT_EQ(r.vyx.Fields().Color(Field::LblComm), kColorRed);
  EXPECT_EQ(r.vyx.Fields().Selected(Field::CmbComm), 0);
  EXPECT_FALSE(r.port.IsOpen());
  EXPECT_EQ(r.text(Field::TxtEvent), "0");
}

TEST_F(Reception, VanishedDeviceWhileIdleGoesOffline) {
  r.port.RaiseEvent(CommEvent::Vanished);
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblComm), "Offline");
  EXPECT_FALSE(r.port.IsOpen());
  EXPECT_EQ(Status(), "Ready");
}

TEST_F(Reception, PortErrorIsJudgedByWhatWaits) {
  r.Update();
  r.port.Deliver(Bytes(10, 1));
  r.port.RaiseEvent(CommEvent::Error);
  ExpectRetried(1);

  r.port.Deliver(StatusReply(OneToTwentyFive()));  // raises Receive itself
  EXPECT_EQ(Status(), "Ready");
  EXPECT_EQ(r.text(Field::TxtEvent), "1");
}

struct BrokenCase {
  const char* name;
  FakePort::Op op;
  bool byTimer;
};

class BrokenPort : public Reception, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenPort, FailsTheTryAndTheUpdateStillEnds) {
  r.Update();
  r.port.Fail(GetParam().op);
  for (int i = 1; i <= 3; ++i) {
    if (GetParam().byTimer) {
      r.port.Deliver(Bytes(3, 1));
      r.TickAfter(0.11);
    } else {
      // Bytes put straight into the buffer, so that only this one notification arrives.
      const Bytes reply = StatusReply(OneToTwentyFive());
      r.port.input.assign(reply.begin(), reply.end());
      r.port.RaiseEvent(CommEvent::Receive);
    }
    EXPECT_EQ(r.m().TryCount, i < 3 ? i : 0);
  }
  EXPECT_EQ(Status(), "Ready");
  EXPECT_FALSE(r.m().AwaitReply);
  EXPECT_EQ(r.text(Field::TxtEvent), "0");
}

INSTANTIATE_TEST_SUITE_P(Failures, BrokenPort,
                         ::testing::Values(BrokenCase{"CountOnEvent", FakePort::Op::Count, false},
                                           BrokenCase{"ReadOnEvent", FakePort::Op::Read, false},
                                           BrokenCase{"CountOnTick", FakePort::Op::Count, true}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace vyx::test
