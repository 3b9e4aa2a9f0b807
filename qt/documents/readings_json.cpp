#include "readings_json.h"

#include <charconv>

namespace vyx::documents {
namespace {

// The shortest text that reads back as the same double, with a point whatever the locale.
std::string Number(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

constexpr std::string_view kVolts[] = {"AD0volt", "AD1volt", "AD2volt", "AD3volt", "AD4volt"};

}  // namespace

ValueList ValueMembers(const vyx::Readings& r) {
  ValueList out;
  for (std::size_t i = 0; i < r.volts.size() && i < std::size(kVolts); ++i)
    out.emplace_back(kVolts[i], Number(r.volts[i]));
  out.emplace_back("DITinterval", Number(r.ditSeconds));
  out.emplace_back("DIFcount", std::to_string(r.difCount));
  out.emplace_back("CLKtime", Number(r.clockSeconds));
  out.emplace_back("FWver", Number(r.firmware));
  out.emplace_back("PWMduty", Number(r.pwmPercent));
  out.emplace_back("DPWduty", Number(r.dpwPercent));
  out.emplace_back("DOGduty", Number(r.dogPercent));
  const std::pair<std::string_view, bool> states[] = {
      {"DONstate", r.don}, {"DOEstate", r.doe}, {"DOKstate", r.dok},
      {"DOSstate", r.dos}, {"DINstate", r.din}, {"DISstate", r.dis},
      {"DIFstate", r.dif}, {"DITstate", r.dit}, {"RSTstate", r.resetFlagged}};
  for (const auto& [name, on] : states) out.emplace_back(name, on ? "true" : "false");
  return out;
}

std::string ValuesJson(const ValueList& members) {
  std::string out = "{";
  for (const auto& [name, json] : members) {
    if (out.size() > 1) out += ',';
    out += "\"" + std::string(name) + "\":" + json;
  }
  return out + "}";
}

std::string ValuesJson(const vyx::Readings& r) { return ValuesJson(ValueMembers(r)); }

}  // namespace vyx::documents
