// The readings that `read` and `monitor` report: the properties a host reads after NewData,
// and their output formats.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "control/host.h"

namespace vyx {
class Vyx;
}

namespace vyx::console {

// clang-format off
inline constexpr std::array<std::string_view, 23> kReadingNames{
    "AD0volt", "AD1volt", "AD2volt", "AD3volt", "AD4volt", "DITinterval", "DIFcount", "CLKtime",
    "FWver", "PWMduty", "DPWduty", "DOGduty", "DONstate", "DOEstate", "DOKstate", "DOSstate",
    "DINstate", "DISstate", "DIFstate", "DITstate", "RSTstate", "IDstring", "Vrefvolt"};
// clang-format on

using Readings = std::vector<std::pair<std::string_view, PropValue>>;

// Reads every reading through the component's properties, in kReadingNames order.
Readings TakeReadings(const Vyx& vyx);

// One JSON object on one line.
std::string ReadingsJson(const Readings& readings);
// One `NAME  VALUE` line each, values as they read in the panel, their control characters
// escaped so that a value can neither break its line nor drive the terminal.
std::string ReadingsText(const Readings& readings);

// The monitor's log. A failed update has no readings: its row says so and leaves them out.
// CSV cells are quoted as RFC 4180 has it, and a text a spreadsheet would take for a formula
// is made plain text; numbers stay numbers.
struct LogRow {
  std::string time;                    // ISO 8601 with milliseconds and offset
  long update = 0;                     // counts from 1
  const Readings* readings = nullptr;  // null: the update failed
};
std::string CsvHeader();
std::string CsvRow(const LogRow& row);
std::string JsonlRow(const LogRow& row);

}  // namespace vyx::console
