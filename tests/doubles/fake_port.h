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
#include <optional>
#include <string>
#include <vector>

#include "fake_clock.h"
#include "link/platform.h"

namespace vyx::test {

class FakePort : public SerialPort {
 public:
  explicit FakePort(FakeClock& clock) : clock_(clock) {}

  // Operations that can be made to fail, by name.
  enum class Op {
    SetCommPort,
    Open,
    Close,
    Settings,
    Binary,
    Rts,
    Dtr,
    Count,
    Discard,
    Threshold,
    Write,
    Read,
    Wait
  };

  int CommPort() const override { return port_; }
  IoResult SetCommPort(int port) override {
    log.push_back("CommPort=" + std::to_string(port));
    if (auto r = Failure(Op::SetCommPort); r != IoResult::Ok) return r;
    if (open_ && refuseChangeWhileOpen) return IoResult::InUse;
    port_ = port;
    return IoResult::Ok;
  }
  bool IsOpen() const override { return open_; }
  IoResult SetOpen(bool open) override {
    log.push_back(open ? "Open" : "Close");
    if (auto r = Failure(open ? Op::Open : Op::Close); r != IoResult::Ok) return r;
    open_ = open;
    if (open) {
      ++opens;
    } else {
      input.clear();
    }
    return IoResult::Ok;
  }
  IoResult SetSettings(std::string_view s) override {
    log.push_back("Settings=" + std::string(s));
    settings = std::string(s);
    return Failure(Op::Settings);
  }
  IoResult SetBinaryInput() override {
    log.push_back("Binary");
    return Failure(Op::Binary);
  }
  IoResult SetRts(bool on) override {
    log.push_back(on ? "RTS=1" : "RTS=0");
    return Failure(Op::Rts);
  }
  IoResult SetDtr(bool on) override {
    log.push_back(on ? "DTR=1" : "DTR=0");
    return Failure(Op::Dtr);
  }
  IoResult InputCount(int& count) override {
    if (auto r = Failure(Op::Count); r != IoResult::Ok) return r;
    count = static_cast<int>(input.size());
    return IoResult::Ok;
  }
  IoResult DiscardInput() override {
    if (auto r = Failure(Op::Discard); r != IoResult::Ok) return r;
    ++discards;
    input.clear();
    return IoResult::Ok;
  }
  IoResult SetReceiveThreshold(int n) override {
    if (auto r = Failure(Op::Threshold); r != IoResult::Ok) return r;
    threshold = n;
    return IoResult::Ok;
  }
  IoResult Write(std::string_view frame) override {
    if (auto r = Failure(Op::Write); r != IoResult::Ok) return r;
    if (!open_) return IoResult::NotOpen;
    frames.emplace_back(frame);
    if (onWrite) onWrite(std::string(frame));
    return IoResult::Ok;
  }
  IoResult Read(std::vector<std::uint8_t>& bytes) override {
    if (auto r = Failure(Op::Read); r != IoResult::Ok) return r;
    bytes.assign(input.begin(), input.end());
    input.clear();
    return IoResult::Ok;
  }
  IoResult WaitForInput(int n, std::chrono::steady_clock::time_point deadline) override {
    ++waits;
    if (auto r = Failure(Op::Wait); r != IoResult::Ok) return r;
    // Let scheduled bytes arrive in time order until enough wait or the deadline passes.
    while (static_cast<int>(input.size()) < n) {
      if (scheduled.empty() || scheduled.front().at > deadline) {
        if (clock_.Now() < deadline) clock_.Advance(Seconds(deadline - clock_.Now()));
        return IoResult::Ok;
      }
      Arrive();
    }
    return IoResult::Ok;
  }
  std::string LastError() const override { return "scripted failure"; }

  // Test controls -------------------------------------------------------------------
  // Bytes arrive now; raises the receive notification if the count reaches the threshold.
  void Deliver(const std::vector<std::uint8_t>& bytes) {
    const int before = static_cast<int>(input.size());
    input.insert(input.end(), bytes.begin(), bytes.end());
    const int after = static_cast<int>(input.size());
    if (threshold > 0 && before < threshold && after >= threshold) Raise(CommEvent::Receive);
  }
  // Bytes that arrive after `delay` seconds, picked up by a blocking wait or Pump().
  void DeliverLater(std::vector<std::uint8_t> bytes, double delay) {
    Scheduled s{clock_.Now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                   std::chrono::duration<double>(delay)),
                std::move(bytes)};
    scheduled.insert(
        std::upper_bound(scheduled.begin(), scheduled.end(), s,
                         [](const Scheduled& a, const Scheduled& b) { return a.at < b.at; }),
        std::move(s));
  }
  // Delivers whatever scheduled bytes are due by now.
  void Pump() {
    while (!scheduled.empty() && scheduled.front().at <= clock_.Now()) Arrive();
  }
  // When the next scheduled bytes arrive, if any are scheduled.
  std::optional<std::chrono::steady_clock::time_point> NextArrival() const {
    if (scheduled.empty()) return std::nullopt;
    return scheduled.front().at;
  }
  void RaiseEvent(CommEvent e) { Raise(e); }
  void Fail(Op op, IoResult r = IoResult::Failed) { failures[op] = r; }
  void Heal(Op op) { failures.erase(op); }

  std::vector<std::string> frames;  // every frame written, in order
  std::vector<std::string> log;     // settings and open/close calls, in order
  std::deque<std::uint8_t> input;
  std::function<void(const std::string&)> onWrite;
  std::string settings;
  int threshold = 0;
  int discards = 0;
  int opens = 0;
  int waits = 0;
  bool refuseChangeWhileOpen = false;

 private:
  struct Scheduled {
    std::chrono::steady_clock::time_point at;
    std::vector<std::uint8_t> bytes;
  };
  static double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
  }
  void Arrive() {
    Scheduled s = std::move(scheduled.front());
    scheduled.pop_front();
    if (clock_.Now() < s.at) clock_.Advance(Seconds(s.at - clock_.Now()));
    Deliver(s.bytes);
  }
  IoResult Failure(Op op) const {
    auto it = failures.find(op);
    return it == failures.end() ? IoResult::Ok : it->second;
  }

  FakeClock& clock_;
  int port_ = 1;
  bool open_ = false;
  std::deque<Scheduled> scheduled;
  std::map<Op, IoResult> failures;
};

}  // namespace vyx::test
