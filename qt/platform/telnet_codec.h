// Internal: the bytes of a Telnet connection that carries a serial line with its settings
// (COM-PORT-OPTION, option 44) and 8-bit data (BINARY, option 0). Standard C++ only: the
// Qt line feeds it what the socket gave and sends what it returns.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/line_settings.h"

namespace vyx::qt::telnet {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPort = 44;

// Outgoing data with every 0xFF doubled, so that the far end does not take it for a command.
std::string EscapeData(std::string_view data);
// The commands that set speed, data bits, parity and stop bits.
std::string LineCommands(const LineSettings& settings);
// The command that switches RTS or DTR.
std::string ControlCommand(bool rts, bool on);

// What the far end says it set the line to, in its answers to the settings commands; each
// part is empty until it has answered.
struct LineEcho {
  std::optional<std::uint32_t> baud;
  std::optional<std::uint8_t> dataBits, parity, stopBits;
  bool Complete() const { return baud && dataBits && parity && stopBits; }
};
// Empty when every part has answered and agrees with `settings`; otherwise what is missing
// or set otherwise, in words.
std::string EchoDisagreement(const LineSettings& settings, const LineEcho& echo);

// Splits what arrives into data and commands, answers the far end's option requests and asks
// for ours. Commands may be split across pieces at any byte.
class Codec {
 public:
  enum class Offer : std::uint8_t { Asked, Accepted, Refused };

  // Our requests, to send on connecting: we will carry the line's settings and 8-bit data
  // both ways.
  std::string Start();
  // Appends the data bytes of `in` to `data` and the answers owed to the far end to `reply`.
  void Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data, std::string& reply);
  // Whether the far end takes the line's settings from us.
  Offer ComPort() const;
  // Its answers to the settings commands since the last ForgetEcho().
  const LineEcho& Echo() const { return echo_; }
  void ForgetEcho() { echo_ = {}; }

 private:
  enum class State : std::uint8_t { Data, Command, Option, Sub, SubCommand };
  enum class Q : std::uint8_t { No, WantYes, Yes };  // one side of one option
  void Negotiate(std::uint8_t verb, std::uint8_t option, std::string& reply);
  void SubNegotiation();

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  std::array<Q, 256> ours_{};    // options we perform (WILL / WONT, asked by DO / DONT)
  std::array<Q, 256> theirs_{};  // options the far end performs (DO / DONT)
  std::string sub_;              // the sub-negotiation being read, unescaped
  LineEcho echo_;
};

}  // namespace vyx::qt::telnet
