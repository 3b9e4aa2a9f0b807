// Texts that came from a board or an operator, made safe to print: a terminal must not act on
// them, and a line-oriented reader must see one line where the program meant one.
#pragma once

#include <string>
#include <string_view>

namespace vyx::documents {

// The text as UTF-8 (see ToUtf8) with every control character written out: \n, \r and \t by
// name, any other C0 control, DEL and the C1 controls (U+0080 to U+009F, which some terminals
// also act on) as \xNN. The characters in `keep` pass as they are, as does everything else,
// backslashes included, so that ordinary texts read exactly as before.
std::string EscapeControls(std::string_view text, std::string_view keep = {});

}  // namespace vyx::documents
