// The update conversation on the doubles: which frames go out, in which order, which
// pending flags each update consumes, the three tries, and every way an update ends.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "rig.h"

namespace vyx::test {
namespace {

using Strings = std::vector<std::string>;

std::string Frame(std::string_view letter, int reg, int value1, int value2, int address = 0) {
  return protocol::BuildFrame(letter, address, 0, reg, value1, value2);
}

const std::string kStatus = "Q02119";  // registers 0x21..0x39 of board 0

struct Pending {
  bool DO = false, RST = false, DPW = false, DOG = false, PWM = false;
};

void SetPending(Members& m, const Pending& p) {
  m.NamePending = m.VrefPending = false;
  m.DOPending = p.DO;
  m.RSTPending = p.RST;
  m.DPWPending = p.DPW;
  m.DOGPending = p.DOG;
  m.PWMPending = p.PWM;
}

void ExpectIdle(Rig& r) {
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Ready");
  EXPECT_FALSE(r.m().AwaitReply);
  EXPECT_EQ(r.m().TryCount, 0);
  EXPECT_FALSE(r.timer.enabled);
  EXPECT_EQ(r.timer.interval, 0);
  EXPECT_EQ(r.port.threshold, 0);
}

void ExpectAwaiting(Rig& r) {
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Busy");
  EXPECT_TRUE(r.m().AwaitReply);
  EXPECT_TRUE(r.timer.enabled);
  EXPECT_EQ(r.timer.interval, 110);
  EXPECT_EQ(r.port.threshold, 26);
}

class Sequencer : public ::testing::Test {
 protected:
  void SetUp() override { r.Connect(); }
  // A board that answered before, without the EEPROM reads of a first answer.
  void Online(int board = 0) { r.m().BoardOnline[static_cast<std::size_t>(board)] = true; }
  Rig r;
};

// One update of an online board, its panel and flags set up by `panel`.
struct PendingCase {
  const char* name;
  std::function<void(FieldStore&)> panel;
  Pending pending;
  Strings frames;
};

class PendingWrites : public Sequencer, public ::testing::WithParamInterface<PendingCase> {};

TEST_P(PendingWrites, GoOutInTableOrderBeforeTheFinalFrame) {
  const PendingCase& c = GetParam();
  Online();
  if (c.panel) c.panel(r.f());
  SetPending(r.m(), c.pending);
  r.Update();

  EXPECT_EQ(r.port.frames, c.frames);
  for (bool flag :
       {r.m().DOPending, r.m().RSTPending, r.m().DPWPending, r.m().DOGPending, r.m().PWMPending}) {
    EXPECT_FALSE(flag) << "every row clears its flag, whether or not it sent anything";
  }
  ExpectAwaiting(r);
}

const Pending kNone{};
void Check(FieldStore& f, std::initializer_list<Field> boxes) {
  for (Field b : boxes) f.SetState(b, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PendingWrites,
    ::testing::Values(
        PendingCase{"NothingPendingSendsOneStatusRequest", nullptr, kNone, {kStatus}},
        PendingCase{"PwmWriteReplacesTheStatusRequest",
                    [](FieldStore& f) { f.SetText(Field::TxtPWM, "50"); },
                    {.PWM = true},
                    {"u00367D008"}},
        PendingCase{"OutputByteOfDonAndDos",
                    [](FieldStore& f) {
                      Check(f, {Field::ChkDON, Field::ChkDOS});
                    },
                    {.DO = true},
                    {"p0023903", kStatus}},
        PendingCase{"ResetFlagsClearedWithTwoFrames",
                    nullptr,
                    {.RST = true},
                    {Frame("r", 0x22, 0, 2), Frame("r", 0x22, 0, 1), kStatus}},
        PendingCase{"NoResetFrameWhileChkRstIsChecked",
                    [](FieldStore& f) { f.SetState(Field::ChkRST, 1); },
                    {.RST = true},
                    {kStatus}},
        PendingCase{"DoeDpwAndPwmInOrder",
                    [](FieldStore& f) {
                      Check(f, {Field::ChkDOE});
                      f.SetText(Field::TxtDPW, "50");
                      f.SetText(Field::TxtPWM, "25");
                    },
                    {.DO = true, .DPW = true, .PWM = true},
                    {Frame("p", 0x23, 0, 32), Frame("p", 0x38, 0, 80), Frame("u", 0x36, 62, 128)}},
        PendingCase{"DutyAboveFullIsSentAsFull",
                    [](FieldStore& f) { f.SetText(Field::TxtDPW, "150"); },
                    {.DPW = true},
                    {Frame("p", 0x38, 0, 160), kStatus}},
        PendingCase{"NegativeDutyIsSentAsZero",
                    [](FieldStore& f) { f.SetText(Field::TxtDPW, "-5"); },
                    {.DPW = true},
                    {Frame("p", 0x38, 0, 0), kStatus}},
        PendingCase{"DogDutyToItsOwnRegister",
                    [](FieldStore& f) { f.SetText(Field::TxtDOG, "33.3"); },
                    {.DOG = true},
                    {Frame("p", 0x39, 0, 53), kStatus}},
        PendingCase{"EmptyDutyTextsSendNothing",
                    [](FieldStore& f) {
                      for (Field duty : {Field::TxtDPW, Field::TxtDOG, Field::TxtPWM}) {
                        f.SetText(duty, "");
                      }
                    },
                    {.DPW = true, .DOG = true, .PWM = true},
                    {kStatus}},
        PendingCase{"EveryRowInOrder",
                    [](FieldStore& f) {
                      Check(f, {Field::ChkDOK});
                      f.SetText(Field::TxtDPW, "100");
                      f.SetText(Field::TxtDOG, "0");
                      f.SetText(Field::TxtPWM, "100");
                    },
                    {.DO = true, .RST = true, .DPW = true, .DOG = true, .PWM = true},
                    {Frame("p", 0x23, 0, 64), Frame("r", 0x22, 0, 2), Frame("r", 0x22, 0, 1),
                     Frame("p", 0x38, 0, 160), Frame("p", 0x39, 0, 0), Frame("u", 0x36, 250, 0)}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Sequencer, UnansweredAddressGetsALoneStatusRequestAndDropsDutyEdits) {
  r.f().SetText(Field::TxtPWM, "50");
  r.f().SetText(Field::TxtDPW, "50");
  r.f().SetText(Field::TxtDOG, "50");
  Members& m = r.m();
  m.DOPending = m.RSTPending = m.DPWPending = m.DOGPending = m.PWMPending = true;
  m.NamePending = m.VrefPending = true;
  r.Update();

  EXPECT_EQ(r.port.frames, Strings{kStatus});
  ExpectAwaiting(r);
  EXPECT_FALSE(m.PWMPending || m.DPWPending || m.DOGPending);
  // These wait for the first update after the board has answered.
  EXPECT_TRUE(m.NamePending && m.VrefPending && m.DOPending && m.RSTPending);

  r.Answer();
  EXPECT_TRUE(m.BoardOnline[0]);
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Ready");
}

TEST_F(Sequencer, InputBeforeTheFinalFrameIsDiscarded) {
  Online();
  Check(r.f(), {Field::ChkDON});
  SetPending(r.m(), {.DO = true});
  // Something arrives while the output byte goes out; it must not count towards the reply.
  r.port.onWrite = [this](const std::string& frame) {
    if (frame[0] == 'p') r.port.input.assign(5, 0xEE);
  };
  r.Update();
  EXPECT_TRUE(r.port.input.empty());

  r.Answer({1, 2, 3});
  EXPECT_EQ(r.text(Field::TxtEvent), "1");
}

TEST_F(Sequencer, ThreeUnansweredTriesEndTheUpdateAndTheBoardStartsOver) {
  Online();
  r.f().SetText(Field::TxtPWM, "50");
  SetPending(r.m(), {.PWM = true});
  r.Update();
  r.TickAfter(0.11);
  EXPECT_EQ(r.m().TryCount, 1);
  ExpectAwaiting(r);
  r.TickAfter(0.11);
  EXPECT_EQ(r.m().TryCount, 2);
  ExpectAwaiting(r);
  r.TickAfter(0.11);

  // The PWM write went with the first try; the retries only ask for the status.
  EXPECT_EQ(r.port.frames, (Strings{"u00367D008", kStatus, kStatus}));
  ExpectIdle(r);
  EXPECT_FALSE(r.m().BoardOnline[0]);
  EXPECT_EQ(r.text(Field::TxtEvent), "0");
  EXPECT_EQ(r.host.newData, 0);
  EXPECT_FALSE(r.timer.Fire()) << "the timer stops with the update";

  // Pending outputs are not sent to a board that failed its last update.
  Check(r.f(), {Field::ChkDOS});
  SetPending(r.m(), {.DO = true});
  r.port.frames.clear();
  r.Update();
  EXPECT_EQ(r.port.frames, Strings{kStatus});
}

TEST_F(Sequencer, ThirdFailureClearsTheFields) {  // needs the decoder and ClearFields
  Online();
  r.Update();
  r.Answer({50, 0, 0, 0x12, 0x34});
  ASSERT_FALSE(r.text(Field::TxtAD0).empty());
  r.Update();
  for (int i = 0; i < 3; ++i) r.TickAfter(0.11);
  EXPECT_EQ(r.text(Field::TxtAD0), "");
}

TEST_F(Sequencer, RetryCarriesOutFlagsSetSinceTheLastTry) {
  Online();
  r.Update();
  Check(r.f(), {Field::ChkDON});
  SetPending(r.m(), {.DO = true});
  r.TickAfter(0.11);
  EXPECT_EQ(r.port.frames, (Strings{kStatus, Frame("p", 0x23, 0, 16), kStatus}));
  EXPECT_FALSE(r.m().DOPending);
}

TEST_F(Sequencer, UpdateWhileBusyDoesNothing) {
  Online();
  r.Update();
  r.TickAfter(0.11);
  ASSERT_EQ(r.m().TryCount, 1);
  const int discards = r.port.discards;
  r.Update();
  EXPECT_EQ(r.port.frames.size(), 2u);
  EXPECT_EQ(r.port.discards, discards);
  EXPECT_EQ(r.m().TryCount, 1);
  ExpectAwaiting(r);
}

struct EndingCase {
  const char* name;
  std::function<void(Rig&)> act;
};

class EndedFromOutside : public Sequencer, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(EndedFromOutside, EndsAtOnceAndIgnoresTheLateReply) {
  Online();
  r.Update();
  r.TickAfter(0.11);
  ASSERT_EQ(r.m().TryCount, 1);
  GetParam().act(r);
  ExpectIdle(r);

  // The reply that was on its way changes nothing.
  r.port.Deliver(StatusReply({}));
  r.port.RaiseEvent(CommEvent::Receive);
  EXPECT_EQ(r.text(Field::TxtEvent), "0");
  EXPECT_EQ(r.port.frames.size(), 2u);

  // The next update starts from its first try.
  int tryAtFirstFrame = -1;
  r.port.onWrite = [&](const std::string&) {
    if (tryAtFirstFrame < 0) tryAtFirstFrame = r.m().TryCount;
  };
  r.Update();
  EXPECT_EQ(tryAtFirstFrame, 0);
}

INSTANTIATE_TEST_SUITE_P(Changes, EndedFromOutside,
                         ::testing::Values(EndingCase{"PortChange", [](Rig& r) { r.Connect(2); }},
                                           EndingCase{"AddressChange",
                                                      [](Rig& r) {
                                                        r.f().SetSelected(Field::CmbMicro, 1);
                                                        r.f().SetSelected(Field::CmbMicro, 0);
                                                      }},
                                           EndingCase{"Clear",
                                                      [](Rig& r) {
                                                        r.f().SetValue(Field::CmdClear, true);
                                                        r.m().BoardOnline[0] = true;
                                                      }}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Sequencer, TryCountIsZeroAtTheStartOfEveryUpdate) {
  Online();
  std::vector<int> tries;
  r.port.onWrite = [&](const std::string&) { tries.push_back(r.m().TryCount); };
  r.Update();  // one failed try, then an answer
  r.TickAfter(0.11);
  r.Answer();
  r.Update();  // three failed tries
  for (int i = 0; i < 3; ++i) r.TickAfter(0.11);
  r.Update();
  EXPECT_EQ(tries, (std::vector<int>{0, 1, 0, 1, 2, 0}));
}

TEST_F(Sequencer, FailedWriteEndsTheUpdateAndKeepsTheEditsPending) {
  struct Row {
    const char* name;
    Pending pending;
    bool healWhenReady;  // the port recovers as soon as the failure has shown "Ready"
  };
  for (const Row& row : {Row{"first frame", {.DO = true, .PWM = true}, false},
                         Row{"recovers at once", {.DO = true, .RST = true}, true},
                         Row{"final frame", {.PWM = true}, false}}) {
    SCOPED_TRACE(row.name);
    Rig rig;
    rig.Connect();
    rig.m().BoardOnline[0] = true;
    if (row.pending.DO) Check(rig.f(), {Field::ChkDON});
    rig.f().SetText(Field::TxtPWM, "50");
    SetPending(rig.m(), row.pending);
    rig.port.Fail(FakePort::Op::Write);
    if (row.healWhenReady) {
      rig.vyx.SetFieldObserver([&rig](Field f) {
        if (f == Field::LblStatus && rig.vyx.Fields().Caption(f) == "Ready") {
          rig.port.Heal(FakePort::Op::Write);
        }
      });
    }
    rig.Update();
    EXPECT_TRUE(rig.port.frames.empty());
    ExpectIdle(rig);
    EXPECT_EQ(rig.m().DOPending, row.pending.DO);
    EXPECT_EQ(rig.m().RSTPending, row.pending.RST);
    EXPECT_EQ(rig.m().PWMPending, row.pending.PWM);
  }
  // The edits go out with the next update once the port works again.
  r.m().BoardOnline[0] = true;
  Check(r.f(), {Field::ChkDON});
  r.f().SetText(Field::TxtPWM, "50");
  SetPending(r.m(), {.DO = true, .PWM = true});
  r.Update();
  EXPECT_EQ(r.port.frames, (Strings{Frame("p", 0x23, 0, 16), "u00367D008"}));
}

TEST(SequencerOffline, UpdateWhileOfflineEndsAtOnce) {
  Rig r;  // no port chosen
  r.Update();
  EXPECT_TRUE(r.port.frames.empty());
  ExpectIdle(r);
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblComm), "Offline");
}

class ArmingRefused : public Sequencer, public ::testing::WithParamInterface<FakePort::Op> {};

TEST_P(ArmingRefused, EndsTheUpdateBeforeTheFinalFrame) {
  Online();
  Check(r.f(), {Field::ChkDOE});
  r.f().SetText(Field::TxtPWM, "25");
  SetPending(r.m(), {.DO = true, .PWM = true});
  r.port.Fail(GetParam());
  r.Update();

  EXPECT_EQ(r.port.frames, Strings{Frame("p", 0x23, 0, 32)});
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Ready");
  EXPECT_FALSE(r.m().AwaitReply);
  EXPECT_FALSE(r.timer.enabled);
  EXPECT_TRUE(r.m().PWMPending) << "the PWM write was never sent";
  EXPECT_EQ(r.m().TryCount, 0);
}

TEST_P(ArmingRefused, EndsAFirstStatusRequestToo) {
  r.port.Fail(GetParam());
  r.Update();
  EXPECT_TRUE(r.port.frames.empty());
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Ready");
  EXPECT_FALSE(r.m().AwaitReply);
  EXPECT_FALSE(r.timer.enabled);
}

INSTANTIATE_TEST_SUITE_P(Operations, ArmingRefused,
                         ::testing::Values(FakePort::Op::Discard, FakePort::Op::Threshold),
                         [](const auto& row) {
                           return std::string(row.param == FakePort::Op::Discard ? "Discard"
                                                                                 : "Threshold");
                         });

TEST_F(Sequencer, FramesCarryTheSelectedAddress) {
  r.f().SetSelected(Field::CmbMicro, 2);
  r.Update();
  EXPECT_EQ(r.port.frames, Strings{Frame("Q", 0x21, 0, 25, 2)});
}

}  // namespace
}  // namespace vyx::test
