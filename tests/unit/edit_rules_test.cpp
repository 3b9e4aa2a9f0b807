// The edit-buffer rules, check-box marks and the Update, Clear and Zero commands.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "rig.h"

namespace vyx::test {
namespace {

// Every edit box with its value field and flags. Name and Vref copy an empty buffer too.
struct BufferCase {
  const char* name;
  Field buffer;
  Field value;
  bool Members::*editing;  // nullptr: none
  bool Members::*pending;  // nullptr: none
  bool copiesEmpty;
};

const BufferCase kBufferCases[] = {
    {"Name", Field::BufName, Field::TxtName, &Members::NameEditing, &Members::NamePending, true},
    {"Vref", Field::BufVref, Field::TxtVref, &Members::VrefEditing, &Members::VrefPending, true},
    {"DIF", Field::BufDIF, Field::TxtDIF, nullptr, nullptr, false},
    {"Time", Field::BufTime, Field::TxtTime, &Members::TimeEditing, nullptr, false},
    {"PWM", Field::BufPWM, Field::TxtPWM, &Members::PWMEditing, &Members::PWMPending, false},
    {"DPW", Field::BufDPW, Field::TxtDPW, &Members::DPWEditing, &Members::DPWPending, false},
    {"DOG", Field::BufDOG, Field::TxtDOG, &Members::DOGEditing, &Members::DOGPending, false},
};

class BufferTest : public ::testing::TestWithParam<BufferCase> {
 protected:
  BufferTest() {
    rig.Connect();
    rig.f().SetText(c.value, "7");
    ClearPending();
    rig.port.frames.clear();
  }
  void ClearPending() {
    for (bool Members::*p : {&Members::NamePending, &Members::VrefPending, &Members::PWMPending,
                             &Members::DPWPending, &Members::DOGPending}) {
      rig.m().*p = false;
    }
  }
  bool Editing() { return c.editing && rig.m().*c.editing; }
  bool Pending() { return c.pending && rig.m().*c.pending; }

  const BufferCase& c = GetParam();
  Rig rig;
};

TEST_P(BufferTest, EnterHandsTheTextOverAndMovesToUpdateWithoutUpdating) {
  ASSERT_TRUE(rig.vyx.Focus(c.buffer));
  EXPECT_EQ(Editing(), c.editing != nullptr);
  ASSERT_TRUE(rig.vyx.Type("55"));
  EXPECT_EQ(rig.text(c.value), "7");  // typing alone changes nothing

  ASSERT_TRUE(rig.vyx.KeyDown(13));
  EXPECT_EQ(rig.vyx.Focused(), Field::CmdUpdate);
  EXPECT_EQ(rig.text(c.value), "55");
  EXPECT_EQ(Pending(), c.pending != nullptr);
  EXPECT_FALSE(Editing());
  EXPECT_TRUE(rig.port.frames.empty());
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblStatus), "Ready");

  ASSERT_TRUE(rig.vyx.KeyDown(13));  // Enter again lands on the button: still no update
  EXPECT_TRUE(rig.port.frames.empty());
}

TEST_P(BufferTest, OtherKeysDoNothing) {
  ASSERT_TRUE(rig.vyx.Focus(c.buffer));
  ASSERT_TRUE(rig.vyx.Type("55"));
  for (int key : {9, 10, 27, 65, 0x0D + 256}) ASSERT_TRUE(rig.vyx.KeyDown(key));
  EXPECT_EQ(rig.vyx.Focused(), c.buffer);
  EXPECT_EQ(rig.text(c.value), "7");
  EXPECT_EQ(Editing(), c.editing != nullptr);
}

TEST_P(BufferTest, LeavingEmptyClearsOnlyNameAndVref) {
  ASSERT_TRUE(rig.vyx.Focus(c.buffer));
  ASSERT_TRUE(rig.vyx.Type(""));
  ASSERT_TRUE(rig.vyx.Focus(std::nullopt));
  EXPECT_EQ(rig.text(c.value), c.copiesEmpty ? "" : "7");
  EXPECT_EQ(Pending(), c.copiesEmpty);
  EXPECT_EQ(rig.text(c.buffer), "");  // stays empty until the next refresh
  EXPECT_FALSE(Editing());
}

TEST_P(BufferTest, ValueChangedWhileEditingLeavesTheBufferAndTheLeaveWins) {
  ASSERT_TRUE(rig.vyx.Focus(c.buffer));
  ASSERT_TRUE(rig.vyx.Type("42"));
  rig.f().SetText(c.value, "9");  // a property or a refresh
  if (c.editing) {
    EXPECT_EQ(rig.text(c.buffer), "42");
  }
  ASSERT_TRUE(rig.vyx.Focus(std::nullopt));
  EXPECT_EQ(rig.text(c.value), "42");
}

