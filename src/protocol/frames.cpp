#include "protocol/frames.h"

#include <numeric>

namespace vyx::protocol {
namespace {

// The fields a letter's frame carries: always the address, the register and the second
// value, and by layout the spare, the first value and the check digit.
struct LetterRow {
  char letter;
  bool spare;
  bool value1;
  bool check;
};

// Every letter with a layout; the component sends only p, r, u and Q.
// letter, spare, value1, check
constexpr LetterRow kLetters[] = {
    {'p', true, false, true},   {'q', true, false, true},   {'r', true, false, true},
    {'s', true, false, true},   {'t', true, true, true},    {'u', true, true, true},
    {'P', false, false, false}, {'Q', false, false, false}, {'R', false, false, false},
    {'S', false, false, false}, {'T', false, true, false},  {'U', false, true, false},
};

constexpr char kDigits[] = "0123456789ABCDEF";

// Upper-case hex of v, at least `width` digits, onto the end of `out`. A negative value is
// written in its 32-bit two's-complement form, as a hex conversion gives.
void AppendHex(std::string& out, long long v, std::size_t width) {
  if (v < 0) v &= 0xFFFFFFFFLL;
  char reversed[16];
  std::size_t n = 0;
  do {
    reversed[n++] = kDigits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  while (n < width) reversed[n++] = '0';
  while (n > 0) out += reversed[--n];
}

const LetterRow* RowOf(char letter) {
  for (const LetterRow& row : kLetters) {
    if (row.letter == letter) return &row;
  }
  return nullptr;
}

}  // namespace

char CheckDigit(char letter, int address, int reg, int value1, int value2) {
  const long long sum =
      static_cast<unsigned char>(letter) + static_cast<long long>(address) + reg + value1 + value2;
  return kDigits[sum & 0xF];  // the low digit, of a negative sum's two's complement too
}

std::string BuildFrame(std::string_view letter, int address, int spare, int reg, int value1,
                       int value2) {
  if (letter.empty()) return {};
  const char l = letter.front();
  const LetterRow* row = RowOf(l);
  if (row == nullptr) return {};
  std::string frame(1, l);
  AppendHex(frame, address, 1);
  if (row->spare) AppendHex(frame, spare, 1);
  AppendHex(frame, reg, 2);
  if (row->value1) AppendHex(frame, value1, 2);
  AppendHex(frame, value2, 2);
  if (row->check) frame += CheckDigit(l, address, reg, value1, value2);
  return frame;
}

std::uint8_t BlockChecksum(std::span<const std::uint8_t> data) {
  const unsigned sum = std::accumulate(data.begin(), data.end(), 0u);
  return static_cast<std::uint8_t>(sum % 256u);
}

bool IsBlockReply(std::span<const std::uint8_t> reply, std::size_t count) {
  return reply.size() == count + 1 && reply.back() == BlockChecksum(reply.first(count));
}

}  // namespace vyx::protocol
