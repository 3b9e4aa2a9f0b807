// Internal: a raw TCP connection used as a serial line (tcp://HOST:PORT). The line settings
// belong to the far end; the connection has no modem controls. Rfc2217Line builds on it.
#pragma once

#include <QTcpSocket>

#include "platform/line.h"

namespace vyx::qt {

class TcpLine : public Line {
 public:
  // How long opening waits for the connection before giving up.
  static constexpr int kConnectMsecs = 3000;

  TcpLine();
  IoResult Open(const Device& device, const LineSettings& settings) override;
  void Close() override;
  IoResult Apply(const LineSettings& settings) override;
  IoResult SetRts(bool on) override;
  IoResult SetDtr(bool on) override;
  IoResult Write(std::string_view bytes) override;
  IoResult Poll(int msecs) override;
  void TakeInput(std::vector<std::uint8_t>& into) override;

 private:
  void OnError(QAbstractSocket::SocketError error);
  void OnDisconnected();

  QTcpSocket socket_;
  int ownCalls_ = 0;
  bool quietClose_ = true;  // no connection, or one we are closing ourselves
};

}  // namespace vyx::qt
