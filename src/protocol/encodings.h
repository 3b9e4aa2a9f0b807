// The values the update writes to the board's output registers, as the board takes them.
// Pure functions of their inputs.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace vyx::protocol {

// One digital output: its check box state and its bit in the port register.
struct OutputBit {
  std::int16_t state;  // 0 clear, anything else set
  int bit;
};

// The port register byte: each set output's bit; the input bits 0 to 3 stay 0.
int OutputByte(std::initializer_list<OutputBit> outputs);

// A percentage clamped to 0..100; anything that is not a number counts as 0.
double ClampPercent(double percent);

// DPW and DOG duty: 1.6 counts per percent, truncated (50 % is 80, 100 % is 160).
int DutyByte(double percent);

// PWM duty as the board's 10-bit value in two bytes: the whole and the 1/256 part of
// percent x 2.5 (50 % is 125 and 0, 25 % is 62 and 128).
struct PwmPair {
  int hi;
  int lo;
};
PwmPair PwmBytes(double percent);

}  // namespace vyx::protocol
