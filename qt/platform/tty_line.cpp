#include "platform/tty_line.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/logging.h"

namespace vyx::qt {
namespace {

// What poll() sees on the device now, without waiting: input, a hang-up or an error; 0
// when nothing.
short PollNow(QSerialPort& port) {
  pollfd p{static_cast<int>(port.handle()), POLLIN, 0};
  return p.fd >= 0 && ::poll(&p, 1, 0) == 1 ? p.revents : 0;
}

// A pseudo-terminal whose other side has closed reads as end of file, which QSerialPort
// reports as a read error over and over; the hang-up shows in poll().
bool HungUp(QSerialPort& port) { return (PollNow(port) & (POLLHUP | POLLERR | POLLNVAL)) != 0; }

IoResult FromOpenError(QSerialPort::SerialPortError e) {
  switch (e) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::ResourceError:
      return IoResult::NoDevice;
    case QSerialPort::PermissionError:  // also a device locked by another process
    case QSerialPort::OpenError:
      return IoResult::InUse;
    default:
      return IoResult::Failed;
  }
}

QSerialPort::Parity ToQt(LineSettings::Parity p) {
  switch (p) {
    case LineSettings::Parity::None:
      return QSerialPort::NoParity;
    case LineSettings::Parity::Even:
      return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd:
      return QSerialPort::OddParity;
    case LineSettings::Parity::Mark:
      return QSerialPort::MarkParity;
    case LineSettings::Parity::Space:
      return QSerialPort::SpaceParity;
  }
  return QSerialPort::NoParity;
}

QSerialPort::StopBits ToQt(LineSettings::StopBits s) {
  switch (s) {
    case LineSettings::StopBits::One:
      return QSerialPort::OneStop;
    case LineSettings::StopBits::OneAndHalf:
      return QSerialPort::OneAndHalfStop;
    case LineSettings::StopBits::Two:
      return QSerialPort::TwoStop;
  }
  return QSerialPort::OneStop;
}

// Why a device did not open, in words that say what to do. QSerialPort reports both a
// device that another program holds (its lock file, or an exclusive open) and a device this
// user may not open as a permission error; only the second fails access().
std::string OpenErrorText(QSerialPort& port, const std::string& path) {
  if (port.error() != QSerialPort::PermissionError) return port.errorString().toStdString();
  if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    return "permission denied: add yourself to the dialout group (sudo usermod -aG dialout "
           "$USER) and log in again";
  }
  return "in use by another program";
}

// What the system takes of the bytes now, without blocking: the count (0 when it takes
// none), or -1 with errno set on an error.
ssize_t WriteNow(int fd, std::string_view bytes) {
  for (;;) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return -1;
  }
}

}  // namespace

// QSerialPort builds a translated message on every reset; most calls have nothing to reset.
void TtyLine::ClearError() {
  if (port_.error() != QSerialPort::NoError) port_.clearError();
}

TtyLine::TtyLine(SerialDriver& driver) : lowLatency_(driver) {
  QObject::connect(&port_, &QSerialPort::readyRead, [this] { Readable(); });
  QObject::connect(&port_, &QSerialPort::errorOccurred,
                   [this](QSerialPort::SerialPortError e) { OnError(e); });
}

void TtyLine::OnError(QSerialPort::SerialPortError error) {
  if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError) return;
  lastError_ = port_.errorString().toStdString();
  const bool gone = error == QSerialPort::ResourceError ||
                    (error == QSerialPort::ReadError && port_.isOpen() && HungUp(port_));
  if (gone) {
    // An unplugged device, or a pseudo-terminal whose other side has closed.
    if (!port_.isOpen() || vanished_) return;
    if (error != QSerialPort::ResourceError) lastError_ = "the device hung up";
    vanished_ = true;
    Report(Trouble::Vanished, lastError_);
    return;
  }
  if (ownCalls_ > 0) return;
  Report(Trouble::Error, lastError_);
}

void TtyLine::Store(const LineSettings& settings) {
  port_.setBaudRate(settings.baud);
  port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
  port_.setParity(ToQt(settings.parity));
  port_.setStopBits(ToQt(settings.stopBits));
  port_.setFlowControl(QSerialPort::NoFlowControl);
}

