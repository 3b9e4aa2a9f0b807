// Decoding the selected board's register image onto the panel: what each field shows, the
// order of the writes, and the values the operator has entered but not yet sent.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "rig.h"

namespace vyx {
namespace {

class ShowReadingsTest : public ::testing::Test {
 protected:
  ShowReadingsTest() { rig.m().BoardOnline[0] = true; }

  float& Reg(int reg, int board = 0) {
    return rig.m().RegImage[static_cast<std::size_t>(board)][static_cast<std::size_t>(reg)];
  }
  void SetRegs(const std::map<int, int>& regs, int board = 0) {
    for (const auto& [reg, value] : regs) Reg(reg, board) = static_cast<float>(value);
  }
  void Show() { VyxProbe::ShowReadings(rig.vyx); }
  const std::string& Text(Field f) { return rig.text(f); }
  std::int16_t State(Field f) { return rig.vyx.Fields().State(f); }

  test::Rig rig;
};

// The conversions themselves are covered in readings_test; here, which register feeds
// which field, and whose calibration applies.
TEST_F(ShowReadingsTest, EachFieldFromItsOwnRegisters) {
  SetRegs({{0x21, 12},
           {0x24, 0x00},
           {0x25, 0x00},  // 0
           {0x26, 0xFF},
           {0x27, 0xC0},  // 65472
           {0x28, 0xFF},
           {0x29, 0xFF},  // 65535
           {0x2A, 0x80},
           {0x2B, 0x00},  // 32768
           {0x2C, 0x40},
           {0x2D, 0x00},  // 16384
           {0x33, 0x0F},
           {0x34, 0x42},
           {0x35, 0x40}});
  Show();
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblFW), "1.2");
  EXPECT_EQ(Text(Field::TxtAD0), "0.002");
  EXPECT_EQ(Text(Field::TxtAD1), "4.998");
  EXPECT_EQ(Text(Field::TxtAD2), "5.002");
  EXPECT_EQ(Text(Field::TxtAD3), "2.502");
  EXPECT_EQ(Text(Field::TxtAD4), "1.252");
  EXPECT_EQ(Text(Field::TxtDIT), "0.8000000");
}

TEST_F(ShowReadingsTest, AnalogInputsUseTheSelectedBoardsCalibration) {
  SetRegs({{0x24, 0x80}, {0x25, 0x00}});
  rig.m().VrefCache[1] = "4.5000";  // another board's calibration never applies here
  const std::pair<const char*, const char*> cases[] = {
      {"4.5000", "2.252"}, {"5.5000", "2.753"}, {"5.6000", "2.502"}, {"", "2.502"}};
  for (const auto& [vref, text] : cases) {
    rig.m().VrefCache[0] = vref;
    Show();
    EXPECT_EQ(Text(Field::TxtAD0), text) << '"' << vref << '"';
  }
}

TEST_F(ShowReadingsTest, DifCountIntoValueBufferAndTheBoardsCache) {
  SetRegs({{0x30, 0x01}, {0x31, 0x00}, {0x32, 0x00}});
  rig.f().SetText(Field::BufDIF, "typed");  // an edit in progress is overwritten
  Show();
  EXPECT_EQ(Text(Field::TxtDIF), "65536");
  EXPECT_EQ(Text(Field::BufDIF), "65536");
  EXPECT_EQ(rig.m().DifCache[0], "65536");
}

