#include "vyx/sim/faults.h"

#include <numeric>

#include "vyx/sim/waveform.h"

namespace vyx::sim {

const std::vector<FaultKnob>& FaultKnobs() {
  using F = FaultSettings;
  static const std::vector<FaultKnob> kKnobs = {
      {"silence", "P", "no reply", 0, 1, &F::silence},
      {"bad-checksum", "P", "wrong checksum byte", 0, 1, &F::bad_checksum},
      {"stray", "P", "a random byte before the reply", 0, 1, &F::stray},
      {"stray-pass", "P", "a byte before the reply whose shifted window passes the checksum", 0, 1,
       &F::stray_pass},
      {"truncate", "P", "reply cut short", 0, 1, &F::truncate},
      {"late", "P", "reply sent --delay MS late; later replies queue behind it", 0, 1, &F::late},
      {"eeprom-silence", "P", "no reply to reads of the EEPROM data register", 0, 1,
       &F::eeprom_silence},
      {"eeprom-stray", "P", "a random byte before replies to EEPROM data reads", 0, 1,
       &F::eeprom_stray},
      {"delay", "MS", "delay of a late reply (default 150)", 0, 600000, nullptr, &F::delay_ms},
      {"drop-after", "N", "close the line after N valid frames (once)", 0, 1000000000, nullptr,
       &F::drop_after},
      {"junk-rate", "HZ", "random bytes a second while no reply is on the line", 0, 1e6,
       &F::junk_rate},
  };
  return kKnobs;
}

std::string SetFaultKnob(FaultSettings& settings, std::string_view name, std::string_view text) {
  for (const FaultKnob& k : FaultKnobs()) {
    if (name != k.name) continue;
    const auto v = ParseNumber(text);
    const bool whole = k.whole != nullptr;
    if (!v || *v < k.low || *v > k.high ||
        (whole && *v != static_cast<double>(static_cast<long>(*v)))) {
      return std::string(k.name) + " takes " + (whole ? "a whole number " : "a number ") +
             std::to_string(static_cast<long>(k.low)) + " to " +
             std::to_string(static_cast<long>(k.high)) + ", not " + std::string(text);
    }
    if (whole) {
      settings.*k.whole = static_cast<int>(*v);
    } else {
      settings.*k.real = *v;
    }
    return {};
  }
  return "unknown fault " + std::string(name);
}

FaultPlan FaultInjector::Draw(bool eeprom_read, std::size_t reply_size) {
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> nonzero(1, 255);
  const double silence = chance(rng_);
  const double eeprom = chance(rng_);
  const double checksum = chance(rng_);
  const double stray = chance(rng_);
  const double truncate = chance(rng_);
  const double late = chance(rng_);
  FaultPlan plan;
  plan.stray_byte = static_cast<std::uint8_t>(byte(rng_));
  plan.checksum_xor = static_cast<std::uint8_t>(nonzero(rng_));
  const std::size_t keep = rng_();  // drawn always, reduced below
  const double stray_pass = chance(rng_);
  const double eeprom_stray = chance(rng_);
  plan.silent = silence < settings_.silence;
  plan.eeprom_silent = eeprom_read && eeprom < settings_.eeprom_silence;
  plan.bad_checksum = checksum < settings_.bad_checksum;
  plan.stray = stray < settings_.stray || (eeprom_read && eeprom_stray < settings_.eeprom_stray);
  plan.stray_pass = reply_size > 1 && stray_pass < settings_.stray_pass;
  plan.truncate = reply_size > 1 && truncate < settings_.truncate;
  plan.late = late < settings_.late;
  plan.keep = reply_size > 1 ? 1 + keep % (reply_size - 1) : reply_size;
  return plan;
}

std::vector<std::uint8_t> FaultInjector::Apply(const FaultPlan& plan,
                                               std::vector<std::uint8_t> reply) {
  if (plan.Silent() || reply.empty()) return {};
  if (plan.bad_checksum) reply.back() ^= plan.checksum_xor;
  if (plan.truncate) reply.resize(plan.keep);
  if (plan.stray_pass && reply.size() > 1) {
    // The window the byte shifts ends with the reply's last but one byte, which a host that
    // takes the first n bytes reads as the checksum of the n - 1 bytes before it.
    const std::size_t n = reply.size();
    const unsigned sum = std::accumulate(reply.begin(), reply.end() - 2, 0u);
    reply.insert(reply.begin(), static_cast<std::uint8_t>(reply[n - 2] - sum));
  }
  if (plan.stray) reply.insert(reply.begin(), plan.stray_byte);
  return reply;
}

}  // namespace vyx::sim
