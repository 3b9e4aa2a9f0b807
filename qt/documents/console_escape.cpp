#include "console_escape.h"

#include <algorithm>
#include <cstdio>

#include "json_values.h"

namespace vyx::documents {
namespace {

void AppendHex(std::string& out, unsigned code) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\x%02x", code);
  out += buf;
}

}  // namespace

std::string EscapeControls(std::string_view text, std::string_view keep) {
  // Printable ASCII, as every reading is, has nothing to escape.
  if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
    return std::string(text);
  }
  const std::string utf8 = ToUtf8(text);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    // A C1 control is U+0080 to U+009F: 0xC2 and 0x80 to 0x9F in UTF-8.
    if (c == 0xC2 && i + 1 < utf8.size()) {
      const auto next = static_cast<unsigned char>(utf8[i + 1]);
      if (next <= 0x9F) {
        AppendHex(out, next);
        ++i;
        continue;
      }
    }
    if (keep.find(static_cast<char>(c)) != std::string_view::npos) {
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      AppendHex(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace vyx::documents
