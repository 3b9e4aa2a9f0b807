#include "mqtt_client.h"

#include <mosquitto.h>

#include <QMetaObject>
#include <algorithm>
#include <chrono>

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
  StopThread();
  mosquitto_destroy(mosq_);
}

// Wakes the thread from a retry wait or its socket wait; nothing calls back after the join.
void MqttClient::StopThread() {
  {
    const std::lock_guard lock(stopMutex_);
    stop_ = true;
  }
  stopWake_.notify_all();
  if (!running_) return;
  mosquitto_disconnect(mosq_);
  network_.join();
  running_ = false;
}

void MqttClient::Run(MqttSettings s) {
  using Seconds = std::chrono::seconds;
  Seconds delay(kMinRetrySeconds);
  int rc = mosquitto_connect(mosq_, s.url.host.c_str(), s.url.port, s.keepAliveSeconds);
  std::unique_lock lock(stopMutex_);
  while (!stop_) {
    if (rc == MOSQ_ERR_SUCCESS) {
      lock.unlock();
      rc = mosquitto_loop(mosq_, kLoopMs, 1);
      lock.lock();
      continue;
    }
    if (stop_) break;
    // A loss the disconnect callback has told, or the retry of one: nothing new to say.
    if (rc != MOSQ_ERR_NO_CONN && rc != MOSQ_ERR_CONN_LOST) {
      const QString why = Reason(rc);  // here, where errno is this thread's
      QMetaObject::invokeMethod(
          this, [this, why] { Lost(why); }, Qt::QueuedConnection);
    }
    if (accepted_.exchange(false)) delay = Seconds(kMinRetrySeconds);
    if (stopWake_.wait_for(lock, delay, [this] { return stop_; })) break;
    delay = std::min(delay * 2, Seconds(kMaxRetrySeconds));
    lock.unlock();
    rc = mosquitto_reconnect(mosq_);
    lock.lock();
  }
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
  // Publishing comes from the Qt thread while the network thread reads and writes.
  mosquitto_threaded_set(mosq_, true);

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
  // The first attempt may fail (no broker yet, no name lookup); the thread keeps trying.
  network_ = std::thread([this, s] { Run(s); });
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
  {
    // The goodbye ends the session: the thread must not take it for a loss to retry.
    const std::lock_guard lock(stopMutex_);
    stop_ = true;
  }
  stopWake_.notify_all();
  if (mosquitto_disconnect(mosq_) != MOSQ_ERR_SUCCESS || !connected_) {
    // Not connected: there is no goodbye to wait for.
    QMetaObject::invokeMethod(
        this, [this] { Disconnected(MOSQ_ERR_SUCCESS); }, Qt::QueuedConnection);
  }
}

// The callbacks run on the library's thread: they copy what they need and hand it over.
void MqttClient::OnConnect(mosquitto*, void* self, int rc) {
  auto* c = static_cast<MqttClient*>(self);
  if (rc == 0) c->accepted_ = true;
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
