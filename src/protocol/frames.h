// Command frames: ASCII, one letter and hex fields, no start, separator or terminator.
// Pure functions of their arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vyx::protocol {

// The frame for a command letter (only its first character counts), or "" for a letter
// that has no layout. Fields are formed before the letter is looked at, as the board
// expects: A and Z unpadded hex, R, V1 and V2 two-digit hex, C the low nibble of the sum.
std::string BuildFrame(std::string_view letter, int address, int spare, int reg, int value1,
                       int value2);

// The check digit of a lowercase frame: low four bits of letter + address + register +
// value1 + value2 (the spare is not added).
char CheckDigit(char letter, int address, int reg, int value1, int value2);

// Sum of the data bytes modulo 256, as the board appends it to a block reply.
std::uint8_t BlockChecksum(std::span<const std::uint8_t> data);

// Whether `reply` is a whole block reply of `count` data bytes: exactly that many bytes and
// their checksum, nothing more or less.
bool IsBlockReply(std::span<const std::uint8_t> reply, std::size_t count);

}  // namespace vyx::protocol
