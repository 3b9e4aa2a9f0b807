#pragma once

#include <cstdint>

// The board's register map, as its firmware lays it out.
namespace vyx::sim::reg {

inline constexpr std::uint8_t kFirmware = 0x21;  // revision times 10
inline constexpr std::uint8_t kReset = 0x22;     // power-up flags in bits 2 and 1
inline constexpr std::uint8_t kPort = 0x23;      // inputs in bits 0-3, outputs in bits 4-7
inline constexpr std::uint8_t kAnalog0 = 0x24;   // five 16-bit readings, high byte first
inline constexpr std::uint8_t kClock = 0x2E;     // 16-bit counter, 0.5 ms a count
inline constexpr std::uint8_t kDif = 0x30;       // 24-bit pulse count
inline constexpr std::uint8_t kDit = 0x33;       // 24-bit interval, 0.8 us a count
inline constexpr std::uint8_t kPwm = 0x36;       // high, low
inline constexpr std::uint8_t kDpw = 0x38;
inline constexpr std::uint8_t kDog = 0x39;

inline constexpr std::uint8_t kStatusStart = 0x21;
inline constexpr int kStatusCount = 25;

inline constexpr std::uint8_t kEeControl = 0xA2;
inline constexpr std::uint8_t kEeAddress = 0xA3;
inline constexpr std::uint8_t kEeData = 0xA4;
inline constexpr std::uint8_t kEeReadCommand = 0x40;
inline constexpr std::uint8_t kEeWriteCommand = 0x85;

inline constexpr std::uint8_t kResetFlags = 0x06;
inline constexpr std::uint8_t kInputMask = 0x0F;

inline constexpr int kAnalogChannels = 5;
inline constexpr int kMaxBoards = 4;
inline constexpr int kEepromSize = 256;

}  // namespace vyx::sim::reg
