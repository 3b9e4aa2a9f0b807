// UTF-8, the encoding of every text the component holds. Pure functions, used by the
// identifier's 8-bit record and by the hosts' JSON alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vyx {

// Appends the UTF-8 form of a code point (at most 0x10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// The well-formed sequence at text[i]: its code point, with i moved past it. An ill-formed
// one (overlong, a surrogate, above 0x10FFFF, cut short) gives none, with i moved past its
// maximal valid part, at least one byte, so that the byte that broke it starts the next.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& i);

}  // namespace vyx
