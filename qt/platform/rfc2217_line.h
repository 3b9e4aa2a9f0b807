// Internal: a serial line served over Telnet with its settings (rfc2217://HOST:PORT). The
// connection is TcpLine's; this adds the Telnet bytes: the speed, framing and modem controls
// go to the far end as commands, and the data is escaped on the way out and picked out of
// the commands on the way in.
#pragma once

#include <functional>

#include "platform/tcp_line.h"
#include "platform/telnet_codec.h"

namespace vyx::qt {

class Rfc2217Line final : public TcpLine {
 public:
  // Fails unless the far end agrees, within the connection's time, to take the settings.
  IoResult Open(const Device& device, const LineSettings& settings) override;
  // Fails unless the far end confirms, within the connection's time, the settings it took.
  IoResult Apply(const LineSettings& settings) override;
  IoResult SetRts(bool on) override;
  IoResult SetDtr(bool on) override;
  IoResult Write(std::string_view bytes) override;
  void TakeInput(std::vector<std::uint8_t>& into) override;

 private:
  IoResult Send(const std::string& commands);
  // What the socket holds, decoded: data onto `into`, commands into the codec.
  void Decode(std::vector<std::uint8_t>& into);
  // Polls until `done` holds, the connection's time has passed or the line fails, decoding
  // what comes meanwhile; its data goes onto `data`.
  IoResult AwaitFarEnd(const std::function<bool()>& done, std::vector<std::uint8_t>& data);

  telnet::Codec codec_;
  std::vector<std::uint8_t> raw_;   // what the socket gave, before decoding
  std::vector<std::uint8_t> held_;  // data that came while the settings were being confirmed
};

}  // namespace vyx::qt
