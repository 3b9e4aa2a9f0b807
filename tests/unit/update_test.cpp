// The update as the board and the host see it: which frames go out and in which order, the
// three tries, the 0.11 s and 0.22 s limits, which replies are taken, and every way an
// update ends.
#include <gtest/gtest.h>

#include "fake_board.h"

namespace vyx::test {
namespace {

const std::string kStatus = "Q02119";  // registers 0x21..0x39 of board 0

// Not awaiting a reply: "Ready", the timer stopped, no receive notification.
void ExpectIdle(const Rig& r) {
  EXPECT_EQ(r.Get("MicroStatus"), "Ready");
  EXPECT_FALSE(r.vyx.UpdateInProgress() || r.timer.enabled || r.port.threshold != 0);
}

// A board at address 0 that has answered once.
struct Online : Rig {
  Online() { Connect(), BringOnline(); }
};

TEST(Update, PendingEditsGoOutInOrderOnceBeforeTheFinalFrame) {
  const std::tuple<const char*, std::uint8_t, Strings> rows[] = {
      {"", 0, {kStatus}},
      {"ChkDIN ChkDIS", 0, {kStatus}},
      {"PWMduty=50", 0, {"u00367D008"}},  // the PWM write replaces the request
      {"ChkDON ChkDOS", 0, {"p0023903", kStatus}},
      {"ChkRST ChkRST", 0, {"r0022026", "r0022015", kStatus}},
      {"ChkRST", 0x04, {kStatus}},  // a checked box shows flags the board holds
      {"DPWduty=150 DOGduty=-5 PWMduty=1e999", 0, {"p0038A08", "p0039009", "u0036FA005"}},
      {"DPWduty=9 DPWduty= PWMduty=9 PWMduty=", 0, {kStatus}},
      {"PWMduty=25 DOGduty=33.3 DPWduty=50 ChkRST ChkRST ChkDOE",
       0,
       {"p0023203", "r0022026", "r0022015", "p0038508", "p003935E", "u00363E809"}}};
  for (const auto& [edits, resetFlags, frames] : rows) {
    SCOPED_TRACE(edits);
    Online r;
    r.port.onWrite = [&r](const std::string& f) {  // not part of the reply to come
      if (f[0] == 'p') r.port.input.assign(5, 0xEE);
    };
    FakeBoard board(r);
    board.regs[1] = resetFlags;
    ASSERT_TRUE(r.Act(edits));
    r.Update();
    EXPECT_EQ(r.Shown("MicroStatus=Busy") + " " + std::to_string(r.timer.interval) + " " +
                  std::to_string(r.port.threshold),
              "MicroStatus=Busy 110 26");
    r.Run(0.1);  // answered at the first try; the duties show what the board holds
    EXPECT_EQ(r.port.frames, frames);
    EXPECT_EQ(Strings(r.host.events.end() - 2, r.host.events.end()),
              (Strings{"NewData", "ended 0 ok"}));
    EXPECT_EQ(r.Shown("PWMduty= DPWduty= DOGduty="), "PWMduty=0.000 DPWduty=0.000 DOGduty=0.000");
    r.port.frames.clear();
    r.Update();  // each edit went out once
    EXPECT_EQ(r.port.frames, Strings{kStatus});
  }
}

TEST(Update, ThreeUnansweredTriesEndTheUpdateAndTheBoardIsAskedAfresh) {
  Online r;
  ASSERT_TRUE(r.Act("PWMduty=50"));
  r.Update();
  for (int i = 0; i < 2; ++i) {
    r.TickAfter(0.11);
    EXPECT_TRUE(r.Get("MicroStatus") == "Busy" && r.timer.enabled);
  }
  r.TickAfter(0.11);
  // The PWM write went with the first try; the retries only ask for the status.
  EXPECT_EQ(r.port.frames, (Strings{"u00367D008", kStatus, kStatus}));
  ExpectIdle(r);
  EXPECT_EQ(r.Get("AD0volt"), "") << "a board that stopped answering shows nothing";
  EXPECT_EQ(r.host.ends, Strings{"ended 0 no reply"});
  EXPECT_EQ(r.host.newData, 0);
  // Output edits are not sent to a board that failed its last update, and the next update
  // has its three tries again.
  ASSERT_TRUE(r.Act("ChkDOS"));
  r.port.frames.clear();
  r.Update();
  for (int i = 0; i < 4; ++i) r.TickAfter(0.11);
  EXPECT_EQ(r.port.frames, Strings(3, kStatus));
}

TEST(Update, AnUnansweredAddressGetsALoneRequestAndLosesItsDutyEdits) {
  Rig r;
  r.Connect();
  ASSERT_TRUE(r.Act("PWMduty=50 DPWduty=50 DOGduty=50 ChkDON"));
  r.Update();
  EXPECT_EQ(r.port.frames, Strings{kStatus});
  r.BringOnline();
  r.Update();
  EXPECT_EQ(r.port.frames, (Strings{"p0023103", kStatus}));
}

TEST(Update, ARetryCarriesEditsMadeSinceTheLastTryAndAPressWhileBusyChangesNothing) {
  Online r;
  r.Update();
  ASSERT_TRUE(r.Act("ChkDON"));
  r.TickAfter(0.11);
  r.Update();
  EXPECT_EQ(r.port.frames, (Strings{kStatus, "p0023103", kStatus}));
  r.TickAfter(0.11);
  r.TickAfter(0.11);
  EXPECT_EQ(r.port.frames.size(), 4u) << "the press kept the update's count of tries";
  EXPECT_EQ(r.host.ends, (Strings{"ended 0 not ready", "ended 0 no reply"}));
  ExpectIdle(r);
}

TEST(Update, EndedFromOutsideItIgnoresTheLateReplyAndTheNextStartsAfresh) {
  for (const char* end : {"CmbComm=2", "CmbMicro=1,0", "CmdClear"}) {  // what the operator does
    SCOPED_TRACE(end);
    Online r;
    r.Update();
    r.TickAfter(0.11);
    if (end[4] == 'o') r.Connect(2);
    if (end[4] == 'i') r.Address(1), r.Address(0);
    EXPECT_TRUE(end[4] != 'l' || r.vyx.Click(Field::CmdClear));
    ExpectIdle(r);
    EXPECT_EQ(r.host.ends, Strings{"ended 0 cancelled"});
    r.port.Deliver(StatusReply({}));
    r.port.RaiseEvent(CommEvent::Receive);
    EXPECT_EQ(r.host.newData, 0);
    r.port.frames.clear();
    r.Update();
    for (int i = 0; i < 3; ++i) r.TickAfter(0.11);
    EXPECT_EQ(std::count(r.port.frames.begin(), r.port.frames.end(), kStatus), 3);
    ExpectIdle(r);
  }
}

TEST(Update, APortThatFailsEndsTheUpdateAtOnceAndTheEditsWaitForTheNext) {
  // The operation that fails, healed as soon as "Ready" shows (which must not let the rest of
  // the ended update go out), on a board that has answered; what goes out, and next time.
  // clang-format off
  const std::tuple<const char*, bool, bool, Strings, const char*> rows[] = {
      {"Write", false, true, {}, "u00367D008"}, {"Write", true, true, {}, "u00367D008"},
      {"Discard", false, true, {"p0023103"}, "u00367D008"},
      {"Threshold", false, true, {"p0023103"}, "u00367D008"}, {"Write", false, false, {}, "Q02119"},
      {"Discard", false, false, {}, "Q02119"}, {"Threshold", false, false, {}, "Q02119"}};
  // clang-format on
  for (const auto& [op, healAtReady, answered, sent, next] : rows) {
    Rig r;
    r.Connect();
    if (answered) r.BringOnline();
    ASSERT_TRUE(r.Act("ChkDON PWMduty=50"));
    r.port.Fail(op);
    r.vyx.SetFieldObserver([&, op = op, heal = healAtReady](Field f) {
      if (heal && f == Field::LblStatus && r.Get("MicroStatus") == "Ready") r.port.Heal(op);
    });
    r.Update();
    EXPECT_EQ(r.port.frames, sent) << op;
    EXPECT_EQ(r.host.ends.back(), "ended 0 port error: scripted failure");
    ExpectIdle(r);
    r.port.Heal(op);
    r.Update();
    EXPECT_EQ(r.port.frames.back(), next) << op;
  }
  Rig offline;
  offline.Update();
  ExpectIdle(offline);
  EXPECT_EQ(offline.host.ends, Strings{"ended 0 port not open: no port chosen"});
}

TEST(Reception, OnlyAWholeReplyWithItsSumIsTakenAndInPiecesItIsOne) {
  // A DIF count of 77 and nothing else, so the sum is 77: bytes before, the sum, bytes after.
  const std::tuple<int, int, int, bool> rows[] = {
      {0, 77, 0, true}, {0, 78, 0, false}, {0, 76, 0, false}, {1, 77, 0, false}, {0, 77, 1, false}};
  for (const auto& [before, sum, after, taken] : rows) {
    Online r;
    r.Update();
    Bytes reply(static_cast<std::size_t>(before + 18), 0);
    reply.back() = 77;
    reply.resize(reply.size() + 7, 0);
    reply.push_back(static_cast<std::uint8_t>(sum));
    reply.resize(reply.size() + static_cast<std::size_t>(after), 0);
    r.port.input.assign(reply.begin(), reply.end());
    r.port.RaiseEvent(CommEvent::Receive);
    EXPECT_EQ(
        r.Get("DIFcount") + " " + r.Get("MicroStatus") + " " + std::to_string(r.port.frames.size()),
        taken ? "77 Ready 1" : "0 Busy 2");
    for (int i = 0; i < 2; ++i) {  // the same answer to every try
      r.port.input.assign(reply.begin(), reply.end());
      r.port.RaiseEvent(CommEvent::Receive);
    }
    EXPECT_EQ(r.host.ends, Strings{taken ? "ended 0 ok" : "ended 0 corrupt reply"});
  }
  Online r;
  r.Update();
  const Bytes reply = StatusReply({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5});
  r.port.Deliver(Bytes(reply.begin(), reply.begin() + 10));
  EXPECT_EQ(r.Get("MicroStatus"), "Busy");
  r.port.Deliver(Bytes(reply.begin() + 10, reply.end()));
  EXPECT_EQ(r.Get("DIFcount"), "5");
}

TEST(Reception, BytesNobodyAwaitsWaitForTheNextTryAndAPortErrorIsJudgedByWhatWaits) {
  Online r;
  r.Answer();
  r.port.RaiseEvent(CommEvent::Receive);
  r.port.RaiseEvent(CommEvent::Error);
  EXPECT_EQ(r.port.input.size(), 26u);
  r.Update();
  EXPECT_TRUE(r.port.input.empty());
  r.port.Deliver(Bytes(10, 1));
  r.port.RaiseEvent(CommEvent::Error);
  EXPECT_EQ(r.port.frames.size(), 2u);
  r.Answer();
  ASSERT_TRUE(r.vyx.Set("CommStatus", "Offline"));  // and an "Offline" panel ignores the port
  r.Update();
  r.Answer();
  r.port.RaiseEvent(CommEvent::Vanished);
  EXPECT_EQ(r.host.newData, 1);
  EXPECT_TRUE(r.port.IsOpen());
}

TEST(Reception, NewDataOncePerAnsweredUpdateAfterItHasEnded) {
  Online r;
  Strings seen;
  r.host.onNewData = [&] {
    seen.push_back(r.Get("MicroStatus") + (r.vyx.UpdateInProgress() ? " awaiting" : ""));
  };
  r.Update();  // a failed try, then success
  r.TickAfter(0.11);
  r.Answer();
  r.Update();  // three failures: nothing
  for (int i = 0; i < 3; ++i) r.TickAfter(0.11);
  r.Update();
  r.Answer();
  EXPECT_EQ(seen, (Strings{"Ready", "Ready"}));
  EXPECT_EQ(r.host.ends, (Strings{"ended 0 ok", "ended 0 no reply", "ended 0 ok"}));
  EXPECT_EQ(r.text(Field::TxtEvent), "3");
}

TEST(Reception, TimeOutsAreStrictAsWrittenOnElapsedTime) {
  // Seconds after the request, bytes waiting: a board that has begun gets 0.22 s.
  const std::tuple<double, std::size_t, bool> rows[] = {
      {0.1099, 0, false}, {0.11, 0, true}, {0.11, 10, false}, {0.22, 25, false}, {0.2201, 1, true}};
  for (const auto& [after, waiting, fails] : rows) {
    Online r;
    r.clock.SetTimeOfDay(86399.95);  // the time of day passes midnight; elapsed time does not
    r.Update();
    r.port.input.assign(waiting, 7);
    r.TickAfter(after);
    EXPECT_EQ(r.port.frames.size(), fails ? 2u : 1u) << after << " s, " << waiting << " bytes";
  }
  Online r;
  r.timer.interval = 110;
  r.timer.enabled = true;  // a tick that was queued when the update ended does nothing
  r.TickAfter(1.0);
  EXPECT_TRUE(r.port.frames.empty());
}

TEST(Reception, AVanishedDeviceEndsTheUpdateAndGoesOffline) {
  for (bool busy : {true, false}) {
    Online r;
    if (busy) r.Update();
    r.port.RaiseEvent(CommEvent::Vanished);
    ExpectIdle(r);
    EXPECT_EQ(r.port.frames.size(), busy ? 1u : 0u) << "not a failed try: nothing is sent again";
    EXPECT_EQ(r.host.ends, busy ? Strings{"ended 0 device gone: scripted failure"} : Strings{});
    EXPECT_EQ(r.Get("CommPort") + r.Get("CommStatus"), "0Offline");
    EXPECT_FALSE(r.port.IsOpen());
  }
}

TEST(Reception, APortThatCannotCountOrReadStillEndsTheUpdate) {
  for (auto [op, byTimer] : {std::pair{"Count", false}, {"Read", false}, {"Count", true}}) {
    Online b;
    b.Update();
    b.port.Fail(op);
    for (int i = 0; i < 3; ++i) {
      const Bytes reply = StatusReply({});
      b.port.input.assign(reply.begin(), reply.end());
      byTimer ? b.TickAfter(0.3) : b.port.RaiseEvent(CommEvent::Receive);
    }
    EXPECT_EQ(b.port.frames.size(), 3u) << op;
    ExpectIdle(b);
    EXPECT_EQ(b.host.newData, 0);
  }
}

TEST(Update, AHostThatPressesUpdateFromEachEndHearsTheEndsInTurnNotNested) {
  Online r;
  r.port.Fail("Write");
  int depth = 0, deepest = 0, left = 200;
  r.host.onEnded = [&](const UpdateEnd&) {
    deepest = std::max(deepest, ++depth);
    if (left-- > 0) r.Update();
    --depth;
  };
  r.Update();
  EXPECT_EQ(r.host.ends.size(), 201u);
  EXPECT_EQ(deepest, 1);
}

}  // namespace
}  // namespace vyx::test
