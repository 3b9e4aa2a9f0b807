// A serial port double: records every frame and setting, plays scripted replies and
// failures, and raises the receive notification as a real port does (once the input count
// reaches the threshold). Blocking waits advance the fake clock instead of sleeping.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fake_clock.h"
#include "link/platform.h"

namespace vyx::test {

class FakePort : public SerialPort {
 public:
  explicit FakePort(FakeClock& clock) : clock_(clock) {}

  int CommPort() const override { return port_; }
  IoResult SetCommPort(int port) override {
    const IoResult r = Step("CommPort=" + std::to_string(port), "CommPort");
    if (r == IoResult::Ok) port_ = port;
    return r;
  }
  bool IsOpen() const override { return open_; }
  IoResult SetOpen(bool open) override {
    const IoResult r = Step(open ? "Open" : "Close", open ? "Open" : "Close");
    if (r != IoResult::Ok) return r;
    if (!open) input.clear();
    open_ = open;
    return r;
  }
  IoResult SetSettings(std::string_view s) override { return Step("Settings=" + std::string(s)); }
  IoResult SetBinaryInput() override { return Step("Binary"); }
  IoResult SetRts(bool on) override { return Step(on ? "RTS=1" : "RTS=0", "RTS"); }
  IoResult SetDtr(bool on) override { return Step(on ? "DTR=1" : "DTR=0", "DTR"); }
  IoResult InputCount(int& count) override {
    count = static_cast<int>(input.size());
    return Failure("Count");
  }
  IoResult DiscardInput() override {
    if (Failure("Discard") == IoResult::Ok) input.clear();
    return Failure("Discard");
  }
  IoResult SetReceiveThreshold(int n) override {
    if (Failure("Threshold") == IoResult::Ok) threshold = n;
    return Failure("Threshold");
  }
  IoResult Write(std::string_view frame) override {
    if (Failure("Write") != IoResult::Ok || !open_)
      return open_ ? Failure("Write") : IoResult::NotOpen;
    frames.emplace_back(frame);
    if (onWrite) onWrite(std::string(frame));
    return IoResult::Ok;
  }
  IoResult Read(std::vector<std::uint8_t>& bytes) override {
    if (Failure("Read") != IoResult::Ok) return Failure("Read");
    bytes.assign(input.begin(), input.end());
    input.clear();
    return IoResult::Ok;
  }
  IoResult WaitForInput(int n, std::chrono::steady_clock::time_point deadline) override {
    ++waits;
    // As on a real port, what arrives during the wait is notified only after it, from the loop.
    const Waiting waiting(*this);
    // Scheduled bytes arrive in time order until enough wait or the deadline passes.
    while (static_cast<int>(input.size()) < n) {
      if (scheduled_.empty() || scheduled_.front().first > deadline) {
        if (clock_.Now() < deadline) clock_.Advance(Seconds(deadline - clock_.Now()));
        // Bytes that land after the limit was noticed, before the caller counts.
        if (!afterTimeout.empty()) Deliver(std::exchange(afterTimeout, {}));
        return IoResult::Ok;
      }
      Arrive();
    }
    return IoResult::Ok;
  }
  std::string LastError() const override { return "scripted failure"; }

  // Bytes arrive now; raises the receive notification if the count reaches the threshold.
  void Deliver(const std::vector<std::uint8_t>& bytes) {
    const std::size_t before = input.size(), t = static_cast<std::size_t>(threshold);
    input.insert(input.end(), bytes.begin(), bytes.end());
    owed_ = owed_ || (threshold > 0 && before < t && input.size() >= t);
    if (!waiting_) Notify();
  }
  // Bytes that arrive `delay` seconds from now, taken by a blocking wait or RunUntil.
  void DeliverLater(std::vector<std::uint8_t> bytes, double delay) {
    const auto at = clock_.Now() + FakeClock::Span(delay);
    const auto pos = std::upper_bound(scheduled_.begin(), scheduled_.end(), at,
                                      [](auto t, const auto& s) { return t < s.first; });
    scheduled_.emplace(pos, at, std::move(bytes));
  }
  // Moves the clock on to `t`, delivering scheduled bytes at their times on the way.
  void RunUntil(std::chrono::steady_clock::time_point t) {
    while (!scheduled_.empty() && scheduled_.front().first <= t) Arrive();
    if (clock_.Now() < t) clock_.Advance(Seconds(t - clock_.Now()));
  }
  void Pump() {
    Notify();
    RunUntil(clock_.Now());
  }
  void RaiseEvent(CommEvent e) { Raise(e); }
  // Fails an operation by its name in the log ("Open", "RTS", ...) or "Count", "Write", ...
  void Fail(const std::string& op, IoResult r = IoResult::Failed) { failures_[op] = r; }
  void Heal(const std::string& op) { failures_.erase(op); }

  std::vector<std::string> frames;  // every frame written, in order
  std::vector<std::string> log;     // settings and open/close calls, in order
  std::deque<std::uint8_t> input;
  std::vector<std::uint8_t> afterTimeout;
  std::function<void(const std::string&)> onWrite;
  int threshold = 0;
  int waits = 0;

 private:
  struct Waiting {
    explicit Waiting(FakePort& p) : port(p) { port.waiting_ = true; }
    ~Waiting() { port.waiting_ = false; }
    FakePort& port;
  };
  void Notify() {
    if (!std::exchange(owed_, false)) return;
    if (threshold > 0 && input.size() >= static_cast<std::size_t>(threshold)) {
      Raise(CommEvent::Receive);
    }
  }
  bool waiting_ = false;
  bool owed_ = false;
  static double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
  }
  IoResult Step(const std::string& entry, const std::string& op = "") {
    log.push_back(entry);
    return Failure(op.empty() ? entry : op);
  }
  void Arrive() {
    auto [at, bytes] = std::move(scheduled_.front());
    scheduled_.pop_front();
    if (clock_.Now() < at) clock_.Advance(Seconds(at - clock_.Now()));
    Deliver(bytes);
  }
  IoResult Failure(const std::string& op) const {
    auto it = failures_.find(op);
    return it == failures_.end() ? IoResult::Ok : it->second;
  }

  FakeClock& clock_;
  int port_ = 1;
  bool open_ = false;
  std::deque<std::pair<std::chrono::steady_clock::time_point, std::vector<std::uint8_t>>>
      scheduled_;
  std::map<std::string, IoResult> failures_;
};

}  // namespace vyx::test
