#include "platform/qt_serial_port.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "platform/device.h"
#include "platform/logging.h"
#include "platform/rfc2217_line.h"
#include "platform/tcp_line.h"
#include "platform/tty_line.h"

namespace vyx::qt {

QtSerialPort::QtSerialPort(const PortMap& map)
    : map_(map),
      context_(std::make_unique<QObject>()),
      notify_(std::make_unique<QTimer>()),
      tty_(std::make_unique<TtyLine>()),
      tcp_(std::make_unique<TcpLine>()),
      rfc2217_(std::make_unique<Rfc2217Line>()) {
  notify_->setSingleShot(true);
  notify_->setInterval(0);
  QObject::connect(notify_.get(), &QTimer::timeout, [this] { NotifyIfDue(); });
  for (Line* line : {static_cast<Line*>(tty_.get()), static_cast<Line*>(tcp_.get()),
                     static_cast<Line*>(rfc2217_.get())}) {
    line->SetHandlers(
        [this, line, alive = alive_] {
          if (!*alive || line != line_) return;
          Pull();
          // Straight from the loop, the reply is told at once; inside a call into the port
          // or a notification, it waits for the loop.
          if (inCall_ == 0 && !notifying_) {
            NotifyNow();
          } else {
            CheckThreshold();
          }
        },
        [this, line, alive = alive_](Line::Trouble t, const std::string& message) {
          if (*alive && line == line_) OnTrouble(t == Line::Trouble::Vanished, message);
        });
  }
}

QtSerialPort::~QtSerialPort() {
  *alive_ = false;  // what the lines report from now on goes nowhere
  notify_.reset();
  context_.reset();  // drops every queued call before the lines go
  if (line_ != nullptr) line_->Close();
  line_ = nullptr;
  if (notifying_) {
    // Destroyed by a host from inside a receive notification, which runs inside the
    // line's own signal: the line must outlive that signal, so it goes from the loop.
    QTimer::singleShot(0,
                       [tty = tty_.release(), tcp = tcp_.release(), rfc2217 = rfc2217_.release()] {
                         delete tty;
                         delete tcp;
                         delete rfc2217;
                       });
  }
}

IoResult QtSerialPort::Fail(IoResult r, std::string message) {
  lastError_ = std::move(message);
  qCDebug(lcLink) << "Comm" << comm_ << ToString(r) << lastError_.c_str();
  return r;
}

IoResult QtSerialPort::Usable() {
  if (line_ == nullptr) return Fail(IoResult::NotOpen, "port not open");
  if (vanished_) return Fail(IoResult::NoDevice, "device has gone away");
  return IoResult::Ok;
}

IoResult QtSerialPort::SetCommPort(int port) {
  if (port < 1 || port > PortMap::kPorts) {
    return Fail(IoResult::BadArgument, "no port Comm" + std::to_string(port));
  }
  if (port != comm_ && line_ != nullptr) CloseLine();
  comm_ = port;
  return IoResult::Ok;
}

bool QtSerialPort::IsOpen() const { return line_ != nullptr && !vanished_; }

IoResult QtSerialPort::SetOpen(bool open) {
  if (!open) {
    if (line_ != nullptr) CloseLine();
    return IoResult::Ok;
  }
  if (IsOpen()) return IoResult::Ok;
  if (line_ != nullptr) CloseLine();  // what is left of a device that went away

  const std::string text = map_.Device(comm_);
  Device device;
  if (Status s = map_.Resolve(comm_, device); !s) return Fail(IoResult::BadArgument, s.message());
  Line* line = device.kind == Device::Kind::Tcp       ? static_cast<Line*>(tcp_.get())
               : device.kind == Device::Kind::Rfc2217 ? static_cast<Line*>(rfc2217_.get())
                                                      : static_cast<Line*>(tty_.get());
  if (IoResult r = line->Open(device, settings_); r != IoResult::Ok) {
    return Fail(r, text + ": " + line->LastError());
  }
  // Speed and framing must hold; a line without modem controls is still a good line.
  if (IoResult r = line->Apply(settings_); r != IoResult::Ok) {
    line->Close();
    return Fail(r, text + ": " + line->LastError());
  }
  if (line->SetRts(rts_) != IoResult::Ok || line->SetDtr(dtr_) != IoResult::Ok) {
    qCDebug(lcLink) << text.c_str() << "has no modem controls:" << line->LastError().c_str();
  }
  line_ = line;
  ++session_;
  vanished_ = false;
  input_.clear();
  notified_ = false;
  device_ = text;
  return IoResult::Ok;
}

void QtSerialPort::CloseLine() {
  line_->Close();
  line_ = nullptr;
  ++session_;
  vanished_ = false;
  input_.clear();
  notified_ = false;
  device_.clear();
}

IoResult QtSerialPort::SetSettings(std::string_view text) {
  LineSettings parsed;
  if (!ParseLineSettings(text, parsed)) {
    return Fail(IoResult::BadArgument, "bad line settings '" + std::string(text) + "'");
  }
  settings_ = parsed;
  if (line_ == nullptr) return IoResult::Ok;  // applied when the port opens
  // A line that waits for the far end's confirmation may take input meanwhile; a reply it
  // completes is told from the loop, not from inside this call.
  const CallDepth call(inCall_);
  if (IoResult r = Usable(); r != IoResult::Ok) return r;
  if (IoResult r = line_->Apply(settings_); r != IoResult::Ok) return Fail(r, line_->LastError());
  return IoResult::Ok;
}

// Input is always bytes.
IoResult QtSerialPort::SetBinaryInput() { return IoResult::Ok; }

IoResult QtSerialPort::SetRts(bool on) {
  rts_ = on;
  if (line_ == nullptr) return IoResult::Ok;  // applied when the port opens
  if (IoResult r = Usable(); r != IoResult::Ok) return r;
  if (IoResult r = line_->SetRts(on); r != IoResult::Ok) return Fail(r, line_->LastError());
  return IoResult::Ok;
}

IoResult QtSerialPort::SetDtr(bool on) {
  dtr_ = on;
  if (line_ == nullptr) return IoResult::Ok;
  if (IoResult r = Usable(); r != IoResult::Ok) return r;
  if (IoResult r = line_->SetDtr(on); r != IoResult::Ok) return Fail(r, line_->LastError());
  return IoResult::Ok;
}

void QtSerialPort::Pull() {
  if (line_ == nullptr) return;
  line_->TakeInput(input_);
  // Like a UART driver's buffer, the input holds so much and no more: nothing reads more
  // than a reply, and a line that babbles while no update runs must not grow the process.
  // The newest bytes are the ones a reply could still belong to.
  if (input_.size() > kInputLimit) {
    input_.erase(input_.begin(), input_.end() - static_cast<std::ptrdiff_t>(kInputLimit));
  }
}

void QtSerialPort::TakeInCurrent() {
  // Inside a notification straight from the line, everything the system held was taken
  // in just now; otherwise look.
  if (!notifying_) (void)line_->Poll(0);
  Pull();
}

bool QtSerialPort::Due() const {
  return threshold_ > 0 && !notified_ && static_cast<int>(input_.size()) >= threshold_;
}

void QtSerialPort::CheckThreshold() {
  if (!Due()) return;
  // Raised from the event loop, outside the line's own signal and outside any call of the
  // component; the count is looked at again then. A zero timer costs no wake-up of the
  // loop, unlike a posted call.
  if (!notify_->isActive()) notify_->start();
}

void QtSerialPort::NotifyNow() {
  if (!Due()) return;
  notified_ = true;
  const std::shared_ptr<bool> alive = alive_;
  notifying_ = true;
  Raise(CommEvent::Receive);
  if (!*alive) return;
  notifying_ = false;
  // A loop run inside the notification takes in input without the line's signal, which
  // does not nest: look at it now.
  Pull();
  CheckThreshold();
}

void QtSerialPort::NotifyIfDue() {
  if (!Due()) return;
  notified_ = true;
  Raise(CommEvent::Receive);
}

void QtSerialPort::OnTrouble(bool vanished, const std::string& message) {
  lastError_ = message;
  const std::uint64_t session = session_;
  if (vanished) {
    if (vanished_) return;
    vanished_ = true;  // writes fail from now on
    qCDebug(lcLink) << device_.c_str() << "has gone away:" << message.c_str();
    QMetaObject::invokeMethod(
        context_.get(), [this, session] { FinishVanish(session); }, Qt::QueuedConnection);
    return;
  }
  qCDebug(lcLink) << device_.c_str() << "error:" << message.c_str();
  QMetaObject::invokeMethod(
      context_.get(),
      [this, session] {
        if (session == session_ && !vanished_) Raise(CommEvent::Error);
      },
      Qt::QueuedConnection);
}

void QtSerialPort::FinishVanish(std::uint64_t session) {
  if (session != session_ || line_ == nullptr) return;
  CloseLine();
  Raise(CommEvent::Vanished);
}

IoResult QtSerialPort::InputCount(int& count) {
  const CallDepth call(inCall_);
  if (IoResult r = Usable(); r != IoResult::Ok) return r;
  TakeInCurrent();
  count = static_cast<int>(std::min<std::size_t>(input_.size(), INT_MAX));
  CheckThreshold();
  return IoResult::Ok;
}

IoResult QtSerialPort::DiscardInput() {
  const CallDepth call(inCall_);
  if (IoResult r = Usable(); r != IoResult::Ok) return r;
  TakeInCurrent();
  input_.clear();
  notified_ = false;
  return IoResult::Ok;
}

IoResult QtSerialPort::SetReceiveThreshold(int n) {
  if (n < 0) return Fail(IoResult::BadArgument, "negative receive threshold");
  threshold_ = n;
  notified_ = false;
  return IoResult::Ok;
}

IoResult QtSerialPort::Write(std::string_view frame) {
  const CallDepth call(inCall_);
  if (IoResult r = Usable(); r != IoResult::Ok) return r;
  if (IoResult r = line_->Write(frame); r != IoResult::Ok) {
    return Fail(r, device_ + ": " + line_->LastError());
  }
  return IoResult::Ok;
}

IoResult QtSerialPort::Read(std::vector<std::uint8_t>& bytes) {
  const CallDepth call(inCall_);
  if (IoResult r = Usable(); r != IoResult::Ok) return r;
  Pull();
  // Swapped, not moved: a caller that reads into the same vector every time and the input
  // keep their storage, and a reply costs no allocation.
  bytes.swap(input_);
  input_.clear();
  notified_ = false;
  return IoResult::Ok;
}

IoResult QtSerialPort::WaitForInput(int n, std::chrono::steady_clock::time_point deadline) {
  const CallDepth call(inCall_);
  using std::chrono::steady_clock;
  if (IoResult r = Usable(); r != IoResult::Ok) return r;
  IoResult result = IoResult::Ok;
  {
    Pull();
    while (static_cast<int>(input_.size()) < n) {
      const steady_clock::duration left = deadline - steady_clock::now();
      if (left <= steady_clock::duration::zero()) break;
      // Rounded up, so the last wait does not end just short of the deadline and spin.
      const auto msecs = std::chrono::ceil<std::chrono::milliseconds>(left).count();
      result = line_->Poll(static_cast<int>(std::min<decltype(msecs)>(msecs, INT_MAX)));
      Pull();
      if (result != IoResult::Ok) {
        (void)Fail(result, device_ + ": " + line_->LastError());
        break;
      }
    }
    // A caller held up past the deadline before its first wait must still see what came
    // meanwhile: the count after the wait is how it tells a quiet line.
    if (result == IoResult::Ok && static_cast<int>(input_.size()) < n) {
      result = line_->Poll(0);
      Pull();
    }
  }
  CheckThreshold();
  return result;
}

}  // namespace vyx::qt
