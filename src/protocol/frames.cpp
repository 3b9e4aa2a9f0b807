#include "protocol/frames.h"

#include <numeric>

namespace vyx::protocol {
namespace {

enum class Layout { None, LAZRV2C, LAZRV1V2C, LARV2, LARV1V2 };

struct LetterRow {
  char letter;
  Layout layout;
};

// Every letter with a layout; the component sends only p, r, u and Q.
constexpr LetterRow kLetters[] = {
    {'p', Layout::LAZRV2C}, {'q', Layout::LAZRV2C},   {'r', Layout::LAZRV2C},
    {'s', Layout::LAZRV2C}, {'t', Layout::LAZRV1V2C}, {'u', Layout::LAZRV1V2C},
    {'P', Layout::LARV2},   {'Q', Layout::LARV2},     {'R', Layout::LARV2},
    {'S', Layout::LARV2},   {'T', Layout::LARV1V2},   {'U', Layout::LARV1V2},
};

std::string Hex(long long v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (v < 0) v &= 0xFFFFFFFFLL;  // the two's-complement form, as a hex conversion gives
  std::string s;
  do {
    s.insert(s.begin(), kDigits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  return s;
}

std::string Hex2(int v) {
  std::string s = Hex(v);
  return s.size() < 2 ? "0" + s : s;
}

Layout LayoutOf(char letter) {
  for (const LetterRow& row : kLetters) {
    if (row.letter == letter) return row.layout;
  }
  return Layout::None;
}

}  // namespace

char CheckDigit(char letter, int address, int reg, int value1, int value2) {
  const long long sum =
      static_cast<unsigned char>(letter) + static_cast<long long>(address) + reg + value1 + value2;
  return Hex(sum).back();
}

std::string BuildFrame(std::string_view letter, int address, int spare, int reg, int value1,
                       int value2) {
  if (letter.empty()) return {};
  const char l = letter.front();
  const std::string a = Hex(address);
  const std::string z = Hex(spare);
  const std::string r = Hex2(reg);
  const std::string v1 = Hex2(value1);
  const std::string v2 = Hex2(value2);
  const char c = CheckDigit(l, address, reg, value1, value2);
  switch (LayoutOf(l)) {
    case Layout::LAZRV2C:
      return l + a + z + r + v2 + c;
    case Layout::LAZRV1V2C:
      return l + a + z + r + v1 + v2 + c;
    case Layout::LARV2:
      return l + a + r + v2;
    case Layout::LARV1V2:
      return l + a + r + v1 + v2;
    case Layout::None:
      break;
  }
  return {};
}

std::uint8_t BlockChecksum(std::span<const std::uint8_t> data) {
  const unsigned sum = std::accumulate(data.begin(), data.end(), 0u);
  return static_cast<std::uint8_t>(sum % 256u);
}

bool IsBlockReply(std::span<const std::uint8_t> reply, std::size_t count) {
  return reply.size() == count + 1 && reply.back() == BlockChecksum(reply.first(count));
}

}  // namespace vyx::protocol
