#include "bridge_board.h"

#include <utility>

#include "json_values.h"
#include "readings_json.h"

namespace vyx::console {
namespace {

std::string PropertyText(const Vyx& board, std::string_view name) {
  PropValue v;
  if (!board.Get(name, v)) return {};
  const auto* s = std::get_if<std::string>(&v);
  return s ? *s : std::string();
}

// A reading's text as a JSON number, or null when it holds none.
std::string NumberJson(const std::string& text) {
  std::string error;
  const auto v = documents::ParseJsonScalar(text, error);
  const bool number = v && (v->kind == documents::JsonScalar::Kind::Number ||
                            v->kind == documents::JsonScalar::Kind::Integer);
  return number ? text.substr(text.find_first_not_of(" \t")) : "null";
}

}  // namespace

BridgeBoard::BridgeBoard(std::string topic, int comm, int address)
    : topic_(std::move(topic)), comm_(comm), address_(address) {}

MqttMessages BridgeBoard::Availability(bool online, const std::string& reason) {
  MqttMessages out;
  if (online_ != online)
    out.push_back({topic_ + "/availability", online ? "online" : "offline", 1});
  // An empty retained message takes the error away.
  if (online_ != online || reason_ != reason) out.push_back({topic_ + "/error", reason, 1});
  online_ = online;
  reason_ = reason;
  return out;
}

MqttMessages BridgeBoard::Answered(const Vyx& board, const std::string& time) {
  const std::optional<Readings> readings = board.LastReadings();
  if (!readings) return Failed("no readings");
  MqttMessages out = Availability(true, {});
  ++updates_;
  firmware_ = PropertyText(board, "FWver");
  values_ = documents::ValueMembers(*readings);
  state_ = "{\"time\":\"" + time + "\",\"update\":" + std::to_string(updates_) +
           ",\"line\":\"comm" + std::to_string(comm_) +
           "\",\"address\":" + std::to_string(address_) +
           ",\"values\":" + documents::ValuesJson(values_) +
           ",\"IDstring\":" + documents::JsonQuote(PropertyText(board, "IDstring")) +
           ",\"Vrefvolt\":" + NumberJson(PropertyText(board, "Vrefvolt")) + "}";
  out.push_back({topic_ + "/state", state_, 0});
  for (const auto& [name, json] : values_) {
    const auto held = published_.find(name);
    if (held != published_.end() && held->second == json) continue;
    if (held == published_.end()) {
      published_.emplace(name, json);
    } else {
      held->second = json;
    }
    out.push_back({topic_ + "/" + std::string(name), json, 0});
  }
  return out;
}

MqttMessages BridgeBoard::Failed(const std::string& reason) { return Availability(false, reason); }

MqttMessages BridgeBoard::All() {
  MqttMessages out;
  if (!online_) return out;
  out.push_back({topic_ + "/availability", *online_ ? "online" : "offline", 1});
  out.push_back({topic_ + "/error", reason_, 1});
  if (state_.empty()) return out;
  out.push_back({topic_ + "/state", state_, 0});
  for (const auto& [name, json] : values_) {
    published_[std::string(name)] = json;
    out.push_back({topic_ + "/" + std::string(name), json, 0});
  }
  return out;
}

}  // namespace vyx::console