TEST_F(ShowReadingsTest, DutiesReadBackAndAreNotMarkedForSending) {
  // The value fields' change rules mark an edit pending; a read-back must not stay marked.
  int pwmChanges = 0;
  rig.f().Bind(Field::TxtPWM, [&] {
    ++pwmChanges;
    rig.m().PWMPending = true;
  });
  rig.f().Bind(Field::TxtDPW, [&] { rig.m().DPWPending = true; });
  rig.f().Bind(Field::TxtDOG, [&] { rig.m().DOGPending = true; });

  const struct {
    int pwmHigh, pwmLow, dpw, dog;
    const char* pwm;
    const char* dpwText;
    const char* dogText;
  } cases[] = {{0x7D, 0x00, 80, 255, "50.000", "50.000", "100.000"},
               {0x53, 0x40, 255, 80, "33.300", "100.000", "50.000"},
               {0xFF, 0xFF, 0, 1, "100.000", "0.000", "0.625"}};
  for (const auto& c : cases) {
    SetRegs({{0x36, c.pwmHigh}, {0x37, c.pwmLow}, {0x38, c.dpw}, {0x39, c.dog}});
    Show();
    EXPECT_EQ(Text(Field::TxtPWM), c.pwm);
    EXPECT_EQ(Text(Field::BufPWM), c.pwm);
    EXPECT_EQ(Text(Field::TxtDPW), c.dpwText);
    EXPECT_EQ(Text(Field::BufDPW), c.dpwText);
    EXPECT_EQ(Text(Field::TxtDOG), c.dogText);
    EXPECT_EQ(Text(Field::BufDOG), c.dogText);
    EXPECT_FALSE(rig.m().PWMPending);
    EXPECT_FALSE(rig.m().DPWPending);
    EXPECT_FALSE(rig.m().DOGPending);
  }
  EXPECT_EQ(pwmChanges, 3);
}

TEST_F(ShowReadingsTest, PendingDutiesKeepTheOperatorsValues) {
  SetRegs({{0x36, 0x7D}, {0x37, 0x00}, {0x38, 80}, {0x39, 80}});
  for (Field f :
       {Field::TxtPWM, Field::BufPWM, Field::TxtDPW, Field::BufDPW, Field::TxtDOG, Field::BufDOG}) {
    rig.f().SetText(f, "42");
  }
  rig.m().PWMPending = rig.m().DPWPending = rig.m().DOGPending = true;
  Show();
  for (Field f :
       {Field::TxtPWM, Field::BufPWM, Field::TxtDPW, Field::BufDPW, Field::TxtDOG, Field::BufDOG}) {
    EXPECT_EQ(Text(f), "42") << NameOf(f);
  }
  EXPECT_TRUE(rig.m().PWMPending);
  EXPECT_TRUE(rig.m().DPWPending);
  EXPECT_TRUE(rig.m().DOGPending);
}

TEST_F(ShowReadingsTest, EditedBuffersKeepTheTypedText) {
  SetRegs({{0x36, 0x7D}, {0x37, 0x00}, {0x38, 80}, {0x39, 80}});
  for (Field f : {Field::BufPWM, Field::BufDPW, Field::BufDOG}) rig.f().SetText(f, "7");
  rig.m().PWMEditing = rig.m().DPWEditing = rig.m().DOGEditing = true;
  Show();
  EXPECT_EQ(Text(Field::TxtPWM), "50.000");
  EXPECT_EQ(Text(Field::TxtDPW), "50.000");
  EXPECT_EQ(Text(Field::TxtDOG), "50.000");
  EXPECT_EQ(Text(Field::BufPWM), "7");
  EXPECT_EQ(Text(Field::BufDPW), "7");
  EXPECT_EQ(Text(Field::BufDOG), "7");
}

constexpr Field kPortBoxes[] = {Field::ChkDIF, Field::ChkDIT, Field::ChkDIN, Field::ChkDIS,
                                Field::ChkDON, Field::ChkDOE, Field::ChkDOK, Field::ChkDOS};

TEST_F(ShowReadingsTest, PortBitsIntoTheEightBoxesInBitOrder) {
  SetRegs({{0x23, 0x5A}});  // bits 1, 3, 4, 6
  Show();
  const std::int16_t expected[] = {0, 1, 0, 1, 1, 0, 1, 0};
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(State(kPortBoxes[i]), expected[i]) << NameOf(kPortBoxes[i]);
  }
}

