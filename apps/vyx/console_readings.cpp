#include "console_readings.h"

#include <algorithm>

#include "console_escape.h"
#include "json_values.h"
#include "readings_json.h"

namespace vyx::console {

namespace {

std::string Members(const documents::Readings& readings, const vyx::Readings* values) {
  std::string out;
  for (const auto& [name, value] : readings) {
    out += "," + documents::JsonQuote(name) + ":" + documents::JsonOf(value);
  }
  if (values) out += ",\"values\":" + documents::ValuesJson(*values);
  return out;
}

}  // namespace

std::string ReadingsJson(const documents::Readings& readings, const vyx::Readings* values) {
  std::string out = Members(readings, values);
  if (!out.empty()) out[0] = '{';
  return out.empty() ? "{}" : out + "}";
}

std::string ReadingsText(const documents::Readings& readings) {
  std::size_t width = 0;
  for (const auto& r : readings) width = std::max(width, r.first.size());
  std::string out;
  for (const auto& [name, value] : readings) {
    out += std::string(name) + std::string(width + 2 - name.size(), ' ') +
           documents::EscapeControls(documents::PlainText(value)) + "\n";
  }
  return out;
}

std::string JsonlRow(const documents::LogRow& row) {
  std::string out = "{\"time\":" + documents::JsonQuote(row.time) +
                    ",\"update\":" + std::to_string(row.update) +
                    ",\"address\":" + std::to_string(row.address) +
                    ",\"ok\":" + (row.readings ? "true" : "false");
  if (row.readings) {
    out += Members(*row.readings, row.values);
  } else {
    out += ",\"error\":" + documents::JsonQuote(row.error);
  }
  return out + "}";
}

}  // namespace vyx::console
