// The texts of the readings, kept with the numbers they show. Most readings are the same
// from one update to the next, and their texts need not be formed again: a format is a pure
// function of the number, so a kept text is the one the format would give.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "panel/field.h"

namespace vyx {

class ReadingTexts {
 public:
  using Format = std::string (*)(double);

  // The text of `value` in `format`, for the field `f`.
  const std::string& Of(Field f, double value, Format format);

 private:
  struct Kept {
    Format format = nullptr;
    std::uint64_t bits = 0;
    std::string text;
  };
  std::array<Kept, kFieldCount> kept_;
};

}  // namespace vyx
