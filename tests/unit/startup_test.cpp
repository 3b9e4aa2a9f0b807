// Start-up and the choice of port and board address, by the operator's list and by the
// host's CommPort and MicroAddress texts, as the port sees it.
#include <gtest/gtest.h>

#include "rig.h"

namespace vyx::test {
namespace {

// "port" as the panel shows it: the position, the caption and whether the device is open.
std::string PortState(const Rig& r) {
  return r.Get("CommPort") + " " + r.Get("CommStatus") + (r.port.IsOpen() ? " open" : "");
}

TEST(Startup, NoComOfflineAddressZeroReadyAndNothingOpened) {
  Rig r;
  EXPECT_EQ(r.Shown("CommPort= CommStatus= MicroAddress= MicroStatus= FWver="),
            "CommPort=0 CommStatus=Offline MicroAddress=0 MicroStatus=Ready FWver=NA");
  EXPECT_EQ(r.vyx.Fields().Color(Field::LblComm), kColorRed);
  EXPECT_TRUE(r.port.log.empty() && r.host.events.empty());
}

TEST(Startup, CommPortTextSelectsOnlyPortsOneToFourAndMicroAddressClamps) {
  // clang-format off
  const std::tuple<std::string, const char*, const char*> rows[] = {
      {"3", "3 Connect open", "3"}, {"4", "4 Connect open", "3"}, {"5", "0 Offline", "3"},
      {"8", "0 Offline", "3"}, {"4.4", "0 Offline", "3"}, {"2.5", "2 Connect open", "2"},
      {"3.5", "4 Connect open", "3"}, {"0.5", "0 Offline", "0"}, {"-1", "0 Offline", "0"},
      {"Comm3", "0 Offline", "0"}, {"", "0 Offline", "0"}, {"2 ports", "2 Connect open", "2"},
      {std::string(60000, '9'), "0 Offline", "3"}, {std::string(60000, ' ') + "2", "2 Connect open", "2"},
      {"\xEF\xBC\x92", "0 Offline", "0"}, {std::string("2\0003", 3), "2 Connect open", "2"},
      {"1e999", "0 Offline", "3"}, {"-1e999", "0 Offline", "0"}, {"nan", "0 Offline", "0"}};
  // clang-format on
  for (const auto& [text, port, address] : rows) {
    Rig r;
    r.Connect(1);  // so that a fall back to NoCom shows
    r.Address(1);
    ASSERT_TRUE(r.vyx.Set("CommPort", text) && r.vyx.Set("MicroAddress", text));
    EXPECT_EQ(PortState(r) + " " + r.Get("MicroAddress"), port + std::string(" ") + address)
        << text.substr(0, 20);
    EXPECT_TRUE(!r.port.IsOpen() || r.port.CommPort() == std::stoi(r.Get("CommPort")));
    r.Update();  // choosing sent nothing; the request goes to the address chosen
    EXPECT_EQ(r.port.frames,
              r.port.IsOpen() ? Strings{"Q" + std::string(address) + "2119"} : Strings{});
  }
}

TEST(Startup, OpeningAppliesTheLineSettingsOnceInOrder) {
  Rig r;
  ASSERT_TRUE(r.vyx.Set("CommPort", "3"));
  EXPECT_EQ(r.port.log,
            (Strings{"CommPort=3", "Open", "Settings=38400,n,8,1", "Binary", "RTS=1", "DTR=0"}));
  EXPECT_EQ(r.vyx.Fields().Color(Field::LblComm), kColorButtonText);
  r.port.log.clear();
  r.Connect(3);                               // the same position again: nothing
  ASSERT_TRUE(r.vyx.Set("CommPort", "3.0"));  // another text for it: nothing
  EXPECT_TRUE(r.port.log.empty());
  r.Connect(4);  // another port while open: only the number
  EXPECT_EQ(r.port.log, Strings{"CommPort=4"});
  for (int n = 5; n <= 8; ++n) {  // the list opens what no text can name
    r.Connect(n);
    EXPECT_EQ(PortState(r) + " " + std::to_string(r.port.CommPort()),
              std::to_string(n) + " Connect open " + std::to_string(n));
  }
  r.Connect(0);
  EXPECT_EQ(PortState(r), "0 Offline");
  EXPECT_EQ(r.port.log.back(), "Close");
}

TEST(Startup, AnOpeningThatFailsGoesOfflineUnlessOnlyModemControlsAreMissing) {
  // clang-format off
  const std::tuple<const char*, IoResult, const char*> rows[] = {
      {"CommPort", IoResult::BadArgument, "0 Offline"}, {"Open", IoResult::NoDevice, "0 Offline"},
      {"Open", IoResult::InUse, "0 Offline"}, {"Settings=38400,n,8,1", IoResult::BadArgument, "0 Offline"},
      {"Binary", IoResult::Failed, "0 Offline"}, {"RTS", IoResult::Failed, "0 Offline"},
      {"DTR", IoResult::Failed, "0 Offline"}, {"RTS", IoResult::Unsupported, "3 Connect open"},
      {"DTR", IoResult::Unsupported, "3 Connect open"}};
  // clang-format on
  for (const auto& [op, result, state] : rows) {
    Rig r;
    r.port.Fail(op, result);
    r.Connect(3);
    EXPECT_EQ(PortState(r), state) << op << " " << ToString(result);
    EXPECT_EQ(r.vyx.Fields().Color(Field::LblComm), r.port.IsOpen() ? kColorButtonText : kColorRed);
  }
}

}  // namespace
}  // namespace vyx::test
