#include "platform/rfc2217_line.h"

#include <chrono>
#include <string>
#include <utility>

namespace vyx::qt {

IoResult Rfc2217Line::Open(const Device& device, const LineSettings& settings) {
  codec_ = telnet::Codec();
  held_.clear();
  if (IoResult r = TcpLine::Open(device, settings); r != IoResult::Ok) return r;
  IoResult r = Send(codec_.Start());
  // Data that comes before the far end has agreed is dropped, as the port drops its input
  // on opening.
  std::vector<std::uint8_t> early;
  if (r == IoResult::Ok) {
    r = AwaitFarEnd([this] { return codec_.ComPort() != telnet::Codec::Offer::Asked; }, early);
  }
  if (r == IoResult::Ok && codec_.ComPort() != telnet::Codec::Offer::Accepted) {
    lastError_ = codec_.ComPort() == telnet::Codec::Offer::Refused
                     ? "the server refuses to set the line (no RFC 2217 com-port option)"
                     : "no answer to the RFC 2217 com-port option: is it a Telnet server?";
    r = IoResult::Failed;
  }
  if (r != IoResult::Ok) Close();
  return r;
}

// The server answers each setting with the value it took. A speed it cannot set shows here,
// in words, rather than later as replies that never come.
IoResult Rfc2217Line::Apply(const LineSettings& settings) {
  codec_.ForgetEcho();
  IoResult r = Send(telnet::LineCommands(settings));
  // Data that comes meanwhile is the host's: it is kept for its next look.
  if (r == IoResult::Ok) r = AwaitFarEnd([this] { return codec_.Echo().Complete(); }, held_);
  if (r != IoResult::Ok) return r;
  if (std::string why = telnet::EchoDisagreement(settings, codec_.Echo()); !why.empty()) {
    lastError_ = std::move(why);
    return IoResult::Failed;
  }
  return IoResult::Ok;
}

IoResult Rfc2217Line::AwaitFarEnd(const std::function<bool()>& done,
                                  std::vector<std::uint8_t>& data) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectMsecs);
  IoResult r = IoResult::Ok;
  while (r == IoResult::Ok && !done()) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    r = Poll(static_cast<int>(left.count()));
    Decode(data);
  }
  return r;
}

IoResult Rfc2217Line::SetRts(bool on) { return Send(telnet::ControlCommand(true, on)); }

IoResult Rfc2217Line::SetDtr(bool on) { return Send(telnet::ControlCommand(false, on)); }

IoResult Rfc2217Line::Write(std::string_view bytes) {
  return TcpLine::Write(telnet::EscapeData(bytes));
}

void Rfc2217Line::TakeInput(std::vector<std::uint8_t>& into) {
  into.insert(into.end(), held_.begin(), held_.end());
  held_.clear();
  Decode(into);
}

void Rfc2217Line::Decode(std::vector<std::uint8_t>& into) {
  raw_.clear();
  TcpLine::TakeInput(raw_);
  std::string reply;
  codec_.Feed(raw_, into, reply);
  // A failed answer shows as the connection's own trouble.
  if (!reply.empty()) (void)Send(reply);
}

IoResult Rfc2217Line::Send(const std::string& commands) { return TcpLine::Write(commands); }

}  // namespace vyx::qt
