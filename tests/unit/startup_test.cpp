// Start-up and the choice of port and board address, by list pick and by text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rig.h"

namespace vyx {
namespace {

using test::FakePort;
using test::Rig;

const std::vector<std::string> kOpening = {"Open", "Settings=38400,n,8,1", "Binary", "RTS=1",
                                           "DTR=0"};

class StartupTest : public ::testing::Test {
 protected:
  std::int16_t Comm() { return rig.vyx.Fields().Selected(Field::CmbComm); }
  std::int16_t Micro() { return rig.vyx.Fields().Selected(Field::CmbMicro); }
  const std::string& Caption(Field f) { return rig.vyx.Fields().Caption(f); }
  void ExpectOffline() {
    EXPECT_EQ(Comm(), 0);
    EXPECT_EQ(rig.text(Field::TxtComm), "0");
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_EQ(Caption(Field::LblComm), "Offline");
    EXPECT_EQ(rig.vyx.Fields().Color(Field::LblComm), 0x000000FFu);
    EXPECT_TRUE(rig.vyx.Fields().Emphasis(Field::LblComm));
  }
  void ExpectConnected(int port) {
    EXPECT_EQ(Comm(), port);
    EXPECT_EQ(rig.text(Field::TxtComm), std::to_string(port));
    EXPECT_TRUE(rig.port.IsOpen());
    EXPECT_EQ(rig.port.CommPort(), port);
    EXPECT_EQ(Caption(Field::LblComm), "Connect");
    EXPECT_EQ(rig.vyx.Fields().Color(Field::LblComm), 0x80000012u);
    EXPECT_FALSE(rig.vyx.Fields().Emphasis(Field::LblComm));
  }

