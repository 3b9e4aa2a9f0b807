// The board's units: registers (bytes held as numbers) into readings, and readings into the
// texts the panel shows. Pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vyx::protocol {

// The reference the analog inputs are measured against: the number in the calibration text,
// or the nominal 5 V when it lies outside 4.5 to 5.5 (both limits valid) or is missing.
double VrefVolts(std::string_view vrefText);

// A 16-bit analog reading (high·256 + low) in volts against the reference (VrefVolts). The 32
// puts each reading in the middle of its step.
double AdcToVolts(double raw, double vref);

// The DIT interval in seconds, 0.8 µs a count, limited to 0.00005 .. 13 s.
double DitSeconds(double b0, double b1, double b2);

// A 24-bit count, most significant byte first.
std::uint32_t Count24(double b0, double b1, double b2);

// PWM duty: the register pair holds 640 counts a percent. At most 100.
double PwmPercent(double high, double low);

// DPW and DOG duty: 1.6 counts a percent. At most 100.
double DutyPercent(double reg);

// The texts: firmware revision 1.2 as "1.2", volts and duties as "0.000", the interval with
// seven decimals, the count as a plain whole number.
std::string FirmwareText(double revision);
std::string VoltsText(double volts);
std::string PercentText(double percent);
std::string DitText(double seconds);
std::string DifText(std::uint32_t count);

}  // namespace vyx::protocol
