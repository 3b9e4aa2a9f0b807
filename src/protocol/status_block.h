// The status block decoded into numbers: one pure step from the registers of a verified reply
// to every reading the board reports. The panel's texts and the hosts' typed readings both
// come from it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/register_map.h"

namespace vyx::protocol {

struct Readings {
  double firmware = 0;                                      // revision, 1.2
  std::array<double, 5> volts{};                            // AD0 to AD4, against the calibration
  double ditSeconds = 0;                                    // the DIT interval
  std::uint32_t difCount = 0;                               // the DIF count
  double pwmPercent = 0;                                    // PWM duty
  double dpwPercent = 0;                                    // DPW duty
  double dogPercent = 0;                                    // DOG duty
  bool dif = false, dit = false, din = false, dis = false;  // digital inputs
  bool don = false, doe = false, dok = false, dos = false;  // outputs as the board holds them
  bool resetFlagged = false;                                // the board has set a reset flag
  double boardClockSeconds = 0;  // the board's 16-bit counter, wrapping at 32.768 s
};

// The registers of one board's image, indexed by register address.
using RegisterImage = std::array<std::uint8_t, kImageRegisters>;

// Decodes the status block held in `image`, measuring the analog inputs against the
// calibration text.
Readings DecodeStatus(const RegisterImage& image, std::string_view vrefText);

}  // namespace vyx::protocol
