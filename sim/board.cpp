#include "vyx/sim/board.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vyx::sim {

namespace {

constexpr Nanos kClockTick = std::chrono::microseconds(500);
constexpr double kDitSecondsPerCount = 0.8e-6;
constexpr std::uint32_t kCounter24 = 1u << 24;

double Seconds(Nanos d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

Board::Board(int address, const BoardSettings& settings, Nanos now, std::uint32_t noise_seed)
    : address_(address), settings_(settings), noise_(noise_seed) {
  eeprom_.fill(0xFF);  // erased
  PowerUp(now);
}

void Board::PowerUp(Nanos now) {
  regs_.fill(0);
  regs_[reg::kReset] = reg::kResetFlags;
  power_up_ = now;
  dif_base_ = 0.0;
  dif_base_time_ = now;
  Refresh(now);
}

std::uint16_t Board::VoltsToRaw(double volts, double vref) {
  // Inverse of the host's reading volts = (raw + 32) * vref / 65536.
  const double raw = std::round(volts * 65536.0 / vref) - 32.0;
  return static_cast<std::uint16_t>(std::clamp(raw, 0.0, 65535.0));
}

void Board::Put16(std::uint8_t r, std::uint32_t value) {
  regs_[r] = static_cast<std::uint8_t>(value >> 8);
  regs_[r + 1] = static_cast<std::uint8_t>(value);
}

void Board::Put24(std::uint8_t r, std::uint32_t value) {
  regs_[r] = static_cast<std::uint8_t>(value >> 16);
  regs_[r + 1] = static_cast<std::uint8_t>(value >> 8);
  regs_[r + 2] = static_cast<std::uint8_t>(value);
}

// The live registers are sampled when they are read, as the firmware's interrupt handlers
// would have left them at that moment.
void Board::Refresh(Nanos now) {
  const Nanos since = std::max(now - power_up_, Nanos(0));
  regs_[reg::kFirmware] =
      static_cast<std::uint8_t>(std::clamp(std::lround(settings_.firmware * 10.0), 0L, 255L));

  std::uint8_t inputs = 0;
  for (int bit = 0; bit < 4; ++bit) {
    if (settings_.inputs[static_cast<std::size_t>(bit)])
      inputs |= static_cast<std::uint8_t>(1 << bit);
  }
  regs_[reg::kPort] = static_cast<std::uint8_t>((regs_[reg::kPort] & ~reg::kInputMask) | inputs);

  const double t = Seconds(since);
  for (int ch = 0; ch < reg::kAnalogChannels; ++ch) {
    const double volts = settings_.analog[static_cast<std::size_t>(ch)].Sample(t, noise_);
    Put16(static_cast<std::uint8_t>(reg::kAnalog0 + 2 * ch), VoltsToRaw(volts, settings_.vref));
  }

  const auto ticks = static_cast<std::uint64_t>(since / kClockTick);
  Put16(reg::kClock, static_cast<std::uint32_t>((settings_.clock_start + ticks) & 0xFFFF));

  const double pulses = dif_base_ + settings_.dif_rate * Seconds(now - dif_base_time_);
  Put24(reg::kDif,
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::max(pulses, 0.0)) % kCounter24));

  const double counts = std::round(settings_.dit_period / kDitSecondsPerCount);
  Put24(reg::kDit, static_cast<std::uint32_t>(std::clamp(counts, 0.0, double(kCounter24 - 1))));
}

void Board::Write(std::uint8_t r, std::uint8_t value) {
  if (r == reg::kPort) {
    // Only the output half of the port is writable; the input pins keep their levels.
    regs_[r] = static_cast<std::uint8_t>((value & ~reg::kInputMask) | (regs_[r] & reg::kInputMask));
    return;
  }
  regs_[r] = value;
  if (r != reg::kEeControl) return;
  const std::uint8_t address = regs_[reg::kEeAddress];
  if (value == reg::kEeReadCommand) {
    regs_[reg::kEeData] = eeprom_[address];
  } else if (value == reg::kEeWriteCommand) {
    eeprom_[address] = regs_[reg::kEeData];
    eeprom_written_ = true;
  }
}

void Board::ClearBit(std::uint8_t r, std::uint8_t bit) {
  if (bit < 8) regs_[r] = static_cast<std::uint8_t>(regs_[r] & ~(1u << bit));
}

std::vector<std::uint8_t> Board::ReadBlock(std::uint8_t start, int count, Nanos now) {
  Refresh(now);
  std::vector<std::uint8_t> reply;
  reply.reserve(static_cast<std::size_t>(count) + 1);
  unsigned sum = 0;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t value = regs_[static_cast<std::uint8_t>(start + i)];
    reply.push_back(value);
    sum += value;
  }
  reply.push_back(static_cast<std::uint8_t>(sum & 0xFF));
  return reply;
}

std::uint8_t Board::Register(std::uint8_t r, Nanos now) {
  Refresh(now);
  return regs_[r];
}

void Board::SetInput(Input input, bool level) {
  settings_.inputs[static_cast<std::size_t>(input)] = level;
}

void Board::SetAnalog(int channel, const Waveform& wave) {
  settings_.analog[static_cast<std::size_t>(channel)] = wave;
}

void Board::SetDifRate(double pulses_per_second, Nanos now) {
  // Fold the pulses counted at the old rate so that the count never jumps.
  dif_base_ += settings_.dif_rate * Seconds(now - dif_base_time_);
  dif_base_time_ = now;
  settings_.dif_rate = pulses_per_second;
}

void Board::SetDitPeriod(double seconds) { settings_.dit_period = seconds; }

Outputs Board::ReadOutputs() const {
  const std::uint8_t port = regs_[reg::kPort];
  Outputs out;
  out.don = (port & 0x10) != 0;
  out.doe = (port & 0x20) != 0;
  out.dok = (port & 0x40) != 0;
  out.dos = (port & 0x80) != 0;
  out.pwm = static_cast<std::uint16_t>(regs_[reg::kPwm] << 8 | regs_[reg::kPwm + 1]);
  out.dpw = regs_[reg::kDpw];
  out.dog = regs_[reg::kDog];
  return out;
}

bool Board::TakeEepromWritten() { return std::exchange(eeprom_written_, false); }

}  // namespace vyx::sim
