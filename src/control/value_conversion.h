// Host values into property values: one set of rules and messages for every way in.
#pragma once

#include <string>

#include "control/host.h"
#include "control/properties.h"
#include "control/status.h"

namespace vyx {

// Converts a host's value (from a document, a widget property or the console) to a
// property's type, the way a host's property bag would:
// - String: a text as is; true/false as "True"/"False" (a host's own bag gives these);
//   an integer as its decimal text; a finite double as its shortest decimal text, with a
//   point whatever the locale.
// - Integer: an integer, a whole double, or a text holding a whole number (blanks around it
//   allowed), within -32768..32767; true as -1 and false as 0.
// - Boolean: true/false; an integer or whole double, 0 false and any other true; a text
//   "true", "false" (any case), "-1", "0" or "1", blanks around it allowed.
// Anything else fails with a message that shows the value. Whether the field then takes
// the converted value is CheckFieldValue's to say (a check box takes 0 or 1 only, so a
// stored true, which is -1, is refused there).
Status ConvertValue(const BagValue& value, PropType type, PropValue& out);

}  // namespace vyx
