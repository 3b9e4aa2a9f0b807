#include "platform/telnet_codec.h"

#include <initializer_list>

namespace vyx::qt::telnet {
namespace {

constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kDont = 254;

// Com-port commands, client to server.
constexpr std::uint8_t kSetBaudrate = 1;
constexpr std::uint8_t kSetDatasize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopsize = 4;
constexpr std::uint8_t kSetControl = 5;
// The server's answer to a command is the command plus this.
constexpr std::uint8_t kServerAnswer = 100;

std::string Bytes(std::initializer_list<std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string ComPortCommand(std::uint8_t command, std::initializer_list<std::uint8_t> value) {
  std::string out = Bytes({kIac, kSb, kComPort, command});
  for (const std::uint8_t b : value) {
    out += static_cast<char>(b);
    if (b == kIac) out += static_cast<char>(kIac);
  }
  return out + Bytes({kIac, kSe});
}

// The codes by LineSettings' order: None, Even, Odd, Mark, Space; One, OneAndHalf, Two.
constexpr std::array<std::uint8_t, 5> kParityCodes{1, 3, 2, 4, 5};
constexpr std::array<std::uint8_t, 3> kStopCodes{1, 3, 2};

}  // namespace

std::string EscapeData(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (const char c : data) {
    out += c;
    if (static_cast<std::uint8_t>(c) == kIac) out += c;
  }
  return out;
}

std::string LineCommands(const LineSettings& settings) {
  const auto baud = static_cast<std::uint32_t>(settings.baud);
  const auto byte = [baud](int shift) { return static_cast<std::uint8_t>(baud >> shift); };
  return ComPortCommand(kSetBaudrate, {byte(24), byte(16), byte(8), byte(0)}) +
         ComPortCommand(kSetDatasize, {static_cast<std::uint8_t>(settings.dataBits)}) +
         ComPortCommand(kSetParity, {kParityCodes[static_cast<std::size_t>(settings.parity)]}) +
         ComPortCommand(kSetStopsize, {kStopCodes[static_cast<std::size_t>(settings.stopBits)]});
}

std::string ControlCommand(bool rts, bool on) {
  const std::uint8_t value = rts ? (on ? 11 : 12) : (on ? 8 : 9);
  return ComPortCommand(kSetControl, {value});
}

std::string EchoDisagreement(const LineSettings& settings, const LineEcho& echo) {
  if (!echo.Complete()) {
    return "the server did not confirm the line's settings";
  }
  const auto parity = kParityCodes[static_cast<std::size_t>(settings.parity)];
  const auto stop = kStopCodes[static_cast<std::size_t>(settings.stopBits)];
  if (*echo.baud != static_cast<std::uint32_t>(settings.baud)) {
    return "the server set the line to " + std::to_string(*echo.baud) + " baud, not " +
           std::to_string(settings.baud);
  }
  if (*echo.dataBits != settings.dataBits || *echo.parity != parity || *echo.stopBits != stop) {
    return "the server did not set the line's framing as asked";
  }
  return {};
}

std::string Codec::Start() {
  ours_[kComPort] = Q::WantYes;
  ours_[kBinary] = Q::WantYes;
  theirs_[kBinary] = Q::WantYes;
  return Bytes({kIac, kWill, kComPort, kIac, kWill, kBinary, kIac, kDo, kBinary});
}

Codec::Offer Codec::ComPort() const {
  switch (ours_[kComPort]) {
    case Q::Yes:
      return Offer::Accepted;
    case Q::WantYes:
      return Offer::Asked;
    case Q::No:
      break;
  }
  return Offer::Refused;
}

void Codec::Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data,
                 std::string& reply) {
  for (const std::uint8_t b : in) {
    switch (state_) {
      case State::Data:
        if (b == kIac) {
          state_ = State::Command;
        } else {
          data.push_back(b);
        }
        break;
      case State::Command:
        if (b == kIac) {
          data.push_back(b);  // a doubled 0xFF is one data byte
          state_ = State::Data;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          state_ = State::Option;
        } else {
          // A sub-negotiation (replies and notifications about the line) or a command
          // without an argument: neither is data.
          state_ = b == kSb ? State::Sub : State::Data;
          sub_.clear();
        }
        break;
      case State::Option:
        Negotiate(verb_, b, reply);
        state_ = State::Data;
        break;
      case State::Sub:
        if (b == kIac) {
          state_ = State::SubCommand;
        } else {
          sub_ += static_cast<char>(b);
        }
        break;
      case State::SubCommand:
        if (b == kSe) {
          SubNegotiation();
          sub_.clear();
          state_ = State::Data;
        } else {
          if (b == kIac) sub_ += static_cast<char>(b);  // a doubled 0xFF inside a value
          state_ = State::Sub;
        }
        break;
    }
  }
}

// The answers to our settings commands: option, command + 100, the value taken. Line and
// modem state notifications and the answers to control commands say nothing we keep.
void Codec::SubNegotiation() {
  if (sub_.size() < 3 || static_cast<std::uint8_t>(sub_[0]) != kComPort) return;
  const auto byte = [this](std::size_t i) { return static_cast<std::uint8_t>(sub_[i]); };
  switch (byte(1)) {
    case kServerAnswer + kSetBaudrate:
      if (sub_.size() == 6) {
        echo_.baud = std::uint32_t{byte(2)} << 24 | std::uint32_t{byte(3)} << 16 |
                     std::uint32_t{byte(4)} << 8 | std::uint32_t{byte(5)};
      }
      break;
    case kServerAnswer + kSetDatasize:
      echo_.dataBits = byte(2);
      break;
    case kServerAnswer + kSetParity:
      echo_.parity = byte(2);
      break;
    case kServerAnswer + kSetStopsize:
      echo_.stopBits = byte(2);
      break;
    default:
      break;
  }
}

// Only a change of state is answered, never an answer to our own request, so no exchange
// can go round in circles. What we do not know is refused.
void Codec::Negotiate(std::uint8_t verb, std::uint8_t option, std::string& reply) {
  const bool theirSide = verb == kWill || verb == kWont;
  const bool on = verb == kWill || verb == kDo;
  Q& q = theirSide ? theirs_[option] : ours_[option];
  const bool welcome =
      option == kBinary || option == kSuppressGoAhead || (!theirSide && option == kComPort);
  const std::uint8_t yes = theirSide ? kDo : kWill;
  const std::uint8_t no = theirSide ? kDont : kWont;
  if (on) {
    if (q == Q::Yes) return;
    if (q == Q::WantYes || welcome) {
      if (q == Q::No) reply += Bytes({kIac, yes, option});
      q = Q::Yes;
      return;
    }
    reply += Bytes({kIac, no, option});
    return;
  }
  if (q == Q::Yes) reply += Bytes({kIac, no, option});
  q = Q::No;
}

}  // namespace vyx::qt::telnet
