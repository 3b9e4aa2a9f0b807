// The Telnet bytes of an rfc2217:// line: what goes out for data, settings and modem
// controls, and what is left of the far end's bytes once its commands are taken out.
#include "platform/telnet_codec.h"

#include <gtest/gtest.h>

namespace vyx::test {
namespace {

namespace telnet = qt::telnet;
using Offer = telnet::Codec::Offer;
using namespace std::string_literals;  // the bytes hold zeros

TEST(TelnetCodec, DataIsEscapedAndSettingsAndControlsBecomeComPortCommands) {
  // A 0xFF byte inside a value is doubled too.
  const qt::LineSettings odd{511, qt::LineSettings::Parity::Odd, 7,
                             qt::LineSettings::StopBits::Two};
  const std::pair<std::string, std::string> rows[] = {
      {telnet::EscapeData("x\xFF\xFFy"), "x\xFF\xFF\xFF\xFFy"},
      {telnet::LineCommands({}), "\xFF\xFA,\x01\0\0\x96\0\xFF\xF0\xFF\xFA,\x02\x08\xFF\xF0"s +
                                     "\xFF\xFA,\x03\x01\xFF\xF0\xFF\xFA,\x04\x01\xFF\xF0"},
      {telnet::LineCommands(odd),
       "\xFF\xFA,\x01\0\0\x01\xFF\xFF\xFF\xF0\xFF\xFA,\x02\x07\xFF\xF0"
       "\xFF\xFA,\x03\x02\xFF\xF0\xFF\xFA,\x04\x02\xFF\xF0"s},
      {telnet::ControlCommand(true, true) + telnet::ControlCommand(true, false),
       "\xFF\xFA,\x05\x0B\xFF\xF0\xFF\xFA,\x05\x0C\xFF\xF0"},
      {telnet::ControlCommand(false, true) + telnet::ControlCommand(false, false),
       "\xFF\xFA,\x05\x08\xFF\xF0\xFF\xFA,\x05\x09\xFF\xF0"},
      {telnet::Codec().Start(), "\xFF\xFB,\xFF\xFB\0\xFF\xFD\0"s},
  };
  for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
}

// What arrives, the data left of it, the answers owed and whether the far end takes the
// settings; every row also arrives split in two at each byte.
struct Incoming {
  std::string in, data, reply;
  Offer offer;
};

TEST(TelnetCodec, CommandsAreTakenOutOfTheDataWhereverThePiecesSplit) {
  const Incoming rows[] = {
      {"x\xFF\xFFy\xFF\xFF", "x\xFFy\xFF", "", Offer::Asked},
      // Replies to settings and notifications of the line's and the modem's state.
      {"x\xFF\xFA,e\0\0\x96\0\xFF\xF0y\xFF\xFA,j\xFF\xFF\xFF\xF0\xFF\xFA,k\x30\xFF\xF0z"s, "xyz",
       "", Offer::Asked},
      {"\xFF\xF1x\xFF\xF9y", "xy", "", Offer::Asked},  // no-operation, go-ahead
      // A server's opening: the options we know are taken, the others refused once.
      {"\xFF\xFB\x03\xFF\xFD\x03\xFF\xFB\x01\xFF\xFE\x01\xFF\xFD\0\xFF\xFB\0\xFF\xFD,"s, "",
       "\xFF\xFD\x03\xFF\xFB\x03\xFF\xFE\x01", Offer::Accepted},
      // Asked again what is agreed, nothing is said; a withdrawal is acknowledged once.
      {"\xFF\xFD,\xFF\xFD,\xFF\xFB\0\xFF\xFD\x18\xFF\xFC\0\xFF\xFC\0"s, "",
       "\xFF\xFC\x18\xFF\xFE\0"s, Offer::Accepted},
      {"\xFF\xFE,\xFF\xFB,", "", "\xFF\xFE,", Offer::Refused},
  };
  for (const Incoming& row : rows) {
    for (std::size_t split = 0; split <= row.in.size(); ++split) {
      telnet::Codec codec;
      codec.Start();
      std::vector<std::uint8_t> data;
      std::string reply;
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(row.in.data());
      codec.Feed({bytes, split}, data, reply);
      codec.Feed({bytes + split, row.in.size() - split}, data, reply);
      EXPECT_EQ(std::string(data.begin(), data.end()), row.data) << row.in << " at " << split;
      EXPECT_EQ(reply, row.reply) << row.in << " at " << split;
      EXPECT_EQ(codec.ComPort(), row.offer) << row.in << " at " << split;
    }
  }
}

// The server's answers to the settings commands say what it set; a value holding 0xFF comes
// doubled, and the answers may be split anywhere.
TEST(TelnetCodec, TheSettingsTheServerTookAreReadFromItsAnswers) {
  const qt::LineSettings asked{};  // 38400 8N1
  const qt::LineSettings fast{65535, qt::LineSettings::Parity::None, 8,
                              qt::LineSettings::StopBits::One};
  const std::string framing = "\xFF\xFA,f\x08\xFF\xF0\xFF\xFA,g\x01\xFF\xF0\xFF\xFA,h\x01\xFF\xF0";
  const struct {
    std::string in;
    qt::LineSettings settings;
    std::string disagreement;
  } rows[] = {
      {"\xFF\xFA,e\0\0\x96\0\xFF\xF0"s + framing, asked, ""},
      {"\xFF\xFA,e\0\0\xFF\xFF\xFF\xFF\xFF\xF0"s + framing, fast, ""},
      {"\xFF\xFA,e\0\0\x25\x80\xFF\xF0"s + framing, asked,
       "the server set the line to 9600 baud, not 38400"},
      {"\xFF\xFA,e\0\0\x96\0\xFF\xF0\xFF\xFA,f\x07\xFF\xF0\xFF\xFA,g\x01\xFF\xF0\xFF\xFA,h\x01\xFF\xF0"s,
       asked, "the server did not set the line's framing as asked"},
      // Answers to a control command and a line-state notification confirm nothing.
      {"\xFF\xFA,e\0\0\x96\0\xFF\xF0\xFF\xFA,i\x0B\xFF\xF0\xFF\xFA,j\x60\xFF\xF0"s, asked,
       "the server did not confirm the line's settings"},
  };
  for (const auto& row : rows) {
    for (std::size_t split = 0; split <= row.in.size(); ++split) {
      telnet::Codec codec;
      std::vector<std::uint8_t> data;
      std::string reply;
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(row.in.data());
      codec.Feed({bytes, split}, data, reply);
      codec.Feed({bytes + split, row.in.size() - split}, data, reply);
      EXPECT_TRUE(data.empty()) << split;
      EXPECT_EQ(telnet::EchoDisagreement(row.settings, codec.Echo()), row.disagreement)
          << row.disagreement << " at " << split;
    }
  }
}

}  // namespace
}  // namespace vyx::test
