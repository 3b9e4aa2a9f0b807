#include "platform/tcp_line.h"

#include "platform/logging.h"

namespace vyx::qt {
namespace {

IoResult FromConnectError(QAbstractSocket::SocketError e) {
  switch (e) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::NetworkError:
      return IoResult::NoDevice;
    case QAbstractSocket::SocketAccessError:
      return IoResult::InUse;
    default:
      return IoResult::Failed;
  }
}

}  // namespace

TcpLine::TcpLine() {
  QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { Readable(); });
  QObject::connect(&socket_, &QTcpSocket::errorOccurred,
                   [this](QAbstractSocket::SocketError e) { OnError(e); });
  QObject::connect(&socket_, &QTcpSocket::disconnected, [this] { OnDisconnected(); });
}

void TcpLine::OnDisconnected() {
  if (quietClose_) return;
  quietClose_ = true;
  if (lastError_.empty()) lastError_ = "connection closed";
  Report(Trouble::Vanished, lastError_);
}

void TcpLine::OnError(QAbstractSocket::SocketError error) {
  if (error == QAbstractSocket::SocketTimeoutError) return;
  lastError_ = socket_.errorString().toStdString();
  if (quietClose_) return;
  if (error == QAbstractSocket::RemoteHostClosedError) {
    OnDisconnected();
  } else if (socket_.state() != QAbstractSocket::ConnectedState) {
    // The connection is lost (reset, network down): the line has gone away.
    OnDisconnected();
  } else if (ownCalls_ == 0) {
    Report(Trouble::Error, lastError_);
  }
}

IoResult TcpLine::Open(const Device& device, const LineSettings&) {
  OwnCall own(ownCalls_);
  quietClose_ = true;
  lastError_.clear();
  socket_.connectToHost(QString::fromStdString(device.host), device.port);
  if (!socket_.waitForConnected(kConnectMsecs)) {
    lastError_ = socket_.errorString().toStdString();
    const IoResult r = FromConnectError(socket_.error());
    socket_.abort();
    return r;
  }
  // Frames are a few bytes each: send them at once rather than gather them.
  socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  quietClose_ = false;
  qCDebug(lcLink) << "connected to" << socket_.peerName() << socket_.peerPort();
  return IoResult::Ok;
}

void TcpLine::Close() {
  quietClose_ = true;
  socket_.abort();
}

// The far end owns the line settings; the text has been checked already.
IoResult TcpLine::Apply(const LineSettings&) {
  return socket_.state() == QAbstractSocket::ConnectedState ? IoResult::Ok : IoResult::NotOpen;
}

IoResult TcpLine::SetRts(bool) {
  lastError_ = "a TCP connection has no RTS line";
  return IoResult::Unsupported;
}

IoResult TcpLine::SetDtr(bool) {
  lastError_ = "a TCP connection has no DTR line";
  return IoResult::Unsupported;
}

IoResult TcpLine::Write(std::string_view bytes) {
  OwnCall own(ownCalls_);
  if (socket_.state() != QAbstractSocket::ConnectedState) {
    lastError_ = "not connected";
    return quietClose_ ? IoResult::NotOpen : IoResult::NoDevice;
  }
  const auto size = static_cast<qint64>(bytes.size());
  if (socket_.write(bytes.data(), size) != size) {
    lastError_ = socket_.errorString().toStdString();
    return IoResult::Failed;
  }
  socket_.flush();  // into the kernel now, without blocking
  return socket_.state() == QAbstractSocket::ConnectedState ? IoResult::Ok : IoResult::NoDevice;
}

IoResult TcpLine::Poll(int msecs) {
  if (socket_.state() != QAbstractSocket::ConnectedState) return IoResult::NoDevice;
  if (socket_.waitForReadyRead(msecs)) return IoResult::Ok;
  if (socket_.state() != QAbstractSocket::ConnectedState) return IoResult::NoDevice;
  return socket_.error() == QAbstractSocket::SocketTimeoutError ? IoResult::Ok : IoResult::Failed;
}

void TcpLine::TakeInput(std::vector<std::uint8_t>& into) { TakeAll(socket_, into); }

}  // namespace vyx::qt
