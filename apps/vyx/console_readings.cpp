#include "console_readings.h"

#include <algorithm>
#include <charconv>

#include "console_escape.h"
#include "json_values.h"

namespace vyx::console {

namespace {

std::string Number(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// The typed readings, named as the properties that show them.
std::string ValuesJson(const vyx::Readings& r) {
  std::string out = "{";
  auto add = [&out](std::string_view name, const std::string& json) {
    if (out.size() > 1) out += ',';
    out += "\"" + std::string(name) + "\":" + json;
  };
  for (std::size_t i = 0; i < r.volts.size(); ++i) {
    add("AD" + std::to_string(i) + "volt", Number(r.volts[i]));
  }
  add("DITinterval", Number(r.ditSeconds));
  add("DIFcount", std::to_string(r.difCount));
  add("CLKtime", Number(r.clockSeconds));
  add("FWver", Number(r.firmware));
  add("PWMduty", Number(r.pwmPercent));
  add("DPWduty", Number(r.dpwPercent));
  add("DOGduty", Number(r.dogPercent));
  const std::pair<std::string_view, bool> states[] = {
      {"DONstate", r.don}, {"DOEstate", r.doe}, {"DOKstate", r.dok},
      {"DOSstate", r.dos}, {"DINstate", r.din}, {"DISstate", r.dis},
      {"DIFstate", r.dif}, {"DITstate", r.dit}, {"RSTstate", r.resetFlagged}};
  for (const auto& [name, on] : states) add(name, on ? "true" : "false");
  return out + "}";
}

std::string Members(const documents::Readings& readings, const vyx::Readings* values) {
  std::string out;
  for (const auto& [name, value] : readings) {
    out += "," + documents::JsonQuote(name) + ":" + documents::JsonOf(value);
  }
  if (values) out += ",\"values\":" + ValuesJson(*values);
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
                    ",\"ok\":" + (row.readings ? "true" : "false");
  if (row.readings) {
    out += Members(*row.readings, row.values);
  } else {
    out += ",\"error\":" + documents::JsonQuote(row.error);
  }
  return out + "}";
}

}  // namespace vyx::console
