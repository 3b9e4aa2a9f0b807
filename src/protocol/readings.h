// Turning status-block registers into the texts the panel shows. Pure functions of the
// register values (bytes held as numbers) and, for the analog inputs, the calibration text.
#pragma once

#include <string>
#include <string_view>

namespace vyx::protocol {

// The firmware register holds the revision times ten: 12 reads "1.2".
std::string FirmwareText(double regFW);

// The reference the analog inputs are measured against: the number in the calibration text,
// or the nominal 5 V when it lies outside 4.5 to 5.5 (both limits valid) or is missing.
double VrefVolts(std::string_view vrefText);

// A 16-bit analog reading (high·256 + low) in volts against the calibration text. The 32
// puts each reading in the middle of its step.
double AdcToVolts(double raw, std::string_view vrefText);

// Volts as "0.000".
std::string VoltsText(double volts);

// The DIT interval in seconds, 0.8 µs a count, limited to 0.00005 .. 13 s.
double DitSeconds(double b0, double b1, double b2);
std::string DitText(double b0, double b1, double b2);

// The DIF count as a plain whole number, most significant byte first.
std::string DifText(double b0, double b1, double b2);

// PWM duty: the register pair holds 640 counts a percent. At most 100, as "0.000".
std::string PwmText(double high, double low);

// DPW and DOG duty: 1.6 counts a percent. At most 100, as "0.000".
std::string DutyText(double reg);

// Bit n (0 to 7) of a register value taken as a whole number: 1 or 0.
int BitOf(double value, int n);

}  // namespace vyx::protocol
