// An MQTT session on libmosquitto for a Qt program. The network runs on a thread of its own
// (connecting, keep-alive, reconnecting with back-off), so that a slow name lookup or a
// stalled broker never holds up the serial lines on the Qt thread; what it hears reaches this
// object's signals on the Qt thread, through queued calls. The thread is ours, not the
// library's: the library's own loop gives up for good on some failures (a failed name lookup,
// a TLS or protocol error), and a bridge must keep trying whatever went wrong.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "control/status.h"
#include "mqtt_url.h"

struct mosquitto;
struct mosquitto_message;

namespace vyx::mqtt {

struct MqttSettings {
  MqttUrl url;
  std::string clientId;
  std::string user, password;  // no user: anonymous
  std::string caFile;          // mqtts: empty trusts the system's certificates
  // The message the broker publishes for us when the connection dies without a goodbye.
  std::string willTopic, willPayload;
  bool willRetain = true;
  int keepAliveSeconds = 30;
};

class MqttClient : public QObject {
  Q_OBJECT
 public:
  // The first retry comes after kMinRetrySeconds, doubling to kMaxRetrySeconds.
  static constexpr unsigned kMinRetrySeconds = 1;
  static constexpr unsigned kMaxRetrySeconds = 30;
  // How long the network thread waits on the socket at a time.
  static constexpr int kLoopMs = 500;

  explicit MqttClient(QObject* parent = nullptr);
  ~MqttClient() override;
  MqttClient(const MqttClient&) = delete;
  MqttClient& operator=(const MqttClient&) = delete;

  // Starts the session; it connects, and reconnects after a loss, on its own. Fails at once
  // only for settings that can never work (an unreadable CA file, a client id the library
  // refuses); a broker that cannot be reached yet is retried.
  Status Start(const MqttSettings& settings);

  // Whether the broker has accepted the session, as far as the Qt thread has heard.
  bool IsConnected() const { return connected_; }

  // Sends a message while connected and returns its id for delivered(); while disconnected
  // nothing is sent or kept, and the result is -1, so a long outage costs no memory.
  int Publish(const std::string& topic, const std::string& payload, int qos, bool retain);

  // A subscription kept for the whole session and made again on each connection.
  void Subscribe(const std::string& filter, int qos);

  // Ends the session with a goodbye, so that the broker does not publish the last will;
  // disconnected() follows once the library has let go.
  void Disconnect();

 signals:
  void connected();
  void disconnected(const QString& reason);
  // A message on a subscription; `retained` when the broker kept it from before.
  void message(const QString& topic, const QByteArray& payload, bool retained);
  // A message of QoS 1 or 2 has reached the broker.
  void delivered(int messageId);

 private:
  static void OnConnect(mosquitto* m, void* self, int rc);
  static void OnDisconnect(mosquitto* m, void* self, int rc);
  static void OnMessage(mosquitto* m, void* self, const mosquitto_message* msg);
  static void OnPublish(mosquitto* m, void* self, int mid);
  void Connected(int rc);
  void Disconnected(int rc);
  void Lost(const QString& reason);
  void Run(MqttSettings settings);  // the network thread
  void StopThread();

  mosquitto* mosq_ = nullptr;
  std::thread network_;
  std::mutex stopMutex_;
  std::condition_variable stopWake_;
  bool stop_ = false;                   // under stopMutex_
  std::atomic<bool> accepted_ = false;  // the broker accepted us since the last failure
  bool running_ = false;                // the network thread runs
  bool connected_ = false;              // Qt thread's view
  bool closing_ = false;
  QString lastReason_;  // the last loss reported
  std::vector<std::pair<std::string, int>> subscriptions_;
};

}  // namespace vyx::mqtt
