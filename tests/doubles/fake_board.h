// The board at address 0 on a 38400-baud line: answers status requests with its block and
// reads of its EEPROM window, a byte a character time, each reply behind the one on the wire;
// output frames set its port. Frames with a wrong check digit are ignored, as it ignores them.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "rig.h"

namespace vyx::test {

class FakeBoard {
 public:
  static constexpr double kByteTime = 10.0 / 38400;
  // Bytes put on the wire `first` seconds after the request.
  using Pieces = std::vector<std::pair<double, Bytes>>;
  // How the board answers one status request, given the reply it would send.
  using Answer = std::function<Pieces(const Bytes& reply)>;

  explicit FakeBoard(Rig& r) : r_(r) {
    r_.port.onWrite = [this, next = r_.port.onWrite](const std::string& f) {
      if (next) next(f);
      Heard(f);
    };
  }

  Bytes regs = Bytes(25, 0);                // the status block, registers 0x21..0x39
  std::map<int, std::uint8_t> eeprom;       // absent bytes read as 0
  std::set<int> silent;                     // EEPROM addresses whose reads get no answer
  int eepromStrays = 0;                     // EEPROM replies still to get a stray byte in front
  std::deque<Answer> script;                // answers to the next status requests; then prompt ones
  std::vector<std::pair<int, int>> writes;  // EEPROM (address, byte), in the order written
  std::vector<int> reads;                   // EEPROM addresses read, in order
  int requests = 0;                         // status requests heard
  bool countInDif = false;                  // the DIF count tells which request a reply answers
  std::size_t handover = 1;                 // bytes an adapter hands the host at once

  // The identifier's marker and bytes, and the calibration's high and low bytes.
  void Hold(const std::string& id, int high, int low, int marker = 0xA5) {
    int at = 1;
    for (unsigned char c : std::string(1, static_cast<char>(marker)) + id) eeprom[at++] = c;
    eeprom[10] = static_cast<std::uint8_t>(high);
    eeprom[11] = static_cast<std::uint8_t>(low);
  }

 private:
  static int Hex(const std::string& s, std::size_t at, std::size_t n) {
    return std::stoi(s.substr(at, n), nullptr, 16);
  }
  void Heard(const std::string& f) {
    if (f.size() < 6 || f[1] != '0') return;  // the board at address 0
    if (f == "Q02119") return Status();
    if (f == "Q0A401") {
      if (!answer_) return;
      Bytes reply{data_, data_};
      if (eepromStrays > 0 && eepromStrays-- > 0) reply.insert(reply.begin(), 0x5A);
      return Send({{0.0005, reply}});
    }
    const bool u = f[0] == 'u';
    const int reg = Hex(f, 3, 2), v = Hex(f, u ? 7 : 5, 2);
    if (f.size() != (u ? 10u : 8u) ||
        Hex(f, f.size() - 1, 1) != (f[0] + reg + Hex(f, 5, 2) + (u ? v : 0)) % 16) {
      return;
    }
    if (u) return Status();  // a PWM write is answered with the status block
    if (f[0] != 'p') return;
    // Outputs are the port's top four bits; the bottom four are inputs.
    if (reg == 0x23) regs[2] = static_cast<std::uint8_t>((regs[2] & 0x0F) | (v & 0xF0));
    if (reg == 0xA3) at_ = v;
    if (reg == 0xA4) data_ = static_cast<std::uint8_t>(v);
    if (reg == 0xA2 && v == 0x40) {
      reads.push_back(at_);
      answer_ = !silent.contains(at_);
      data_ = eeprom.contains(at_) ? eeprom[at_] : 0;
    }
    if (reg == 0xA2 && v == 0x85) writes.emplace_back(at_, eeprom[at_] = data_);
  }
  void Status() {
    ++requests;
    if (countInDif) regs[17] = static_cast<std::uint8_t>(requests);
    Pieces answer = {{0.0005, StatusReply(regs)}};
    if (!script.empty()) answer = script.front()(answer[0].second), script.pop_front();
    Send(answer);
  }
  void Send(const Pieces& pieces) {
    const double now = std::chrono::duration<double>(r_.clock.Now().time_since_epoch()).count();
    for (const auto& [after, bytes] : pieces) {
      double at = std::max(now + after, free_);
      Bytes held;
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        at += kByteTime;
        held.push_back(bytes[i]);
        if (held.size() == handover || i + 1 == bytes.size()) {
          r_.port.DeliverLater(held, at - now);
          held.clear();
        }
      }
      free_ = at;
    }
  }

  Rig& r_;
  int at_ = 0;
  std::uint8_t data_ = 0;
  bool answer_ = false;
  double free_ = 0;  // when the wire is free again
};

}  // namespace vyx::test
