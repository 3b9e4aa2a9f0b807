#pragma once

#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace vyx::sim {

// What an analog input sees, in volts, as a function of time.
struct Waveform {
  enum class Kind { kConstant, kSine, kRamp, kNoise };

  Kind kind = Kind::kConstant;
  double a = 0.0;       // constant: level; sine and noise: centre; ramp: low end
  double b = 0.0;       // sine and noise: amplitude; ramp: high end
  double period = 1.0;  // seconds, sine and ramp

  static Waveform Constant(double volts) { return {Kind::kConstant, volts, 0.0, 1.0}; }

  double Sample(double seconds, std::mt19937& rng) const;

  // "2.5", "sine:CENTRE,AMPLITUDE,PERIOD", "ramp:LOW,HIGH,PERIOD", "noise:CENTRE,AMPLITUDE".
  static std::optional<Waveform> Parse(std::string_view text);
  std::string ToString() const;
};

// Reads a decimal number with a point as separator whatever the locale; nothing may follow.
std::optional<double> ParseNumber(std::string_view text);

}  // namespace vyx::sim
