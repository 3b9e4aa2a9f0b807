// The readings a host takes after NewData, and the CSV log both hosts write of them.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "control/host.h"
#include "control/vyx.h"

namespace vyx::documents {

// clang-format off
inline constexpr std::array<std::string_view, 23> kReadingNames{
    "AD0volt", "AD1volt", "AD2volt", "AD3volt", "AD4volt", "DITinterval", "DIFcount", "CLKtime",
    "FWver", "PWMduty", "DPWduty", "DOGduty", "DONstate", "DOEstate", "DOKstate", "DOSstate",
    "DINstate", "DISstate", "DIFstate", "DITstate", "RSTstate", "IDstring", "Vrefvolt"};
// clang-format on

using Readings = std::vector<std::pair<std::string_view, PropValue>>;

// Reads every reading through the component's properties, in kReadingNames order.
Readings TakeReadings(const Vyx& vyx);

// A reading as it reads in the panel: a text as UTF-8, anything else as its JSON.
std::string PlainText(const PropValue& value);

// One row of the log. A failed update has no readings: its row says so, leaves them out and
// gives the reason in the last column, `error`, which is empty when the update succeeded.
// CSV cells are quoted as RFC 4180 has it, and a text a spreadsheet would take for a formula
// is made plain text; numbers stay numbers.
struct LogRow {
  std::string time;                       // ISO 8601 with milliseconds and offset
  long update = 0;                        // counts from 1
  int address = 0;                        // the board's
  bool addressColumn = false;             // the log holds several boards: CSV names each row's
  const Readings* readings = nullptr;     // null: the update failed
  const vyx::Readings* values = nullptr;  // the same readings as numbers, where a format has them
  std::string error;                      // why it failed ("no reply"); empty when it did not
};
// With `address`, a column after `update` names each row's board.
std::string CsvHeader(bool address = false);
std::string CsvRow(const LogRow& row);

}  // namespace vyx::documents
