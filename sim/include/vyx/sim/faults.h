#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vyx::sim {

// Per-reply probabilities (0 to 1) of what can go wrong on a real line.
struct FaultSettings {
  double silence = 0.0;         // the reply is not sent at all
  double bad_checksum = 0.0;    // the checksum byte is wrong
  double stray = 0.0;           // one random byte goes out before the reply
  double stray_pass = 0.0;      // one byte before the reply, chosen so that the window it
                                // shifts (that byte and all but the reply's last) passes the
                                // checksum
  double truncate = 0.0;        // the reply stops short
  double late = 0.0;            // the reply goes out after delay_ms; later replies queue
                                // behind it, in order, as a busy board answers
  double eeprom_silence = 0.0;  // silence, for reads of the EEPROM data register only
  double eeprom_stray = 0.0;    // a stray byte, before replies to EEPROM data reads only
  int delay_ms = 150;
  int drop_after = 0;    // the line drops after this many valid frames; 0 never
  double junk_rate = 0;  // random bytes a second while no reply is on the line
};

// One setting of FaultSettings by name, as the command line (--NAME) and the control
// protocol (fault NAME) take it, with the same limits for both.
struct FaultKnob {
  const char* name;
  const char* value;  // what the value is, for the help text
  const char* help;
  double low;
  double high;
  double FaultSettings::*real = nullptr;
  int FaultSettings::*whole = nullptr;
};
const std::vector<FaultKnob>& FaultKnobs();
// Sets the knob called `name` from `text`; an error message, or "" when done.
std::string SetFaultKnob(FaultSettings& settings, std::string_view name, std::string_view text);

// What happens to one reply. Every reply draws the same amount of randomness, so the same seed
// and the same frames give the same faults.
struct FaultPlan {
  bool silent = false;
  bool eeprom_silent = false;
  bool bad_checksum = false;
  bool stray = false;
  bool stray_pass = false;
  bool truncate = false;
  bool late = false;
  std::uint8_t stray_byte = 0;
  std::uint8_t checksum_xor = 1;  // never 0, so the checksum always changes
  std::size_t keep = 1;           // bytes kept by a truncation, at least 1, fewer than all

  bool Silent() const { return silent || eeprom_silent; }
};

class FaultInjector {
 public:
  FaultInjector(const FaultSettings& settings, std::uint32_t seed)
      : settings_(settings), rng_(seed) {}

  FaultPlan Draw(bool eeprom_read, std::size_t reply_size);
  static std::vector<std::uint8_t> Apply(const FaultPlan& plan, std::vector<std::uint8_t> reply);
  std::uint8_t JunkByte() { return static_cast<std::uint8_t>(rng_()); }

  const FaultSettings& Settings() const { return settings_; }
  void SetSettings(const FaultSettings& settings) { settings_ = settings; }

 private:
  FaultSettings settings_;
  std::mt19937 rng_;
};

}  // namespace vyx::sim
