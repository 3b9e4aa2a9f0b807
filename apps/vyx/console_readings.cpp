#include "console_readings.h"

#include <algorithm>

#include "console_escape.h"
#include "json_values.h"

namespace vyx::console {

std::string ReadingsJson(const documents::Readings& readings) {
  std::string out = "{";
  for (const auto& [name, value] : readings) {
    if (out.size() > 1) out += ',';
    out += documents::JsonQuote(name) + ":" + documents::JsonOf(value);
  }
  return out + "}";
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
                    ",\"ok\":" + (row.readings ? "true" : "false");
  if (row.readings) {
    for (const auto& [name, value] : *row.readings)
      out += "," + documents::JsonQuote(name) + ":" + documents::JsonOf(value);
  } else {
    out += ",\"error\":" + documents::JsonQuote(row.error);
  }
  return out + "}";
}

}  // namespace vyx::console