TEST_P(BufferTest, LeavingUnchangedMarksNothing) {
  ASSERT_TRUE(rig.vyx.Focus(c.buffer));
  ASSERT_TRUE(rig.vyx.Type("7"));
  ASSERT_TRUE(rig.vyx.Focus(std::nullopt));
  EXPECT_FALSE(Pending());
}

INSTANTIATE_TEST_SUITE_P(AllSeven, BufferTest, ::testing::ValuesIn(kBufferCases),
                         [](const auto& row) { return std::string(row.param.name); });

// Change rules of the five value fields that have one, written from outside the panel.
class ChangeRuleTest : public ::testing::TestWithParam<BufferCase> {
 protected:
  const BufferCase& c = GetParam();
  Rig rig;
};

TEST_P(ChangeRuleTest, MarksPendingAndMirrorsIntoTheIdleBuffer) {
  rig.f().SetText(c.value, "12");
  EXPECT_TRUE(rig.m().*c.pending);
  EXPECT_EQ(rig.text(c.buffer), "12");

  rig.m().*c.pending = false;
  rig.f().SetText(c.value, "12");  // the same text runs nothing
  EXPECT_FALSE(rig.m().*c.pending);

  rig.f().SetText(c.value, "");
  EXPECT_EQ(rig.m().*c.pending, c.copiesEmpty);
  EXPECT_EQ(rig.text(c.buffer), "");

  rig.m().*c.editing = true;
  rig.f().SetText(c.buffer, "typed");
  rig.f().SetText(c.value, "13");
  EXPECT_TRUE(rig.m().*c.pending);
  EXPECT_EQ(rig.text(c.buffer), "typed");
}