  Rig rig;
};

TEST_F(StartupTest, LeavesNoComOfflineAddr0ReadyAndNoPortOpened) {
  ExpectOffline();
  EXPECT_EQ(rig.vyx.Fields().Entries(Field::CmbComm),
            (std::vector<std::string>{"NoCom", "Comm1", "Comm2", "Comm3", "Comm4", "Comm5", "Comm6",
                                      "Comm7", "Comm8"}));
  EXPECT_EQ(rig.vyx.Fields().Entries(Field::CmbMicro),
            (std::vector<std::string>{"Addr0", "Addr1", "Addr2", "Addr3"}));
  EXPECT_EQ(Micro(), 0);
  EXPECT_EQ(rig.text(Field::TxtMicro), "0");
  EXPECT_EQ(rig.m().MicroIndex, 0);
  EXPECT_EQ(Caption(Field::LblStatus), "Ready");
  EXPECT_EQ(Caption(Field::LblFW), "NA") << "the reading fields start cleared";
  EXPECT_EQ(rig.port.opens, 0);
  EXPECT_TRUE(rig.port.frames.empty());
  EXPECT_EQ(rig.text(Field::TxtEvent), "0");
  EXPECT_TRUE(rig.host.events.empty());
}

struct PortTextCase {
  const char* name;
  const char* text;
  int port;  // 0: "NoCom"
};

class PortTextTest : public ::testing::TestWithParam<PortTextCase> {};

TEST_P(PortTextTest, SelectsThePortTheTextNames) {
  Rig rig;
  rig.Connect(1);  // so that a fall back to "NoCom" shows
  rig.f().SetText(Field::TxtComm, GetParam().text);
  const int port = GetParam().port;
  EXPECT_EQ(rig.vyx.Fields().Selected(Field::CmbComm), port);
  EXPECT_EQ(rig.port.IsOpen(), port != 0);
  EXPECT_EQ(rig.vyx.Fields().Caption(Field::LblComm), port != 0 ? "Connect" : "Offline");
  EXPECT_EQ(rig.text(Field::TxtComm), std::to_string(port)) << "the list writes its position";
  if (port != 0) {
    EXPECT_EQ(rig.port.CommPort(), port);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PortTextTest,
    ::testing::Values(PortTextCase{"Three", "3", 3}, PortTextCase{"Four", "4", 4},
                      PortTextCase{"FiveOnlyFromTheList", "5", 0},
                      PortTextCase{"EightOnlyFromTheList", "8", 0},
                      PortTextCase{"AboveFour", "4.4", 0}, PortTextCase{"HalfToEvenDown", "2.5", 2},
                      PortTextCase{"HalfToEvenUp", "3.5", 4}, PortTextCase{"Negative", "-1", 0},
                      PortTextCase{"NoNumber", "Comm3", 0}, PortTextCase{"Empty", "", 0},
                      PortTextCase{"LeadingNumber", "2 ports", 2}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(StartupTest, AnOutOfRangeTextWhileOnNoComChangesNothing) {
  rig.port.log.clear();
  rig.f().SetText(Field::TxtComm, "6");
  EXPECT_EQ(Comm(), 0);
  EXPECT_EQ(rig.text(Field::TxtComm), "6") << "the selection did not change, so nothing rewrote it";
  EXPECT_TRUE(rig.port.log.empty());
  EXPECT_EQ(Caption(Field::LblComm), "Offline");
}

TEST_F(StartupTest, AddressTextsClampToTheList) {
  const std::pair<const char*, int> cases[] = {{"7", 3},   {"-2", 0}, {"1.5", 2}, {"0.5", 0},
                                               {"2.5", 2}, {"3", 3},  {"x", 0},   {"1", 1}};
  for (const auto& [text, address] : cases) {
    rig.f().SetSelected(Field::CmbMicro, address == 1 ? 2 : 1);  // start elsewhere
    rig.f().SetText(Field::TxtMicro, text);
    EXPECT_EQ(Micro(), address) << text;
    EXPECT_EQ(rig.m().MicroIndex, address) << text;
    EXPECT_EQ(rig.text(Field::TxtMicro), std::to_string(address)) << text;
  }
  EXPECT_TRUE(rig.port.frames.empty()) << "choosing an address sends nothing";
}

TEST_F(StartupTest, OpeningAppliesTheLineSettingsInOrder) {
  rig.port.log.clear();
  rig.f().SetText(Field::TxtComm, "3");
  ExpectConnected(3);
  std::vector<std::string> expected = {"CommPort=3"};
  expected.insert(expected.end(), kOpening.begin(), kOpening.end());
  EXPECT_EQ(rig.port.log, expected);
  EXPECT_EQ(rig.port.settings, "38400,n,8,1");
}

TEST_F(StartupTest, PortsFiveToEightOpenFromTheListButNotFromText) {
  for (int n = 5; n <= 8; ++n) {
    rig.Connect(n);
    ExpectConnected(n);
    rig.Connect(0);
    ExpectOffline();
  }
  rig.Connect(3);
  rig.f().SetText(Field::TxtComm, "5");
  ExpectOffline();
}

struct FailCase {
  const char* name;
  FakePort::Op op;
  IoResult result;
  bool connects;
};

class OpeningFailureTest : public ::testing::TestWithParam<FailCase> {};

TEST_P(OpeningFailureTest, TakesTheOfflinePathUnlessOnlyModemControlsAreMissing) {
  Rig rig;
  rig.port.Fail(GetParam().op, GetParam().result);
  rig.f().SetText(Field::TxtComm, "3");
  const auto& f = rig.vyx.Fields();
  if (GetParam().connects) {
    EXPECT_EQ(f.Selected(Field::CmbComm), 3);
    EXPECT_TRUE(rig.port.IsOpen());
    EXPECT_EQ(f.Caption(Field::LblComm), "Connect");
    EXPECT_EQ(f.Color(Field::LblComm), 0x80000012u);
    EXPECT_FALSE(f.Emphasis(Field::LblComm));
  } else {
    EXPECT_EQ(f.Selected(Field::CmbComm), 0);
    EXPECT_EQ(rig.text(Field::TxtComm), "0");
    EXPECT_FALSE(rig.port.IsOpen()) << "a port opened before the failure is closed again";
    EXPECT_EQ(f.Caption(Field::LblComm), "Offline");
    EXPECT_EQ(f.Color(Field::LblComm), 0x000000FFu);
    EXPECT_TRUE(f.Emphasis(Field::LblComm));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, OpeningFailureTest,
    ::testing::Values(FailCase{"PortNumber", FakePort::Op::SetCommPort, IoResult::BadArgument,
                               false},
                      FailCase{"Open", FakePort::Op::Open, IoResult::NoDevice, false},
                      FailCase{"OpenInUse", FakePort::Op::Open, IoResult::InUse, false},
                      FailCase{"Settings", FakePort::Op::Settings, IoResult::BadArgument, false},
                      FailCase{"Binary", FakePort::Op::Binary, IoResult::Failed, false},
                      FailCase{"RtsFails", FakePort::Op::Rts, IoResult::Failed, false},
                      FailCase{"DtrFails", FakePort::Op::Dtr, IoResult::Failed, false},
                      FailCase{"NoRts", FakePort::Op::Rts, IoResult::Unsupported, true},
                      FailCase{"NoDtr", FakePort::Op::Dtr, IoResult::Unsupported, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(StartupTest, ReselectingTheSelectedPortRunsNothing) {
  rig.Connect(3);
  rig.port.log.clear();
  rig.f().SetSelected(Field::CmbComm, 3);
  rig.f().SetText(Field::TxtComm, "3");
  rig.f().SetText(Field::TxtComm, "3.0");  // a new text that names the same entry
  EXPECT_TRUE(rig.port.log.empty());
  EXPECT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.opens, 1);
}

TEST_F(StartupTest, AnotherPortWhileOpenChangesOnlyTheNumber) {
  rig.Connect(3);
  rig.port.log.clear();
  rig.Connect(4);
  ExpectConnected(4);
  EXPECT_EQ(rig.port.log, (std::vector<std::string>{"CommPort=4"}))
      << "the settings are not applied again";
}

TEST_F(StartupTest, APortThatRefusesANewNumberWhileOpenGoesOffline) {
  rig.Connect(3);
  rig.port.refuseChangeWhileOpen = true;
  rig.Connect(4);
  ExpectOffline();
}

TEST_F(StartupTest, NoComWhileConnectedClosesThePort) {
  rig.Connect(2);
  rig.port.log.clear();
  rig.Connect(0);
  ExpectOffline();
  EXPECT_EQ(rig.port.log, (std::vector<std::string>{"Close"}));
}

TEST_F(StartupTest, AnOnlineBoardIsShownFromItsImageAndPendingDutiesAreDropped) {
  rig.Connect(1);
  rig.m().BoardOnline[2] = true;
  rig.m().RegImage[2][0x21] = 31;
  rig.m().PWMPending = rig.m().DPWPending = rig.m().DOGPending = true;
  rig.port.frames.clear();
  rig.f().SetSelected(Field::CmbMicro, 2);
  EXPECT_EQ(rig.m().MicroIndex, 2);
  EXPECT_EQ(Caption(Field::LblFW), "3.1");
  EXPECT_FALSE(rig.m().PWMPending);
  EXPECT_FALSE(rig.m().DPWPending);
  EXPECT_FALSE(rig.m().DOGPending);
  EXPECT_FALSE(rig.m().RestorePanel[2]) << "consumed by the decode";
  EXPECT_TRUE(rig.port.frames.empty());

  rig.f().SetSelected(Field::CmbMicro, 3);  // never answered
  EXPECT_EQ(Caption(Field::LblFW), "NA");
}

struct BadText {
  const char* name;
  std::string text;
  int port;     // selection the port text leaves
  int address;  // selection the address text leaves
};

class BadInputTest : public ::testing::TestWithParam<BadText> {};

TEST_P(BadInputTest, LeavesAValidSelection) {
  Rig rig;
  rig.Connect(1);
  rig.f().SetSelected(Field::CmbMicro, 1);
  rig.f().SetText(Field::TxtComm, GetParam().text);
  rig.f().SetText(Field::TxtMicro, GetParam().text);
  const auto& f = rig.vyx.Fields();
  EXPECT_EQ(f.Selected(Field::CmbComm), GetParam().port);
  EXPECT_EQ(rig.port.IsOpen(), GetParam().port != 0);
  EXPECT_EQ(f.Selected(Field::CmbMicro), GetParam().address);
  EXPECT_EQ(rig.m().MicroIndex, GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BadInputTest,
    ::testing::Values(BadText{"Empty", "", 0, 0},
                      BadText{"MegabyteOfDigits", std::string(1 << 20, '9'), 0, 3},
                      BadText{"MegabyteOfLetters", std::string(1 << 20, 'x'), 0, 0},
                      BadText{"MegabyteOfBlanksThenTwo", std::string(1 << 20, ' ') + "2", 2, 2},
                      BadText{"FullwidthDigit", "\xEF\xBC\x92", 0, 0},
                      BadText{"AccentThenDigit",
                              "\xC3\xA9"
                              "3",
                              0, 0},
                      BadText{"InvalidUtf8", "\xFF\xFE\x80", 0, 0},
                      BadText{"NulAfterDigit",
                              std::string("2\0"
                                          "3",
                                          3),
                              2, 2},
                      BadText{"LeadingNul",
                              std::string("\0"
                                          "3",
                                          2),
                              0, 0},
                      BadText{"HugeExponent", "1e999", 0, 3},
                      BadText{"HugeNegative", "-1e999", 0, 0}, BadText{"NotANumber", "nan", 0, 0},
                      BadText{"Infinity", "inf", 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace vyx
