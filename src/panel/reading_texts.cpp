#include "panel/reading_texts.h"

#include <bit>

namespace vyx {

const std::string& ReadingTexts::Of(Field f, double value, Format format) {
  Kept& k = kept_[static_cast<std::size_t>(f)];
  // Compared bit for bit: a NaN is then the same as itself, and its text formed once.
  const auto bits = std::bit_cast<std::uint64_t>(value);
  if (k.format != format || k.bits != bits) {
    k.text = format(value);
    k.format = format;
    k.bits = bits;
  }
  return k.text;
}

}  // namespace vyx
