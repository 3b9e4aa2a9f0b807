// The typed readings as JSON, named as the properties that show them: the console's
// "values" object and the bridge's state and reading topics write the same numbers.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "control/vyx.h"

namespace vyx::documents {

// Each reading's name and its JSON: a number, or true/false for the inputs, the outputs and
// the reset flag. AD0volt to AD4volt, DITinterval, DIFcount, CLKtime, FWver, the duties, then
// the states. The names are the program's own constants.
using ValueList = std::vector<std::pair<std::string_view, std::string>>;
ValueList ValueMembers(const vyx::Readings& r);

// The members as one JSON object.
std::string ValuesJson(const ValueList& members);
std::string ValuesJson(const vyx::Readings& r);

}  // namespace vyx::documents
