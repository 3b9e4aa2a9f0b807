// The operator's actions on the panel: focus, typing, keys and clicks, and the refusals
// that must leave everything as it was.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "rig.h"

namespace vyx::test {
namespace {

class OperatorTest : public ::testing::Test {
 protected:
  OperatorTest() { rig.Connect(); }

  // Puts an edit in progress in BufName, so that a wrongly run leave rule would show.
  void EditName() {
    ASSERT_TRUE(rig.vyx.Focus(Field::BufName));
    ASSERT_TRUE(rig.vyx.Type("typed"));
    rig.m().NamePending = false;
    rig.port.frames.clear();
    writes.clear();
    rig.vyx.SetFieldObserver([this](Field f) { writes.push_back(f); });
  }
  // Nothing moved, nothing written, the edit still in progress.
  void ExpectUntouched() {
    EXPECT_EQ(rig.vyx.Focused(), Field::BufName);
    EXPECT_TRUE(rig.m().NameEditing);
    EXPECT_EQ(rig.text(Field::TxtName), "");
    EXPECT_EQ(rig.text(Field::BufName), "typed");
    EXPECT_TRUE(writes.empty());
    EXPECT_TRUE(rig.port.frames.empty());
  }

  Rig rig;
  std::vector<Field> writes;
};

TEST_F(OperatorTest, FieldsThatTakeTheFocus) {
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    const std::string name(NameOf(f));
    const FieldKind kind = SpecOf(f).kind;
    const bool takes = name.starts_with("Buf") || kind == FieldKind::Command ||
                       kind == FieldKind::List || kind == FieldKind::Check;
    SCOPED_TRACE(name);
    ASSERT_TRUE(rig.vyx.Focus(std::nullopt));
    const Status s = rig.vyx.Focus(f);
    EXPECT_EQ(s.ok(), takes);
    if (takes) {
      EXPECT_EQ(rig.vyx.Focused(), f);
    } else {
      EXPECT_EQ(rig.vyx.Focused(), std::nullopt);
      EXPECT_NE(s.message().find(name), std::string::npos) << s.message();
    }
  }
}

TEST_F(OperatorTest, RefusedFocusChangesNothing) {
  EditName();
  for (Field f : {Field::Label27, Field::LblStatus, Field::FraMain, Field::TxtAD0, Field::TxtDIT,
                  Field::TxtName, Field::TxtEvent, Field::Timer1}) {
    EXPECT_FALSE(rig.vyx.Focus(f)) << NameOf(f);
  }
  ExpectUntouched();
}

TEST_F(OperatorTest, FocusingAButtonDoesNotPressIt) {
  ASSERT_TRUE(rig.vyx.Focus(Field::CmdUpdate));
  EXPECT_TRUE(rig.port.frames.empty());
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblStatus), "Ready");
}

TEST_F(OperatorTest, LeaveRuleRunsBeforeTheNextBoxGetsTheFocus) {
  ASSERT_TRUE(rig.vyx.Focus(Field::BufPWM));
  ASSERT_TRUE(rig.vyx.Type("55"));
  ASSERT_TRUE(rig.vyx.Focus(Field::BufDPW));
  EXPECT_EQ(rig.text(Field::TxtPWM), "55");
  EXPECT_TRUE(rig.m().PWMPending);
  EXPECT_FALSE(rig.m().PWMEditing);
  EXPECT_TRUE(rig.m().DPWEditing);

  ASSERT_TRUE(rig.vyx.Focus(std::nullopt));
  EXPECT_FALSE(rig.m().DPWEditing);
  EXPECT_EQ(rig.vyx.Focused(), std::nullopt);
}

TEST_F(OperatorTest, FocusOnTheFocusedBoxIsNoLeave) {
  ASSERT_TRUE(rig.vyx.Focus(Field::BufPWM));
  ASSERT_TRUE(rig.vyx.Type("55"));
  ASSERT_TRUE(rig.vyx.Focus(Field::BufPWM));
  EXPECT_EQ(rig.text(Field::TxtPWM), "");
  EXPECT_TRUE(rig.m().PWMEditing);
}

TEST_F(OperatorTest, TypeNeedsAFocusedEditBox) {
  writes.clear();
  rig.vyx.SetFieldObserver([this](Field f) { writes.push_back(f); });
  EXPECT_FALSE(rig.vyx.Type("1"));  // no focus
  ASSERT_TRUE(rig.vyx.Focus(Field::ChkDON));
  EXPECT_FALSE(rig.vyx.Type("1"));
  ASSERT_TRUE(rig.vyx.Focus(Field::CmbMicro));
  EXPECT_FALSE(rig.vyx.Type("1"));
  EXPECT_TRUE(writes.empty());
}

