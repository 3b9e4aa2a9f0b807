#include "link/shared_line.h"

#include <algorithm>

namespace vyx {

// One component's view of the line. Settings and modem controls are the line's own, so they
// go straight through; whether the line counts as open is the component's own choice.
class SharedLine::Tap final : public SerialPort {
 public:
  explicit Tap(SharedLine& owner) : owner_(owner) {}

  bool IsTapOpen() const { return open_; }
  void Tell(CommEvent e) { Raise(e); }

  int CommPort() const override { return line().CommPort(); }
  IoResult SetCommPort(int port) override {
    if (port == line().CommPort()) return IoResult::Ok;
    // Another board still holds the line where it is.
    if (owner_.AnyOpen()) return IoResult::InUse;
    return line().SetCommPort(port);
  }
  bool IsOpen() const override { return open_ && line().IsOpen(); }
  IoResult SetOpen(bool open) override {
    if (!open) {
      open_ = false;
      if (owner_.holder_ == this) owner_.holder_ = nullptr;
      if (!owner_.AnyOpen() && line().IsOpen()) return line().SetOpen(false);
      return IoResult::Ok;
    }
    if (!line().IsOpen()) {
      if (const IoResult r = line().SetOpen(true); r != IoResult::Ok) return r;
    }
    open_ = true;
    return IoResult::Ok;
  }
  IoResult SetSettings(std::string_view s) override { return line().SetSettings(s); }
  IoResult SetBinaryInput() override { return line().SetBinaryInput(); }
  IoResult SetRts(bool on) override { return line().SetRts(on); }
  IoResult SetDtr(bool on) override { return line().SetDtr(on); }
  IoResult InputCount(int& count) override { return Held().InputCount(count); }
  IoResult DiscardInput() override { return Held().DiscardInput(); }
  IoResult SetReceiveThreshold(int n) override {
    // Letting go of the line must not end another board's wait.
    if (n == 0 && owner_.holder_ != this) return IoResult::Ok;
    return Held().SetReceiveThreshold(n);
  }
  IoResult Write(std::string_view frame) override { return Held().Write(frame); }
  IoResult Read(std::vector<std::uint8_t>& bytes) override { return Held().Read(bytes); }
  IoResult WaitForInput(int n, std::chrono::steady_clock::time_point deadline) override {
    return Held().WaitForInput(n, deadline);
  }
  std::string LastError() const override { return line().LastError(); }

 private:
  SerialPort& line() const { return owner_.line_; }
  SerialPort& Held() {
    owner_.Claim(this);
    return line();
  }

  SharedLine& owner_;
  bool open_ = false;
};

SharedLine::SharedLine(SerialPort& line) : line_(line) {
  line_.SetListener([this](CommEvent e) { OnLineEvent(e); });
}

SharedLine::~SharedLine() { line_.SetListener(nullptr); }

SerialPort& SharedLine::AddPort() {
  taps_.push_back(std::make_unique<Tap>(*this));
  return *taps_.back();
}

void SharedLine::Claim(Tap* tap) { holder_ = tap; }

bool SharedLine::AnyOpen() const {
  return std::any_of(taps_.begin(), taps_.end(), [](const auto& t) { return t->IsTapOpen(); });
}

void SharedLine::OnLineEvent(CommEvent event) {
  if (event == CommEvent::Receive) {
    if (holder_ != nullptr) holder_->Tell(event);
    return;
  }
  // Trouble on the line is every board's trouble; the one in conversation hears it first.
  // A component may close its port while it hears it, so the list is taken first.
  std::vector<Tap*> told;
  if (holder_ != nullptr && holder_->IsTapOpen()) told.push_back(holder_);
  for (const auto& t : taps_) {
    if (t.get() != holder_ && t->IsTapOpen()) told.push_back(t.get());
  }
  for (Tap* t : told) t->Tell(event);
}

}  // namespace vyx