IoResult TtyLine::Open(const Device& device, const LineSettings& settings) {
  OwnCall own(ownCalls_);
  vanished_ = false;
  port_.clearError();
  port_.setPortName(QString::fromStdString(device.path));
  Store(settings);  // QSerialPort applies what it holds as it opens
  if (!port_.open(QIODevice::ReadWrite)) {
    lastError_ = OpenErrorText(port_, device.path);
    const IoResult r = FromOpenError(port_.error());
    port_.clearError();
    return r;
  }
  const bool fast = lowLatency_.Engage(static_cast<int>(port_.handle()));
  qCDebug(lcLink) << "opened" << port_.portName() << (fast ? "in low-latency mode" : "");
  return IoResult::Ok;
}

void TtyLine::Close() {
  OwnCall own(ownCalls_);
  vanished_ = true;  // a device that is closed cannot vanish again
  lowLatency_.Release();
  port_.close();
  port_.clearError();
}

IoResult TtyLine::Apply(const LineSettings& settings) {
  OwnCall own(ownCalls_);
  port_.clearError();
  const bool ok = port_.setBaudRate(settings.baud) &&
                  port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
                  port_.setParity(ToQt(settings.parity)) &&
                  port_.setStopBits(ToQt(settings.stopBits)) &&
                  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (ok) return IoResult::Ok;
  lastError_ = port_.errorString().toStdString();
  const QSerialPort::SerialPortError e = port_.error();
  port_.clearError();
  if (e == QSerialPort::ResourceError) return IoResult::NoDevice;
  return e == QSerialPort::UnsupportedOperationError ? IoResult::BadArgument : IoResult::Failed;
}

IoResult TtyLine::ModemControl(bool ok) {
  if (ok) return IoResult::Ok;
  lastError_ = port_.errorString().toStdString();
  const QSerialPort::SerialPortError e = port_.error();
  port_.clearError();
  if (e == QSerialPort::NotOpenError) return IoResult::NotOpen;
  if (e == QSerialPort::ResourceError) return IoResult::NoDevice;
  // A pseudo-terminal has no modem lines and refuses them.
  return IoResult::Unsupported;
}

IoResult TtyLine::SetRts(bool on) {
  OwnCall own(ownCalls_);
  port_.clearError();
  return ModemControl(port_.setRequestToSend(on));
}

IoResult TtyLine::SetDtr(bool on) {
  OwnCall own(ownCalls_);
  port_.clearError();
  return ModemControl(port_.setDataTerminalReady(on));
}

IoResult TtyLine::Write(std::string_view bytes) {
  OwnCall own(ownCalls_);
  if (!port_.isOpen()) return IoResult::NotOpen;
  if (vanished_) return IoResult::NoDevice;
  ClearError();
  // With nothing queued, a frame goes straight to the device: the system takes a short
  // frame whole, and QSerialPort's buffer would cost a write notifier and a turn of the
  // event loop on every frame. Whatever the system does not take goes through QSerialPort.
  if (port_.bytesToWrite() == 0) {
    const ssize_t n = WriteNow(static_cast<int>(port_.handle()), bytes);
    if (n < 0) {
      lastError_ = std::strerror(errno);
      return errno == EIO || errno == ENXIO || errno == EBADF ? IoResult::NoDevice
                                                              : IoResult::Failed;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    if (bytes.empty()) return IoResult::Ok;
  }
  const auto size = static_cast<qint64>(bytes.size());
  const bool queued = port_.write(bytes.data(), size) == size;
  // flush() hands what it can to the operating system now, without blocking; the rest
  // goes out from the event loop.
  if (queued) port_.flush();
  const QSerialPort::SerialPortError e = port_.error();
  if (queued && e == QSerialPort::NoError) return IoResult::Ok;
  lastError_ = port_.errorString().toStdString();
  port_.clearError();
  return e == QSerialPort::ResourceError ? IoResult::NoDevice : IoResult::Failed;
}

IoResult TtyLine::Poll(int msecs) {
  if (!port_.isOpen()) return IoResult::NotOpen;
  if (vanished_) return IoResult::NoDevice;
  ClearError();
  // A look with nothing to see is the common case; QSerialPort would record it as a
  // time-out error each time.
  if (msecs == 0 && PollNow(port_) == 0) return IoResult::Ok;
  if (port_.waitForReadyRead(msecs)) return IoResult::Ok;
  if (vanished_) return IoResult::NoDevice;
  // Anything but running out of time would come back at once: report it, never retry it.
  const QSerialPort::SerialPortError e = port_.error();
  port_.clearError();
  return e == QSerialPort::NoError || e == QSerialPort::TimeoutError ? IoResult::Ok
                                                                     : IoResult::Failed;
}

void TtyLine::TakeInput(std::vector<std::uint8_t>& into) { TakeAll(port_, into); }

}  // namespace vyx::qt