TEST_F(OperatorTest, KeyNeedsAFocusAndDoesNothingOutsideTheBoxes) {
  EXPECT_FALSE(rig.vyx.KeyDown(13));
  ASSERT_TRUE(rig.vyx.Focus(Field::CmdUpdate));
  EXPECT_TRUE(rig.vyx.KeyDown(13));
  EXPECT_EQ(rig.vyx.Focused(), Field::CmdUpdate);
  EXPECT_TRUE(rig.port.frames.empty());
}

TEST_F(OperatorTest, RefusedClicksChangeNothing) {
  EditName();
  EXPECT_FALSE(rig.vyx.Click(Field::Label27));
  EXPECT_FALSE(rig.vyx.Click(Field::TxtAD3));
  EXPECT_FALSE(rig.vyx.Click(Field::LblComm));
  EXPECT_FALSE(rig.vyx.Click(Field::CmbMicro, 4));
  EXPECT_FALSE(rig.vyx.Click(Field::CmbMicro, -1));
  EXPECT_FALSE(rig.vyx.Click(Field::CmbMicro));
  EXPECT_FALSE(rig.vyx.Click(Field::CmbComm, 9));
  EXPECT_FALSE(rig.vyx.Click(Field::CmdZero, 0));  // a button has no entries
  ExpectUntouched();
  EXPECT_EQ(rig.vyx.Fields().Selected(Field::CmbMicro), 0);
  EXPECT_EQ(rig.vyx.Fields().Selected(Field::CmbComm), 1);
}

TEST_F(OperatorTest, ListClickPicksTheEntry) {
  const Status s = rig.vyx.Click(Field::CmbMicro, 3);
  ASSERT_TRUE(s) << s.message();
  EXPECT_EQ(rig.vyx.Focused(), Field::CmbMicro);
  EXPECT_EQ(rig.vyx.Fields().Selected(Field::CmbMicro), 3);
  EXPECT_EQ(rig.text(Field::TxtMicro), "3");
  EXPECT_EQ(rig.m().MicroIndex, 3);
}

TEST_F(OperatorTest, CheckBoxClickToggles) {
  ASSERT_TRUE(rig.vyx.Click(Field::ChkDOE));
  EXPECT_EQ(rig.vyx.Fields().State(Field::ChkDOE), 1);
  EXPECT_TRUE(rig.m().DOPending);
  EXPECT_EQ(rig.vyx.Focused(), Field::ChkDOE);
  ASSERT_TRUE(rig.vyx.Click(Field::ChkDOE));
  EXPECT_EQ(rig.vyx.Fields().State(Field::ChkDOE), 0);

  ASSERT_TRUE(rig.vyx.Click(Field::ChkDIN));  // an input box toggles too, with no rule
  EXPECT_EQ(rig.vyx.Fields().State(Field::ChkDIN), 1);
  rig.m().DOPending = false;
  ASSERT_TRUE(rig.vyx.Click(Field::ChkDIN));
  EXPECT_EQ(rig.vyx.Fields().State(Field::ChkDIN), 0);
  EXPECT_FALSE(rig.m().DOPending || rig.m().RSTPending);
}

TEST_F(OperatorTest, ClickingAnEditBoxOnlyFocusesIt) {
  ASSERT_TRUE(rig.vyx.Click(Field::BufName));
  EXPECT_EQ(rig.vyx.Focused(), Field::BufName);
  EXPECT_TRUE(rig.m().NameEditing);
}

TEST_F(OperatorTest, ButtonClickTakesTheFocusFirst) {
  // The PWM box hands "55" over before Zero runs, so Zero's "0" is what remains.
  ASSERT_TRUE(rig.vyx.Focus(Field::BufPWM));
  ASSERT_TRUE(rig.vyx.Type("55"));
  ASSERT_TRUE(rig.vyx.Click(Field::CmdZero));
  EXPECT_EQ(rig.vyx.Focused(), Field::CmdZero);
  EXPECT_EQ(rig.text(Field::TxtPWM), "0");
  EXPECT_EQ(rig.text(Field::BufPWM), "0");
  EXPECT_TRUE(rig.m().PWMPending);
}

TEST_F(OperatorTest, UpdateClickSendsTheEditJustLeft) {
  rig.Update();
  rig.Answer();
  ASSERT_TRUE(rig.m().BoardOnline[0]) << "the update did not complete";
  rig.port.frames.clear();

  ASSERT_TRUE(rig.vyx.Focus(Field::BufPWM));
  ASSERT_TRUE(rig.vyx.Type("50"));
  ASSERT_TRUE(rig.vyx.Click(Field::CmdUpdate));
  // PWM 50 % is 125 and 0, sent in place of the status request.
  EXPECT_EQ(rig.port.frames, std::vector<std::string>{"u00367D008"});
}

}  // namespace
}  // namespace vyx::test
