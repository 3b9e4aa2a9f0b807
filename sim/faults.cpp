#include "vyx/sim/faults.h"

namespace vyx::sim {

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
  plan.silent = silence < settings_.silence;
  plan.eeprom_silent = eeprom_read && eeprom < settings_.eeprom_silence;
  plan.bad_checksum = checksum < settings_.bad_checksum;
  plan.stray = stray < settings_.stray;
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
  if (plan.stray) reply.insert(reply.begin(), plan.stray_byte);
  return reply;
}

}  // namespace vyx::sim
