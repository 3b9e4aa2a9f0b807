// `bridge`: the boards of the served lines on an MQTT broker. Each line is polled on its own,
// all on the Qt thread; each board's end becomes its availability, state and readings under
// PREFIX/NODE/commN/A, and set requests there reach the board's component.
#pragma once

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bridge_board.h"
#include "console_args.h"
#include "console_runs.h"
#include "control/update_end.h"
#include "mqtt_client.h"

namespace vyx::qt {
class PortMap;
}

namespace vyx::console {

class BridgeLine;

class BridgeRun : public QObject {
  Q_OBJECT
 public:
  // How long a stop waits for the broker to take the goodbye before it ends anyway.
  static constexpr int kGoodbyeMs = 3000;

  // Serves the positions of options.comms, which must be mapped in `map`.
  BridgeRun(const qt::PortMap& map, const CliOptions& options, LineWriter err,
            QObject* parent = nullptr);
  ~BridgeRun() override;

  // Checks the options, connects to the broker and starts every line. Options that cannot
  // work end the run with kExitUsage, a session that cannot start with kExitFailure.
  void Start();
  // Says offline, leaves the broker cleanly, then finished(0).
  void Stop();

 signals:
  void finished(int exitCode);

 private:
  struct Served {
    std::unique_ptr<BridgeLine> line;
    std::vector<BridgeBoard> boards;
  };

  void Fail(const std::string& message, int exitCode);
  void Finish(int exitCode);
  void OnConnected();
  void OnBoardEnded(Served& served, int address, const UpdateEnd& end);
  void OnLineDown(Served& served, const QString& reason);
  void OnMessage(const QString& topic, const QByteArray& payload, bool retained);
  std::string SetProperty(int comm, int address, const std::string& name,
                          const std::string& payload);
  void Send(const MqttMessages& messages);
  void Discover(const BridgeBoard& board);
  void Leave();
  BridgeBoard* BoardAt(int comm, int address, Served** served = nullptr);

  const qt::PortMap& map_;
  CliOptions options_;
  LineWriter err_;
  std::string node_, base_, status_;
  mqtt::MqttClient client_;
  std::vector<std::unique_ptr<Served>> served_;
  std::map<std::string, std::string> announced_;  // board topic: the firmware announced with it
  QTimer goodbye_;
  int goodbyeId_ = -1;
  bool stopping_ = false, done_ = false;
};

}  // namespace vyx::console