// The five buffers whose value field marks an edit pending.
std::vector<BufferCase> WithChangeRule() {
  std::vector<BufferCase> rows;
  for (const BufferCase& c : kBufferCases) {
    if (c.pending != nullptr) rows.push_back(c);
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(ValueFields, ChangeRuleTest, ::testing::ValuesIn(WithChangeRule()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CheckBoxRules, OutputsMarkThePortByteResetMarksTheResetInputsMarkNothing) {
  struct Row {
    Field box;
    bool dop;
    bool rst;
  };
  const Row rows[] = {
      {Field::ChkDON, true, false},  {Field::ChkDOE, true, false},  {Field::ChkDOK, true, false},
      {Field::ChkDOS, true, false},  {Field::ChkRST, false, true},  {Field::ChkDIN, false, false},
      {Field::ChkDIS, false, false}, {Field::ChkDIF, false, false}, {Field::ChkDIT, false, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(NameOf(row.box));
    Rig rig;
    rig.f().SetState(row.box, 0);  // no change: no rule
    EXPECT_FALSE(rig.m().DOPending || rig.m().RSTPending);
    rig.f().SetState(row.box, 1);
    EXPECT_EQ(rig.m().DOPending, row.dop);
    EXPECT_EQ(rig.m().RSTPending, row.rst);
    rig.m().DOPending = rig.m().RSTPending = false;
    rig.f().SetState(row.box, 0);  // unchecking is a change too
    EXPECT_EQ(rig.m().DOPending, row.dop);
    EXPECT_EQ(rig.m().RSTPending, row.rst);
  }
}

TEST(ZeroCommand, AlreadyZeroMarksNothing) {
  Rig rig;
  for (Field f : {Field::TxtPWM, Field::TxtDPW, Field::TxtDOG}) rig.f().SetText(f, "0");
  rig.m().PWMPending = rig.m().DPWPending = rig.m().DOGPending = false;
  rig.f().SetValue(Field::CmdZero, true);
  EXPECT_FALSE(rig.m().PWMPending || rig.m().DPWPending || rig.m().DOGPending);
  EXPECT_FALSE(rig.m().DOPending);
}

TEST(ZeroCommand, MarksEachValueOnlyWhereItChanges) {
  Rig rig;
  rig.Connect();
  rig.f().SetText(Field::TxtPWM, "50");
  rig.f().SetText(Field::TxtDPW, "0");  // already zero
  rig.f().SetText(Field::TxtDOG, "");   // empty becomes "0": a change
  rig.f().SetState(Field::ChkDOK, 1);
  rig.f().SetState(Field::ChkRST, 1);
  rig.m().PWMPending = rig.m().DPWPending = rig.m().DOGPending = false;
  rig.m().DOPending = rig.m().RSTPending = false;
  ASSERT_TRUE(rig.vyx.Focus(Field::BufDPW));
  ASSERT_TRUE(rig.vyx.Type("33"));
  rig.port.frames.clear();

  rig.f().SetValue(Field::CmdZero, true);
  EXPECT_TRUE(rig.m().PWMPending);
  EXPECT_FALSE(rig.m().DPWPending);
  EXPECT_TRUE(rig.m().DOGPending);
  EXPECT_TRUE(rig.m().DOPending);
  EXPECT_FALSE(rig.m().RSTPending);  // the reset flag is not an output
  for (Field f : {Field::TxtPWM, Field::TxtDPW, Field::TxtDOG}) EXPECT_EQ(rig.text(f), "0");
  EXPECT_EQ(rig.text(Field::BufPWM), "0");
  EXPECT_EQ(rig.text(Field::BufDOG), "0");
  EXPECT_EQ(rig.text(Field::BufDPW), "33");  // being edited
  for (Field box : {Field::ChkDON, Field::ChkDOE, Field::ChkDOK, Field::ChkDOS}) {
    EXPECT_EQ(rig.vyx.Fields().State(box), 0);
  }
  EXPECT_EQ(rig.vyx.Fields().State(Field::ChkRST), 1);
  EXPECT_TRUE(rig.port.frames.empty());  // sent by the next update only
}

TEST(ZeroCommand, WritesDutiesBeforeBoxesInOrder) {
  Rig rig;
  rig.f().SetText(Field::TxtPWM, "1");
  rig.f().SetText(Field::TxtDPW, "1");
  rig.f().SetText(Field::TxtDOG, "1");
  for (Field box : {Field::ChkDON, Field::ChkDOE, Field::ChkDOK, Field::ChkDOS}) {
    rig.f().SetState(box, 1);
  }
  std::vector<Field> written;
  rig.vyx.SetFieldObserver([&](Field f) {
    if (f != Field::BufPWM && f != Field::BufDPW && f != Field::BufDOG) written.push_back(f);
  });
  rig.f().SetValue(Field::CmdZero, true);
  EXPECT_EQ(written, (std::vector<Field>{Field::TxtPWM, Field::TxtDPW, Field::TxtDOG, Field::ChkDON,
                                         Field::ChkDOE, Field::ChkDOK, Field::ChkDOS}));
}

class ClearFieldsTest : public ::testing::Test {
 protected:
  void FillPanel() {
    rig.f().SetCaption(Field::LblFW, "1.2");
    for (Field f : kCleared) rig.f().SetText(f, "x1");
    for (Field box : kBoxes) rig.f().SetState(box, 1);
    rig.m().NamePending = rig.m().VrefPending = rig.m().PWMPending = false;
    rig.m().DPWPending = rig.m().DOGPending = rig.m().DOPending = rig.m().RSTPending = false;
  }

  static constexpr Field kCleared[] = {
      Field::TxtName, Field::BufName, Field::TxtVref, Field::BufVref, Field::TxtAD0,
      Field::TxtAD1,  Field::TxtAD2,  Field::TxtAD3,  Field::TxtAD4,  Field::TxtDIT,
      Field::TxtDIF,  Field::BufDIF,  Field::TxtTime, Field::BufTime, Field::TxtPWM,
      Field::BufPWM,  Field::TxtDPW,  Field::BufDPW,  Field::TxtDOG,  Field::BufDOG};
  static constexpr Field kBoxes[] = {Field::ChkDIF, Field::ChkDIT, Field::ChkDIN,
                                     Field::ChkDIS, Field::ChkDON, Field::ChkDOE,
                                     Field::ChkDOK, Field::ChkDOS, Field::ChkRST};
  Rig rig;
};

TEST_F(ClearFieldsTest, BlanksEveryValueInOrderAndLeavesTheMarksTheRulesSet) {
  FillPanel();
  rig.m().NameEditing = rig.m().VrefEditing = true;  // the explicit buffer writes show too
  rig.m().PWMEditing = rig.m().DPWEditing = rig.m().DOGEditing = true;
  const std::string event = rig.text(Field::TxtEvent);
  std::vector<Field> written;
  rig.vyx.SetFieldObserver([&](Field f) { written.push_back(f); });

  VyxProbe::ClearFields(rig.vyx);

  std::vector<Field> expected{Field::LblFW};
  expected.insert(expected.end(), std::begin(kCleared), std::end(kCleared));
  expected.insert(expected.end(), std::begin(kBoxes), std::end(kBoxes));
  EXPECT_EQ(written, expected);
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblFW), "NA");
  for (Field f : kCleared) EXPECT_EQ(rig.text(f), "") << NameOf(f);
  for (Field box : kBoxes) EXPECT_EQ(rig.vyx.Fields().State(box), 0) << NameOf(box);
  EXPECT_TRUE(rig.m().NamePending);
  EXPECT_TRUE(rig.m().VrefPending);
  EXPECT_FALSE(rig.m().PWMPending || rig.m().DPWPending || rig.m().DOGPending);
  EXPECT_FALSE(rig.m().DOPending);                         // set by the outputs, cleared at the end
  EXPECT_TRUE(rig.m().RSTPending);                         // stays for the next update
  EXPECT_TRUE(rig.m().NameEditing && rig.m().PWMEditing);  // editing flags untouched
  EXPECT_EQ(rig.text(Field::TxtEvent), event);
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblStatus), "Ready");
}

