#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "vyx/sim/registers.h"
#include "vyx/sim/time_source.h"
#include "vyx/sim/waveform.h"

namespace vyx::sim {

enum class Input { kDif = 0, kDit = 1, kDin = 2, kDis = 3 };

// What the board's environment looks like; every board on a line starts from the same values.
struct BoardSettings {
  double firmware = 1.0;  // revision; the firmware register holds revision times 10
  double vref = 5.0;      // the reference the converter really uses
  std::array<Waveform, reg::kAnalogChannels> analog{
      Waveform::Constant(1.0), Waveform::Constant(2.0), Waveform::Constant(2.5),
      Waveform::Constant(3.0), Waveform::Constant(4.0)};
  std::array<bool, 4> inputs{};  // DIF, DIT, DIN, DIS levels
  double dif_rate = 10.0;        // pulses a second on the DIF input
  double dit_period = 0.01;      // seconds between DIT edges
  std::uint16_t clock_start = 0;
};

// The limits the command line and the control protocol both hold the inputs to.
inline constexpr double kMaxDifRate = 1e7;    // pulses a second
inline constexpr double kMaxDitPeriod = 1e3;  // seconds

struct Outputs {
  bool don = false, doe = false, dok = false, dos = false;
  std::uint16_t pwm = 0;
  std::uint8_t dpw = 0, dog = 0;
};

// One board's firmware: its register file, live inputs and EEPROM window.
class Board {
 public:
  using Eeprom = std::array<std::uint8_t, reg::kEepromSize>;

  Board(int address, const BoardSettings& settings, Nanos now, std::uint32_t noise_seed);

  int Address() const { return address_; }

  // Register access as the firmware does it. ReadBlock answers the bytes and their checksum.
  void Write(std::uint8_t reg, std::uint8_t value);
  void ClearBit(std::uint8_t reg, std::uint8_t bit);
  std::vector<std::uint8_t> ReadBlock(std::uint8_t start, int count, Nanos now);
  std::uint8_t Register(std::uint8_t reg, Nanos now);

  // Power cycle: reset flags set, outputs and counters cleared, clock restarted.
  void PowerUp(Nanos now);

  void SetInput(Input input, bool level);
  void SetAnalog(int channel, const Waveform& wave);
  void SetDifRate(double pulses_per_second, Nanos now);
  void SetDitPeriod(double seconds);
  const BoardSettings& Settings() const { return settings_; }
  Outputs ReadOutputs() const;

  const Eeprom& EepromImage() const { return eeprom_; }
  void LoadEeprom(const Eeprom& image) { eeprom_ = image; }
  void SetEepromByte(std::uint8_t address, std::uint8_t value) { eeprom_[address] = value; }
  // True once after each EEPROM write, so that the owner can persist it.
  bool TakeEepromWritten();

  static std::uint16_t VoltsToRaw(double volts, double vref);

 private:
  void Refresh(Nanos now);
  void Put16(std::uint8_t reg, std::uint32_t value);
  void Put24(std::uint8_t reg, std::uint32_t value);

  int address_;
  BoardSettings settings_;
  std::array<std::uint8_t, 256> regs_{};
  Eeprom eeprom_;
  bool eeprom_written_ = false;
  Nanos power_up_{};
  double dif_base_ = 0.0;  // pulses counted up to dif_base_time_
  Nanos dif_base_time_{};
  std::mt19937 noise_;
};

}  // namespace vyx::sim
