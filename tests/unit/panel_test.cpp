// The host's properties and the operator's actions: what each stores and shows, what it
// marks for the next update, and what is refused and changes nothing.
#include <gtest/gtest.h>

#include "fake_board.h"

namespace vyx::test {
namespace {

using namespace std::string_literals;

PropValue I(int v) { return static_cast<std::int16_t>(v); }

TEST(Properties, ASetIsStoredThenTheHostHearsItsNameAndNothingIsSent) {
  std::vector<std::tuple<std::string, PropValue, std::string>> rows = {
      {"CommPort", "2", "2"}, {"MicroAddress", "7", "3"}, {"IDstring", "a\0b"s, "a\0b"s}};
  for (const char* text : {"CommStatus", "MicroStatus", "Vrefvolt", "AD0volt", "AD1volt", "AD2volt",
                           "AD3volt", "AD4volt", "DITinterval", "FWver", "DIFcount", "PWMduty",
                           "DPWduty", "DOGduty", "CLKtime"}) {
    rows.emplace_back(text, "\xCE\xA9 7.5", "\xCE\xA9 7.5");
  }
  for (const char* box : {"DONstate", "DOEstate", "DOKstate", "DOSstate", "DINstate", "DISstate",
                          "RSTstate", "DIFstate", "DITstate"}) {
    rows.emplace_back(box, I(1), "1");
  }
  for (const char* command : {"UpdateCmd", "ClearCmd", "ZeroCmd"}) {
    rows.emplace_back(command, false, "false");
  }
  for (const auto& row : rows) {
    const auto& [name, value, shown] = row;
    Rig r;
    r.host.onChanged = [&](std::string_view) {
      EXPECT_EQ(r.Get(std::get<0>(row)), std::get<2>(row)) << std::get<0>(row);
    };
    ASSERT_TRUE(r.vyx.Set(name, value)) << name;
    EXPECT_EQ(r.host.events, Strings{"changed " + name});
    EXPECT_TRUE(r.port.frames.empty()) << name;
  }
}

TEST(Properties, ARefusedSetChangesNothingAndNotifiesNothing) {
  // clang-format off
  const std::tuple<const char*, PropValue, const char*> rows[] = {
      {"Nope", "1", "\"Nope\""},
      {"commport", "1", "\"commport\""},
      {"CommPort", I(1), "wrong type"},
      {"DONstate", "1", "wrong type"},
      {"DONstate", true, "wrong type"},
      {"UpdateCmd", I(-1), "wrong type"},
      {"ClearCmd", "True", "wrong type"},
      {"DONstate", I(2), "0 or 1"},
      {"RSTstate", I(-1), "0 or 1"},
      {"AD0volt", std::string(65536, 'x'), "65535"},
      {"MicroStatus", std::string(100000, 'R'), "65535"}};
  // clang-format on
  for (const auto& [name, value, message] : rows) {
    Rig r;
    r.Connect();
    const std::string before = r.Shown(kMost);
    r.host.events.clear();
    const Status s = r.vyx.Set(name, value);
    EXPECT_NE(s.message().find(message), std::string::npos) << name << ": " << s.message();
    EXPECT_EQ(r.Shown(kMost), before);
    EXPECT_TRUE(r.host.events.empty() && r.port.frames.empty()) << name;
  }
  Rig r;
  PropValue v;
  EXPECT_FALSE(r.vyx.Get("AD5volt", v));
}

TEST(Properties, UpdateStartsOnlyFromExactlyReadyAndClearMakesItReady) {
  for (const char* status : {"Busy", "ready", "Ready ", ""}) {
    Rig r;
    r.Connect();
    ASSERT_TRUE(r.vyx.Set("MicroStatus", status));
    r.Update();
    EXPECT_TRUE(r.port.frames.empty()) << status;
    ASSERT_TRUE(r.vyx.Set("ClearCmd", true));
    r.Update();
    EXPECT_EQ(r.port.frames, Strings{"Q02119"});
  }
}

TEST(Properties, AnUpdateStartedFromNewDataRunsAndEndsAfterTheOneThatRaisedIt) {
  Rig r;
  r.Connect();
  r.host.onNewData = [&] {
    if (r.host.newData == 2) r.port.Fail("Write");
    if (r.host.newData <= 2) r.Update();
  };
  r.Update();
  r.Answer();
  EXPECT_EQ(r.Get("MicroStatus"), "Busy");
  r.Answer();
  EXPECT_EQ(r.host.ends,
            (Strings{"ended 0 ok", "ended 0 ok", "ended 0 port error: scripted failure"}));
}

// An edit in progress in the identifier box: a refused action must not hand it over.
TEST(Operator, RefusedActionsChangeNothing) {
  Rig r;
  r.Connect();
  ASSERT_TRUE(r.Act("BufName >typed"));
  for (const char* action : {"TxtName", "TxtAD0", "LblStatus", "FraMain", "Timer1", "TxtEvent"}) {
    EXPECT_FALSE(r.Act(action));
    EXPECT_FALSE(r.vyx.Focus(FieldByName(action)));
  }
  for (auto [f, i] : {std::pair{Field::CmbMicro, 4}, {Field::CmbComm, 9}, {Field::CmdZero, 0}}) {
    EXPECT_FALSE(r.vyx.Click(f, i)) << NameOf(f) << " " << i;
  }
  EXPECT_EQ(r.vyx.Focused(), Field::BufName);
  EXPECT_EQ(r.Get("IDstring") + r.Get("MicroAddress") + r.Get("CommPort"), "01");
  EXPECT_FALSE(r.Act("ChkDON >1")) << "only an edit box takes typing";
  EXPECT_FALSE(r.Act("~ >1") || r.Act("#13"));
  EXPECT_EQ(r.Get("IDstring"), "typed") << "the box handed its text over when it lost the focus";
}

// Each edit box over its value: typing changes nothing until the box is left (Enter moves
// to Update and starts nothing); the next update sends what was handed over.
TEST(Operator, AnEditBoxHandsItsTextOverWhenLeft) {
  const std::tuple<const char*, const char*, const char*, bool> rows[] = {
      {"BufName", "IDstring", "p00A302", true}, {"BufVref", "Vrefvolt", "p00A30A", true},
      {"BufDIF", "DIFcount", "Q02119", false},  {"BufTime", "CLKtime", "Q02119", false},
      {"BufPWM", "PWMduty", "u003689", false},  {"BufDPW", "DPWduty", "p003858", false},
      {"BufDOG", "DOGduty", "p003958", false}};
  for (const auto& [box, property, sent, emptyCopied] : rows) {
    SCOPED_TRACE(property);
    Rig r;
    r.Connect();
    r.BringOnline();
    const std::string before = r.Get(property);
    ASSERT_TRUE(r.Act(std::string(box) + " >55 #9 #27 #65 #269"));
    EXPECT_EQ(r.Get(property), before);
    ASSERT_TRUE(r.Act("#13 #13"));
    EXPECT_EQ(r.vyx.Focused(), Field::CmdUpdate);
    EXPECT_EQ(r.Get(property), "55");
    EXPECT_TRUE(r.port.frames.empty());
    r.Update();
    EXPECT_EQ(r.port.frames.at(0).substr(0, 7), sent);
    // Emptied, only the records take the empty text (to read the board's back).
    ASSERT_TRUE(r.Act(std::string(box) + " > ~"));
    EXPECT_EQ(r.Get(property), emptyCopied ? "" : "55");
    // While the operator types, a new value leaves the box alone; leaving it wins.
    ASSERT_TRUE(r.Act(std::string(box) + " >42 " + property + "=9"));
    EXPECT_EQ(r.text(*FieldByName(box)), "42");
    ASSERT_TRUE(r.Act("~"));
    EXPECT_EQ(r.Get(property), "42");
  }
}

TEST(Operator, ZeroTurnsEveryOutputOffAtTheNextUpdateButNotTheResetFlags) {
  Rig r;
  r.Connect();
  r.BringOnline();
  ASSERT_TRUE(r.Act("ChkRST ChkDOE BufPWM >55 CmdZero"));  // the box hands "55" over first
  EXPECT_EQ(r.Get("PWMduty") + r.text(Field::BufPWM) + r.Get("DOEstate") + r.Get("RSTstate"),
            "0001");
  r.Update();
  EXPECT_EQ(r.port.frames, (Strings{"p0023003", "p0038008", "p0039009", "u00360000B"}));
}

TEST(Operator, ClearBlanksThePanelAndNeverSwitchesAnOutputOff) {
  Rig r;
  FakeBoard board(r);
  r.Connect();
  ASSERT_TRUE(r.Act("ChkDON"));
  for (int i = 0; i < 2; ++i) r.Update(), r.Run(3.0);
  ASSERT_EQ(r.Get("DONstate"), "1");
  ASSERT_TRUE(r.Act("CmdClear"));
  EXPECT_EQ(r.Get("FWver") + r.Get("AD0volt") + r.Get("IDstring") + r.Get("DONstate"), "NA0");
  for (int i = 0; i < 2; ++i) r.Update(), r.Run(3.0);
  EXPECT_EQ(board.regs[2], 0x10);
}

}  // namespace
}  // namespace vyx::test
