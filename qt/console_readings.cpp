#include "console_readings.h"

#include <algorithm>

#include "json_values.h"
#include "control/vyx.h"

namespace vyx::console {
namespace {

std::string Plain(const PropValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return ToUtf8(*s);
  return JsonOf(v);
}

// RFC 4180: a cell with a separator, quote or line break is quoted, its quotes doubled.
std::string CsvCell(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
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

std::string ReadingsJson(const Readings& readings) {
  std::string out = "{";
  for (const auto& [name, value] : readings) {
    if (out.size() > 1) out += ',';
    out += JsonQuote(name) + ":" + JsonOf(value);
  }
  return out + "}";
}

std::string ReadingsText(const Readings& readings) {
  std::size_t width = 0;
  for (const auto& r : readings) width = std::max(width, r.first.size());
  std::string out;
  for (const auto& [name, value] : readings) {
    out += std::string(name) + std::string(width + 2 - name.size(), ' ') + Plain(value) + "\n";
  }
  return out;
}

std::string CsvHeader() {
  std::string out = "time,update,ok";
  for (std::string_view name : kReadingNames) out += "," + std::string(name);
  return out;
}

std::string CsvRow(const LogRow& row) {
  std::string out =
      row.time + "," + std::to_string(row.update) + "," + (row.readings ? "true" : "false");
  if (row.readings) {
    for (const auto& r : *row.readings) out += "," + CsvCell(Plain(r.second));
  } else {
    out += std::string(kReadingNames.size(), ',');
  }
  return out;
}

std::string JsonlRow(const LogRow& row) {
  std::string out = "{\"time\":" + JsonQuote(row.time) +
                    ",\"update\":" + std::to_string(row.update) +
                    ",\"ok\":" + (row.readings ? "true" : "false");
  if (row.readings) {
    for (const auto& [name, value] : *row.readings)
      out += "," + JsonQuote(name) + ":" + JsonOf(value);
  }
  return out + "}";
}

}  // namespace vyx::console