TEST_F(ClearFieldsTest, EmptyPanelMarksNothing) {
  VyxProbe::ClearFields(rig.vyx);
  EXPECT_FALSE(rig.m().NamePending || rig.m().VrefPending || rig.m().RSTPending ||
               rig.m().DOPending);
}

// Brings the board at address 0 online through one answered update.
void BringOnline(Rig& rig) {
  rig.Connect();
  rig.Update();
  rig.Answer();
  ASSERT_TRUE(rig.m().BoardOnline[0]) << "the update did not complete";
  rig.port.frames.clear();
}

constexpr char kStatusRequest[] = "Q02119";  // registers 0x21..0x39 of board 0

TEST(ClearCommand, BlanksThePanelAndTheNextUpdateAsksOnlyForStatus) {
  Rig rig;
  BringOnline(rig);
  rig.f().SetState(Field::ChkDON, 1);
  rig.f().SetText(Field::TxtPWM, "50");

  rig.f().SetValue(Field::CmdClear, true);
  EXPECT_FALSE(rig.m().BoardOnline[0]);
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblStatus), "Ready");
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblFW), "NA");
  EXPECT_EQ(rig.text(Field::TxtName), "");
  EXPECT_EQ(rig.text(Field::TxtAD0), "");
  EXPECT_EQ(rig.vyx.Fields().State(Field::ChkDON), 0);

  rig.Update();
  EXPECT_EQ(rig.port.frames, std::vector<std::string>{kStatusRequest});
}

TEST(EditDuringUpdate, DutyBufferKeepsItsTextAndTheLeaveCopiesItOver) {
  Rig rig;
  BringOnline(rig);
  ASSERT_TRUE(rig.vyx.Focus(Field::BufDPW));
  ASSERT_TRUE(rig.vyx.Type("42"));
  rig.Update();
  std::vector<std::uint8_t> regs(25, 0);
  regs[0x38 - 0x21] = 80;  // DPW 50 %
  rig.Answer(regs);
  EXPECT_EQ(rig.text(Field::TxtDPW), "50.000");
  EXPECT_EQ(rig.text(Field::BufDPW), "42");

  ASSERT_TRUE(rig.vyx.Focus(std::nullopt));
  EXPECT_EQ(rig.text(Field::TxtDPW), "42");
  EXPECT_TRUE(rig.m().DPWPending);
}

TEST(EditDuringUpdate, DifBufferIsOverwrittenByTheRefresh) {
  Rig rig;
  BringOnline(rig);
  ASSERT_TRUE(rig.vyx.Focus(Field::BufDIF));
  ASSERT_TRUE(rig.vyx.Type("123"));
  rig.Update();
  std::vector<std::uint8_t> regs(25, 0);
  regs[0x31 - 0x21] = 1;  // DIF count 256
  rig.Answer(regs);
  EXPECT_EQ(rig.text(Field::BufDIF), "256");
  EXPECT_EQ(rig.text(Field::TxtDIF), "256");
}

TEST(EditDuringUpdate, EmptiedNameIsReadBackAndNothingWritten) {
  Rig rig;
  // The board's EEPROM holds "Board7"; every frame to the window is answered.
  std::vector<std::string> eeWrites;
  int address = 0;
  const std::string stored = std::string("\xA5") + "Board7";
  rig.port.onWrite = [&](const std::string& f) {
    if (f.starts_with("p00A3")) address = std::stoi(f.substr(5, 2), nullptr, 16);
    if (f.starts_with("p00A285")) eeWrites.push_back(f);
    if (f == "Q0A401") {
      const std::size_t at = static_cast<std::size_t>(address) - 1;
      const auto b = static_cast<std::uint8_t>(at < stored.size() ? stored[at] : 0);
      rig.port.Deliver({b, b});
    }
  };
  BringOnline(rig);
  ASSERT_EQ(rig.text(Field::TxtName), "Board7");

  ASSERT_TRUE(rig.vyx.Focus(Field::BufName));
  ASSERT_TRUE(rig.vyx.Type(""));
  ASSERT_TRUE(rig.vyx.Focus(std::nullopt));
  EXPECT_EQ(rig.text(Field::TxtName), "");
  EXPECT_TRUE(rig.m().NamePending);

  rig.Update();
  rig.Answer();
  EXPECT_TRUE(eeWrites.empty());
  EXPECT_EQ(rig.text(Field::TxtName), "Board7");
  EXPECT_EQ(rig.text(Field::BufName), "Board7");
  EXPECT_FALSE(rig.m().NamePending);
}

}  // namespace
}  // namespace vyx::test
