// The readings that `read` and `monitor` report, in the console's own formats; the CSV log is
// the one both hosts write (readings_csv.h).
#pragma once

#include <string>

#include "readings_csv.h"

namespace vyx::console {

// One JSON object on one line: each reading as the panel shows it, and under "values" the
// same readings as numbers (Booleans for the inputs, outputs and reset flag).
std::string ReadingsJson(const documents::Readings& readings, const vyx::Readings* values);
// One `NAME  VALUE` line each, values as they read in the panel, their control characters
// escaped so that a value can neither break its line nor drive the terminal.
std::string ReadingsText(const documents::Readings& readings);

// The monitor's log as JSON Lines, one object per update; a failed update's says so, leaves
// the readings out and gives the reason as "error" (a member only failed rows have). A good
// row has "values" as ReadingsJson does.
std::string JsonlRow(const documents::LogRow& row);

}  // namespace vyx::console
