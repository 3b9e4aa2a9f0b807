#include "mqtt_client.h"

#include <mosquitto.h>

#include <QMetaObject>

namespace vyx::mqtt {
namespace {

// The library wants one initialisation per process before any client exists.
void InitLibrary() {
  static const int once = mosquitto_lib_init();
  (void)once;
}

// The library's sentences, as the rest of a message: "the connection was lost".
QString Reason(const char* text) {
  QString s = QString::fromUtf8(text);
  if (s.endsWith('.')) s.chop(1);
  if (!s.isEmpty() && !s.startsWith(QStringLiteral("MQTT")) && !s.startsWith(QStringLiteral("TLS")))
    s[0] = s[0].toLower();
  return s;
}
QString Reason(int rc) { return Reason(mosquitto_strerror(rc)); }

}  // namespace

MqttClient::MqttClient(QObject* parent) : QObject(parent) {}

MqttClient::~MqttClient() {
  if (!mosq_) return;
  if (running_) {
    mosquitto_disconnect(mosq_);
    // Joins the library's thread, waking it from a retry wait; nothing calls back after it.
    mosquitto_loop_stop(mosq_, false);
  }
  mosquitto_destroy(mosq_);
}

Status MqttClient::Start(const MqttSettings& s) {
  if (mosq_) return Status::Fail("the MQTT session has already started");
  InitLibrary();
  mosq_ = mosquitto_new(s.clientId.c_str(), true, this);
  if (!mosq_) return Status::Fail("cannot make an MQTT client \"" + s.clientId + "\"");
  mosquitto_connect_callback_set(mosq_, &MqttClient::OnConnect);
  mosquitto_disconnect_callback_set(mosq_, &MqttClient::OnDisconnect);
  mosquitto_message_callback_set(mosq_, &MqttClient::OnMessage);
  mosquitto_publish_callback_set(mosq_, &MqttClient::OnPublish);
  mosquitto_reconnect_delay_set(mosq_, kMinRetrySeconds, kMaxRetrySeconds, true);

  int rc = MOSQ_ERR_SUCCESS;
  if (!s.user.empty()) {
    rc = mosquitto_username_pw_set(mosq_, s.user.c_str(),
                                   s.password.empty() ? nullptr : s.password.c_str());
    if (rc != MOSQ_ERR_SUCCESS)
      return Status::Fail("MQTT user: " + std::string(mosquitto_strerror(rc)));
  }
  if (!s.willTopic.empty()) {
    rc = mosquitto_will_set(mosq_, s.willTopic.c_str(), static_cast<int>(s.willPayload.size()),
                            s.willPayload.data(), 1, s.willRetain);
    if (rc != MOSQ_ERR_SUCCESS)
      return Status::Fail("last will on " + s.willTopic + ": " + mosquitto_strerror(rc));
  }
  if (s.url.tls) {
    // The library reads the CA file here: one that cannot be read is refused now.
    rc =
        mosquitto_tls_set(mosq_, s.caFile.empty() ? nullptr : s.caFile.c_str(),
                          s.caFile.empty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS)
      return Status::Fail(s.caFile.empty() ? "cannot use the system's certificates"
                                           : "cannot read the CA file " + s.caFile);
  }
  // The first attempt may fail (no broker yet); the library's thread keeps trying.
  rc = mosquitto_connect_async(mosq_, s.url.host.c_str(), s.url.port, s.keepAliveSeconds);
  if (rc == MOSQ_ERR_INVAL)
    return Status::Fail("cannot connect to " + ToString(s.url) + ": " + mosquitto_strerror(rc));
  if (rc != MOSQ_ERR_SUCCESS) Lost(Reason(rc));
  rc = mosquitto_loop_start(mosq_);
  if (rc != MOSQ_ERR_SUCCESS)
    return Status::Fail("cannot start the MQTT thread: " + std::string(mosquitto_strerror(rc)));
  running_ = true;
  return Status::Ok();
}

int MqttClient::Publish(const std::string& topic, const std::string& payload, int qos,
                        bool retain) {
  if (!connected_ || closing_) return -1;
  int mid = -1;
  const int rc = mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                   payload.data(), qos, retain);
  return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

void MqttClient::Subscribe(const std::string& filter, int qos) {
  subscriptions_.emplace_back(filter, qos);
  if (connected_) mosquitto_subscribe(mosq_, nullptr, filter.c_str(), qos);
}

void MqttClient::Disconnect() {
  if (!running_ || closing_) return;
  closing_ = true;
  if (mosquitto_disconnect(mosq_) != MOSQ_ERR_SUCCESS || !connected_) {
    // Not connected: there is no goodbye to wait for.
    QMetaObject::invokeMethod(
        this, [this] { Disconnected(MOSQ_ERR_SUCCESS); }, Qt::QueuedConnection);
  }
}

// The callbacks run on the library's thread: they copy what they need and hand it over.
void MqttClient::OnConnect(mosquitto*, void* self, int rc) {
  auto* c = static_cast<MqttClient*>(self);
  QMetaObject::invokeMethod(
      c, [c, rc] { c->Connected(rc); }, Qt::QueuedConnection);
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int rc) {
  auto* c = static_cast<MqttClient*>(self);
  QMetaObject::invokeMethod(
      c, [c, rc] { c->Disconnected(rc); }, Qt::QueuedConnection);
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* msg) {
  auto* c = static_cast<MqttClient*>(self);
  const QString topic = QString::fromUtf8(msg->topic);
  const QByteArray payload(static_cast<const char*>(msg->payload), msg->payloadlen);
  const bool retained = msg->retain;
  QMetaObject::invokeMethod(
      c, [c, topic, payload, retained] { emit c->message(topic, payload, retained); },
      Qt::QueuedConnection);
}

void MqttClient::OnPublish(mosquitto*, void* self, int mid) {
  auto* c = static_cast<MqttClient*>(self);
  QMetaObject::invokeMethod(
      c, [c, mid] { emit c->delivered(mid); }, Qt::QueuedConnection);
}

void MqttClient::Connected(int rc) {
  if (closing_) return;
  if (rc != 0) {
    // Refused by the broker (bad credentials, say): the library tries again later.
    return Lost(Reason(mosquitto_connack_string(rc)));
  }
  connected_ = true;
  lastReason_.clear();
  for (const auto& [filter, qos] : subscriptions_)
    mosquitto_subscribe(mosq_, nullptr, filter.c_str(), qos);
  emit connected();
}

void MqttClient::Disconnected(int rc) {
  if (closing_) {
    connected_ = false;
    if (rc == MOSQ_ERR_SUCCESS) emit disconnected(QStringLiteral("disconnected"));
    return;
  }
  Lost(Reason(rc));
}

void MqttClient::Lost(const QString& reason) {
  const bool was = connected_;
  connected_ = false;
  // Retries that keep failing the same way say nothing new.
  if (!was && reason == lastReason_) return;
  lastReason_ = reason;
  emit disconnected(reason);
}

}  // namespace vyx::mqtt