TEST_F(ShowReadingsTest, PortReadBackRunsTheClickRulesAndStillSetsEveryBox) {
  // The first output box's rule marks the port byte pending; the other three are read back
  // all the same.
  std::vector<Field> clicked;
  for (Field box : {Field::ChkDON, Field::ChkDOE, Field::ChkDOK, Field::ChkDOS}) {
    rig.f().Bind(box, [&, box] {
      clicked.push_back(box);
      rig.m().DOPending = true;
    });
  }
  SetRegs({{0x23, 0xF0}});
  Show();
  EXPECT_EQ(clicked,
            (std::vector<Field>{Field::ChkDON, Field::ChkDOE, Field::ChkDOK, Field::ChkDOS}));
  for (Field box : {Field::ChkDON, Field::ChkDOE, Field::ChkDOK, Field::ChkDOS}) {
    EXPECT_EQ(State(box), 1) << NameOf(box);
  }
  EXPECT_TRUE(rig.m().DOPending) << "the decoder never clears the port mark";
}

TEST_F(ShowReadingsTest, PendingPortWriteKeepsAllEightBoxes) {
  for (Field box : kPortBoxes) rig.f().SetState(box, 1);
  rig.m().DOPending = true;
  SetRegs({{0x23, 0x00}});
  Show();
  for (Field box : kPortBoxes) EXPECT_EQ(State(box), 1) << NameOf(box);
  EXPECT_TRUE(rig.m().DOPending);
}

TEST_F(ShowReadingsTest, ResetFlagFromEitherOfItsTwoBits) {
  int clicks = 0;
  rig.f().Bind(Field::ChkRST, [&] { ++clicks; });
  const std::pair<int, std::int16_t> cases[] = {{0x04, 1}, {0x02, 1}, {0x06, 1},
                                                {0x01, 0}, {0x08, 0}, {0xF9, 0}};
  for (const auto& [reg, state] : cases) {
    rig.f().SetState(Field::ChkRST, static_cast<std::int16_t>(1 - state));
    clicks = 0;
    SetRegs({{0x22, reg}});
    Show();
    EXPECT_EQ(State(Field::ChkRST), state) << reg;
    EXPECT_EQ(clicks, 1) << "the read-back goes through the box's click rule";
  }
}

TEST_F(ShowReadingsTest, PendingResetClearKeepsTheBox) {
  rig.m().RSTPending = true;
  SetRegs({{0x22, 0x06}});
  Show();
  EXPECT_EQ(State(Field::ChkRST), 0);
  EXPECT_TRUE(rig.m().RSTPending);
}

TEST_F(ShowReadingsTest, NeverOnlineBoardComputesNothing) {
  rig.m().BoardOnline[0] = false;
  SetRegs({{0x21, 12},
           {0x24, 0x80},
           {0x30, 1},
           {0x33, 0x0F},
           {0x34, 0x42},
           {0x35, 0x40},
           {0x36, 0x7D},
           {0x38, 80},
           {0x39, 80},
           {0x23, 0xFF},
           {0x22, 0x06},
           {0x2E, 0x10}});
  rig.m().EEReadDue[0] = true;
  rig.m().RestorePanel[0] = true;
  rig.m().TimeCache[0] = "5.0000";
  Show();
  EXPECT_NE(rig.vyx.Fields().Caption(Field::LblFW), "1.2");
  EXPECT_NE(Text(Field::TxtAD0), "2.502");
  EXPECT_NE(Text(Field::TxtDIF), "65536");
  EXPECT_NE(Text(Field::TxtDIT), "0.8000000");
  EXPECT_NE(Text(Field::TxtPWM), "50.000");
  EXPECT_NE(Text(Field::TxtTime), "5.0000");
  for (Field box : kPortBoxes) EXPECT_EQ(State(box), 0) << NameOf(box);
  EXPECT_EQ(State(Field::ChkRST), 0);
  // Marks, caches and clock baselines are left as they were.
  EXPECT_TRUE(rig.m().EEReadDue[0]);
  EXPECT_TRUE(rig.m().RestorePanel[0]);
  EXPECT_EQ(rig.m().DifCache[0], "");
  EXPECT_EQ(rig.m().TimeCache[0], "5.0000");
  EXPECT_EQ(rig.m().PrevBoardClock[0], 0.0);
  EXPECT_EQ(rig.m().PrevHostTime[0], 0.0f);
  EXPECT_TRUE(rig.port.frames.empty());
}

