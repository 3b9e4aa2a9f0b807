#include "bridge_run.h"

#include <QDateTime>
#include <QSysInfo>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "bridge_discovery.h"
#include "bridge_line.h"
#include "console_escape.h"
#include "control/properties.h"
#include "control/value_conversion.h"
#include "control/vyx.h"
#include "json_values.h"
#include "mqtt_url.h"
#include "platform/port_map.h"

namespace vyx::console {
namespace {

// What a host may change over the broker: the outputs, the reset flag, the zero and the
// records and counters an operator may set. Everything else is the component's own.
constexpr std::string_view kSettable[] = {
    "DONstate", "DOEstate", "DOKstate", "DOSstate", "PWMduty",  "DPWduty", "DOGduty",
    "RSTstate", "ZeroCmd",  "DIFcount", "CLKtime",  "IDstring", "Vrefvolt"};

// A topic level must not hold MQTT's wildcards; a node is one level.
bool TopicSafe(const std::string& s, bool oneLevel) {
  return !s.empty() && s.find_first_of(oneLevel ? "+#/" : "+#") == std::string::npos &&
         s.front() != '/' && s.back() != '/';
}

// A payload as a message shows it: cut, since a request may be any size.
std::string Shown(const std::string& payload) {
  constexpr std::size_t kShown = 60;
  return payload.size() <= kShown ? payload : payload.substr(0, kShown) + "...";
}

std::string NowUtc() {
  return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

BridgeRun::BridgeRun(const qt::PortMap& map, const CliOptions& options, LineWriter err,
                     QObject* parent)
    : QObject(parent), map_(map), options_(options), err_(std::move(err)) {
  goodbye_.setSingleShot(true);
  connect(&goodbye_, &QTimer::timeout, this, &BridgeRun::Leave);
  connect(&client_, &mqtt::MqttClient::connected, this, &BridgeRun::OnConnected);
  connect(&client_, &mqtt::MqttClient::disconnected, this, [this](const QString& reason) {
    if (stopping_) return Finish(kExitOk);
    err_("vyx: broker " + options_.mqttUrl + ": " + reason.toStdString() + "; trying again");
  });
  connect(&client_, &mqtt::MqttClient::delivered, this, [this](int id) {
    if (stopping_ && id == goodbyeId_) Leave();
  });
  connect(&client_, &mqtt::MqttClient::message, this, &BridgeRun::OnMessage);
}

// The lines go first: their components may end an update as they close.
BridgeRun::~BridgeRun() {
  for (auto& s : served_) s->line->disconnect(this);
  served_.clear();
}

void BridgeRun::Fail(const std::string& message, int exitCode) {
  err_("vyx: " + message);
  Finish(exitCode);
}

void BridgeRun::Finish(int exitCode) {
  if (done_) return;
  done_ = true;
  goodbye_.stop();
  QMetaObject::invokeMethod(
      this, [this, exitCode] { emit finished(exitCode); }, Qt::QueuedConnection);
}

void BridgeRun::Start() {
  mqtt::MqttSettings settings;
  if (const Status s = mqtt::ParseMqttUrl(options_.mqttUrl, settings.url); !s)
    return Fail(s.message(), kExitUsage);
  node_ = options_.node.empty() ? QSysInfo::machineHostName().toStdString() : options_.node;
  if (!TopicSafe(node_, true))
    return Fail("the node name \"" + node_ + "\" must be one topic level without + or #",
                kExitUsage);
  if (!TopicSafe(options_.topicPrefix, false) || !TopicSafe(options_.discoveryPrefix, false))
    return Fail("a topic prefix must not be empty, hold + or # or start or end with /", kExitUsage);
  base_ = options_.topicPrefix + "/" + node_;
  status_ = base_ + "/status";
  settings.clientId = options_.clientId.empty() ? "vyx-" + node_ : options_.clientId;
  settings.user = options_.mqttUser.empty() ? Env("VYX_MQTT_USER") : options_.mqttUser;
  settings.password =
      options_.mqttPassword.empty() ? Env("VYX_MQTT_PASSWORD") : options_.mqttPassword;
  settings.caFile = options_.mqttCaFile;
  settings.willTopic = status_;
  settings.willPayload = "offline";
  client_.Subscribe(base_ + "/+/+/set/+", 1);
  if (const Status s = client_.Start(settings); !s) return Fail(s.message(), kExitFailure);

  for (const int comm : options_.comms) {
    auto served = std::make_unique<Served>();
    served->line =
        std::make_unique<BridgeLine>(map_, comm, options_.addresses, options_.intervalMs);
    for (const int a : options_.addresses)
      served->boards.emplace_back(base_ + "/comm" + std::to_string(comm) + "/" + std::to_string(a),
                                  comm, a);
    Served* s = served.get();
    connect(s->line.get(), &BridgeLine::boardEnded, this,
            [this, s](int address, const UpdateEnd& end) { OnBoardEnded(*s, address, end); });
    connect(s->line.get(), &BridgeLine::lineDown, this,
            [this, s](const QString& reason) { OnLineDown(*s, reason); });
    served_.push_back(std::move(served));
  }
  for (auto& s : served_) s->line->Start();
}

void BridgeRun::Stop() {
  if (done_ || stopping_) return;
  for (auto& s : served_) {
    s->line->Stop();
    // A board's retained availability would say online for as long as the broker keeps it;
    // the last will can only speak for the bridge.
    for (BridgeBoard& board : s->boards)
      if (board.Online()) Send(board.Failed("the bridge has stopped"));
  }
  stopping_ = true;
  // The retained status must say offline before we go, as the last will would have.
  goodbyeId_ = client_.Publish(status_, "offline", 1, true);
  if (goodbyeId_ < 0) return Finish(kExitOk);
  goodbye_.start(kGoodbyeMs);
}

// After the goodbye was delivered, or its time ran out; then after the disconnection, or
// its time.
void BridgeRun::Leave() {
  if (done_) return;
  if (goodbyeId_ == -2) return Finish(kExitOk);
  goodbyeId_ = -2;
  client_.Disconnect();
  goodbye_.start(kGoodbyeMs);
}

void BridgeRun::OnConnected() {
  if (stopping_) return;
  err_("vyx: connected to " + options_.mqttUrl + ", topics under " + base_);
  client_.Publish(status_, "online", 1, true);
  // A broker that was away may have lost what it kept: everything known goes out again.
  for (auto& s : served_) {
    for (BridgeBoard& b : s->boards) {
      if (options_.discovery && !b.Firmware().empty()) Discover(b);
      Send(b.All());
    }
  }
}

void BridgeRun::Discover(const BridgeBoard& board) {
  announced_[board.Topic()] = board.Firmware();
  Send(DiscoveryMessages({options_.discoveryPrefix, node_, status_}, board));
}

void BridgeRun::Send(const MqttMessages& messages) {
  if (!client_.IsConnected() || stopping_) return;
  for (const MqttMessage& m : messages) client_.Publish(m.topic, m.payload, m.qos, m.retain);
}

BridgeBoard* BridgeRun::BoardAt(int comm, int address, Served** where) {
  for (auto& s : served_) {
    if (s->line->Comm() != comm) continue;
    for (BridgeBoard& b : s->boards) {
      if (b.Address() != address) continue;
      if (where) *where = s.get();
      return &b;
    }
  }
  return nullptr;
}

void BridgeRun::OnBoardEnded(Served& served, int address, const UpdateEnd& end) {
  BridgeBoard* b = BoardAt(served.line->Comm(), address);
  Vyx* component = served.line->Boards().Board(address);
  if (!b || !component) return;
  if (!end.ok()) return Send(b->Failed(end.Describe()));
  Send(b->Answered(*component, NowUtc()));
  const auto it = announced_.find(b->Topic());
  const bool fresh = it == announced_.end() || it->second != b->Firmware();
  if (options_.discovery && client_.IsConnected() && fresh) Discover(*b);
}

void BridgeRun::OnLineDown(Served& served, const QString& reason) {
  err_("vyx: " + reason.toStdString());
  for (BridgeBoard& b : served.boards) Send(b.Failed(reason.toStdString()));
}

void BridgeRun::OnMessage(const QString& topic, const QByteArray& payload, bool retained) {
  // A request kept by the broker is an old one: acting on it at each connection would undo
  // whatever came after it.
  if (retained || stopping_) return;
  const std::string t = topic.toStdString();
  const std::string prefix = base_ + "/comm";
  if (!t.starts_with(prefix)) return;
  // commN/A/set/NAME
  std::string_view rest = std::string_view(t).substr(prefix.size());
  const auto slash = rest.find('/');
  const auto comm = ParseLong(rest.substr(0, slash), 1, qt::PortMap::kPorts);
  rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
  const auto slash2 = rest.find('/');
  const auto address = ParseLong(rest.substr(0, slash2), 0, kBoards - 1);
  rest.remove_prefix(slash2 == std::string_view::npos ? rest.size() : slash2 + 1);
  if (!rest.starts_with("set/")) return;
  const std::string name(rest.substr(4));
  std::string answer;
  if (!comm || !address) {
    answer = "error: no such board on this bridge";
  } else {
    answer = SetProperty(static_cast<int>(*comm), static_cast<int>(*address), name,
                         payload.toStdString());
  }
  if (client_.IsConnected()) client_.Publish(t + "/result", answer, 1, false);
}

// Checked as the shell's `set` checks a value, with the same words.
std::string BridgeRun::SetProperty(int comm, int address, const std::string& name,
                                   const std::string& payload) {
  Served* served = nullptr;
  if (!BoardAt(comm, address, &served))
    return "error: no board comm" + std::to_string(comm) + "/" + std::to_string(address) +
           " on this bridge";
  const PropertySpec* p = PropertyByName(name);
  if (!p) return "error: unknown property \"" + documents::EscapeControls(name) + "\"";
  if (std::find(std::begin(kSettable), std::end(kSettable), p->name) == std::end(kSettable))
    return "error: " + name + " cannot be set from the broker";
  const std::string given = documents::EscapeControls(Shown(payload));
  std::string why;
  const auto scalar = documents::ParseJsonScalar(payload, why);
  const auto bag = scalar ? documents::ToBagValue(*scalar) : std::nullopt;
  PropValue converted;
  if (!bag || !ConvertValue(*bag, p->type, converted)) {
    return "error: " + documents::ValueError(p->name, p->type, given) +
           (why.empty() ? "" : ": " + why);
  }
  const Status s = served->line->Boards().Board(address)->Assign(p->name, *bag);
  return s ? "ok" : "error: " + documents::EscapeControls(s.message());
}

}  // namespace vyx::console
