#include "bridge_discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string_view>

namespace vyx::console {
namespace {

enum class Kind { Sensor, BinarySensor, Switch, Number };

struct Entity {
  std::string_view reading;  // as in the state's "values"
  Kind kind;
  std::string_view unit;
  std::string_view deviceClass;
  double step = 0;  // Number only
};

// clang-format off
constexpr Entity kEntities[] = {
    {"AD0volt", Kind::Sensor, "V", "voltage"},
    {"AD1volt", Kind::Sensor, "V", "voltage"},
    {"AD2volt", Kind::Sensor, "V", "voltage"},
    {"AD3volt", Kind::Sensor, "V", "voltage"},
    {"AD4volt", Kind::Sensor, "V", "voltage"},
    {"DIFcount", Kind::Sensor, "", ""},
    {"DITinterval", Kind::Sensor, "s", "duration"},
    {"CLKtime", Kind::Sensor, "s", "duration"},
    {"FWver", Kind::Sensor, "", ""},
    {"DINstate", Kind::BinarySensor, "", ""},
    {"DISstate", Kind::BinarySensor, "", ""},
    {"DIFstate", Kind::BinarySensor, "", ""},
    {"DITstate", Kind::BinarySensor, "", ""},
    {"DONstate", Kind::Switch, "", ""},
    {"DOEstate", Kind::Switch, "", ""},
    {"DOKstate", Kind::Switch, "", ""},
    {"DOSstate", Kind::Switch, "", ""},
    // The board's own steps: 1/640 % for PWM, 0.625 % for the other two.
    {"PWMduty", Kind::Number, "%", "", 0.1},
    {"DPWduty", Kind::Number, "%", "", 0.625},
    {"DOGduty", Kind::Number, "%", "", 0.625},
};
// clang-format on

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Home Assistant takes only these in the parts of a discovery topic.
std::string IdOf(std::string_view s) {
  std::string out;
  for (const char c : s) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    out += ok ? c : '_';
  }
  return out;
}

std::string_view ComponentOf(Kind k) {
  switch (k) {
    case Kind::Sensor:
      return "sensor";
    case Kind::BinarySensor:
      return "binary_sensor";
    case Kind::Switch:
      return "switch";
    case Kind::Number:
      return "number";
  }
  return "sensor";
}

}  // namespace

MqttMessages DiscoveryMessages(const DiscoveryNames& names, const BridgeBoard& board) {
  const std::string line = "comm" + std::to_string(board.Comm());
  const std::string where = line + "/" + std::to_string(board.Address());
  const std::string id = IdOf(names.node) + "_" + line + "_" + std::to_string(board.Address());

  QJsonObject device{{"identifiers", QJsonArray{Q("vyx_" + id)}},
                     {"name", Q("Vyx board " + where + " on " + names.node)},
                     {"manufacturer", "Vyx"},
                     {"model", "Vyx I/O board"}};
  if (!board.Firmware().empty()) device["sw_version"] = Q(board.Firmware());
  // Both must be up: a board the bridge no longer serves is not available either.
  const QJsonArray availability{QJsonObject{{"topic", Q(names.statusTopic)}},
                                QJsonObject{{"topic", Q(board.Topic() + "/availability")}}};

  MqttMessages out;
  for (const Entity& e : kEntities) {
    const std::string value = "value_json['values']['" + std::string(e.reading) + "']";
    QJsonObject c{{"name", Q(e.reading)},
                  {"unique_id", Q(id + "_" + std::string(e.reading))},
                  {"object_id", Q(id + "_" + std::string(e.reading))},
                  {"state_topic", Q(board.Topic() + "/state")},
                  {"availability", availability},
                  {"availability_mode", "all"},
                  {"device", device}};
    if (!e.unit.empty()) c["unit_of_measurement"] = Q(e.unit);
    if (!e.deviceClass.empty()) c["device_class"] = Q(e.deviceClass);
    const std::string command = board.Topic() + "/set/" + std::string(e.reading);
    switch (e.kind) {
      case Kind::Sensor:
        c["value_template"] = Q("{{ " + value + " }}");
        if (e.reading == "FWver") {
          c["entity_category"] = "diagnostic";
        } else {
          c["state_class"] = e.reading == "DIFcount" ? "total_increasing" : "measurement";
        }
        break;
      case Kind::BinarySensor:
        c["value_template"] = Q("{{ 'ON' if " + value + " else 'OFF' }}");
        break;
      case Kind::Switch:
        // An output's state is a check box: 1 sets it, 0 clears it.
        c["command_topic"] = Q(command);
        c["payload_on"] = "1";
        c["payload_off"] = "0";
        c["value_template"] = Q("{{ 1 if " + value + " else 0 }}");
        break;
      case Kind::Number:
        c["command_topic"] = Q(command);
        c["min"] = 0;
        c["max"] = 100;
        c["step"] = e.step;
        c["value_template"] = Q("{{ " + value + " }}");
        break;
    }
    const std::string topic = names.prefix + "/" + std::string(ComponentOf(e.kind)) + "/" + id +
                              "/" + std::string(e.reading) + "/config";
    out.push_back({topic, QJsonDocument(c).toJson(QJsonDocument::Compact).toStdString(), 1});
  }
  return out;
}

}  // namespace vyx::console