TEST_F(ShowReadingsTest, FieldsAreWrittenInDecodeOrder) {
  SetRegs({{0x21, 12},
           {0x24, 1},
           {0x26, 2},
           {0x28, 3},
           {0x2A, 4},
           {0x2C, 5},
           {0x30, 1},
           {0x33, 1},
           {0x2E, 0x10},
           {0x36, 0x7D},
           {0x38, 80},
           {0x39, 40},
           {0x23, 0xFF},
           {0x22, 0x06}});
  std::vector<Field> writes;
  rig.vyx.SetFieldObserver([&](Field f) { writes.push_back(f); });
  Show();
  const std::vector<Field> expected = {
      Field::LblFW,  Field::TxtAD0, Field::TxtAD1, Field::TxtAD2,  Field::TxtAD3,  Field::TxtAD4,
      Field::TxtDIT, Field::TxtDIF, Field::BufDIF, Field::TxtTime, Field::BufTime, Field::TxtPWM,
      Field::BufPWM, Field::TxtDPW, Field::BufDPW, Field::TxtDOG,  Field::BufDOG,  Field::ChkDIF,
      Field::ChkDIT, Field::ChkDIN, Field::ChkDIS, Field::ChkDON,  Field::ChkDOE,  Field::ChkDOK,
      Field::ChkDOS, Field::ChkRST};
  std::vector<std::string> got, want;
  for (Field f : writes) got.emplace_back(NameOf(f));
  for (Field f : expected) want.emplace_back(NameOf(f));
  EXPECT_EQ(got, want);
}

TEST_F(ShowReadingsTest, RestoreRefillsTheBoardsTextsAndLeavesTheClock) {
  SetRegs({{0x30, 0x00}, {0x31, 0x01}, {0x32, 0x00}, {0x2E, 0x20}});
  Members& m = rig.m();
  m.NameCache[0] = "Bench";
  m.VrefCache[0] = "4.9875";
  m.TimeCache[0] = "55.0000";
  m.PrevBoardClock[0] = 1.5;
  m.PrevHostTime[0] = 100.0f;
  m.RestorePanel[0] = true;
  rig.f().SetText(Field::TxtTime, "1.0000");

  std::vector<std::string> writes;
  rig.vyx.SetFieldObserver([&](Field f) { writes.emplace_back(NameOf(f)); });
  Show();
  rig.vyx.SetFieldObserver(nullptr);

  const std::vector<std::string> restoreOrder = {"BufName", "TxtName", "BufVref",
                                                 "TxtVref", "BufTime", "TxtTime"};
  std::vector<std::string> restored;
  for (const std::string& w : writes) {
    if (w == "BufName" || w == "TxtName" || w == "BufVref" || w == "TxtVref" || w == "BufTime" ||
        w == "TxtTime") {
      restored.push_back(w);
    }
  }
  EXPECT_EQ(restored, restoreOrder);
  EXPECT_EQ(Text(Field::TxtName), "Bench");
  EXPECT_EQ(Text(Field::BufName), "Bench");
  EXPECT_EQ(Text(Field::TxtVref), "4.9875");
  EXPECT_EQ(Text(Field::BufVref), "4.9875");
  EXPECT_EQ(Text(Field::TxtDIF), "256");
  EXPECT_EQ(Text(Field::BufDIF), "256");
  EXPECT_EQ(Text(Field::TxtTime), "55.0000");
  EXPECT_EQ(Text(Field::BufTime), "55.0000");
  EXPECT_FALSE(m.RestorePanel[0]);
  // No clock step: the baselines are untouched.
  EXPECT_EQ(m.PrevBoardClock[0], 1.5);
  EXPECT_EQ(m.PrevHostTime[0], 100.0f);
  EXPECT_EQ(m.TimeCache[0], "55.0000");

  // The next decode steps the clock again.
  Show();
  EXPECT_NE(Text(Field::TxtTime), "55.0000");
  EXPECT_EQ(m.PrevBoardClock[0], 0x2000 * 0.0005);
}

