#include "readings_csv.h"

#include "console_escape.h"
#include "control/vyx.h"
#include "json_values.h"

namespace vyx::documents {
namespace {

// The one reading that is free text, whatever a board or an operator put there; the others
// are numbers the component writes.
bool IsTextColumn(std::string_view name) { return name == "IDstring"; }

// A plain decimal number, as the component writes readings: "-1.5" is one, "+1-1" is not.
bool IsNumber(std::string_view s) {
  if (s.starts_with('-')) s.remove_prefix(1);
  const std::size_t point = s.find('.');
  const std::string_view whole = s.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view("0") : s.substr(point + 1);
  const auto digits = [](std::string_view d) {
    return !d.empty() && d.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return digits(whole) && digits(fraction);
}

std::string Quoted(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// RFC 4180: a cell with a separator, quote or line break is quoted, its quotes doubled. A
// text a spreadsheet would run as a formula gets a quote mark in front, which makes it text;
// a number in a numeric column stays a number. The log may well go to a terminal, so the
// control characters a cell has no use for are written out.
std::string CsvCell(const PropValue& value, bool text) {
  const std::string s = EscapeControls(PlainText(value), "\t\r\n");
  const bool formula =
      !s.empty() && std::string_view("=+-@\t\r").find(s.front()) != std::string_view::npos;
  if (formula && (text || !IsNumber(s))) return Quoted("'" + s);
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  return Quoted(s);
}

}  // namespace

Readings TakeReadings(const Vyx& vyx) {
  Readings r;
  r.reserve(kReadingNames.size());
  for (std::string_view name : kReadingNames) {
    PropValue v;
    // Every name is a property of the component; a failed read leaves an empty text.
    if (!vyx.Get(name, v)) v = std::string();
    r.emplace_back(name, std::move(v));
  }
  return r;
}

std::string PlainText(const PropValue& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return ToUtf8(*s);
  return JsonOf(value);
}

std::string CsvHeader(bool address) {
  std::string out = address ? "time,update,address,ok" : "time,update,ok";
  for (std::string_view name : kReadingNames) out += "," + std::string(name);
  return out + ",error";
}

std::string CsvRow(const LogRow& row) {
  std::string out = row.time + "," + std::to_string(row.update) + "," +
                    (row.addressColumn ? std::to_string(row.address) + "," : "") +
                    (row.readings ? "true" : "false");
  if (row.readings) {
    for (const auto& [name, value] : *row.readings) out += "," + CsvCell(value, IsTextColumn(name));
  } else {
    out += std::string(kReadingNames.size(), ',');
  }
  return out + "," + CsvCell(PropValue{row.error}, true);
}

}  // namespace vyx::documents