TEST_F(ShowReadingsTest, SwitchingBoardsShowsEachBoardsStoredReadingsAndSendsNothing) {
  rig.Connect();
  rig.m().BoardOnline[1] = true;
  SetRegs({{0x21, 12}, {0x30, 0}, {0x31, 0}, {0x32, 7}, {0x2E, 0x10}}, 0);
  SetRegs({{0x21, 25}, {0x30, 1}, {0x31, 0}, {0x32, 0}, {0x2E, 0x40}}, 1);
  rig.m().TimeCache[1] = "3.0000";
  Show();  // board 0 decoded
  const std::string board0Time = Text(Field::TxtTime);

  rig.f().SetSelected(Field::CmbMicro, 1);
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblFW), "2.5");
  EXPECT_EQ(Text(Field::TxtDIF), "65536") << "the count is kept per board, not blanked";
  EXPECT_EQ(Text(Field::BufDIF), "65536");
  EXPECT_EQ(Text(Field::TxtTime), "3.0000");

  rig.f().SetSelected(Field::CmbMicro, 0);
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblFW), "1.2");
  EXPECT_EQ(Text(Field::TxtDIF), "7");
  EXPECT_EQ(Text(Field::TxtTime), board0Time);
  EXPECT_TRUE(rig.port.frames.empty());
}

TEST_F(ShowReadingsTest, FirstDecodeStartsTheClockAndConsumesTheRecordMark) {
  SetRegs({{0x2E, 0x12}, {0x2F, 0x34}});
  rig.m().EEReadDue[0] = true;
  rig.f().SetText(Field::TxtTime, "12");
  Show();
  EXPECT_EQ(Text(Field::TxtTime), "12.0000");
  EXPECT_DOUBLE_EQ(rig.m().PrevBoardClock[0], 0x1234 * 0.0005);
  EXPECT_FALSE(rig.m().EEReadDue[0]);
}

TEST_F(ShowReadingsTest, FirstDecodeReadsTheRecordsAfterTheReadings) {
  // A board whose EEPROM holds no identifier and a 4.5 V calibration.
  std::map<int, int> eeprom = {{1, 0xFF}, {10, 175}, {11, 200}};
  int address = -1;
  rig.Connect();
  rig.port.onWrite = [&](const std::string& frame) {
    if (frame.rfind("p00A3", 0) == 0) address = std::stoi(frame.substr(5, 2), nullptr, 16);
    if (frame == "Q0A401") {
      const auto byte = static_cast<std::uint8_t>(eeprom.count(address) ? eeprom[address] : 0);
      rig.port.Deliver({byte, byte});
    }
  };
  SetRegs({{0x24, 0x80}, {0x25, 0x00}});
  rig.m().EEReadDue[0] = true;
  Show();
  // The readings of the first decode come before the calibration is read: 5 V.
  EXPECT_EQ(Text(Field::TxtAD0), "2.502");
  ASSERT_FALSE(rig.port.frames.empty());
  EXPECT_EQ(rig.port.frames.front(), "p00A3014") << "the identifier marker is read first";
  EXPECT_EQ(Text(Field::TxtName), "Vantrel");
  EXPECT_EQ(Text(Field::TxtVref), "4.5000");
  EXPECT_FALSE(rig.m().EEReadDue[0]);

  const std::size_t sent = rig.port.frames.size();
  Show();
  EXPECT_EQ(Text(Field::TxtAD0), "2.252") << "later decodes use the board's calibration";
  EXPECT_EQ(rig.port.frames.size(), sent) << "the records are read once";
}

TEST_F(ShowReadingsTest, AFailingWriteDuringTheRecordReadsEndsInsteadOfRecursing) {
  // The port is closed: every frame of the record reads fails, and each failure ends the
  // update, which decodes again. The reads must not start over from inside that decode.
  ASSERT_FALSE(rig.port.IsOpen());
  rig.m().EEReadDue[0] = true;
  Show();
  EXPECT_FALSE(rig.m().EEReadDue[0]);
  EXPECT_EQ(Text(Field::TxtName), "Vantrel");
  EXPECT_EQ(Text(Field::TxtVref), "5.0000");
}

}  // namespace
}  // namespace vyx
