// What the bridge says about one board: its availability, its error, its state and its
// readings, each published only when it changed, and all of them again after a reconnection.
// Only the latest of each is kept, so a broker that stays away costs no memory.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/update_end.h"
#include "control/vyx.h"
#include "readings_json.h"

namespace vyx::console {

struct MqttMessage {
  std::string topic, payload;
  int qos = 0;
  bool retain = true;
};
using MqttMessages = std::vector<MqttMessage>;

class BridgeBoard {
 public:
  // `topic` is where the board's topics start: PREFIX/NODE/commN/A.
  BridgeBoard(std::string topic, int comm, int address);

  const std::string& Topic() const { return topic_; }
  int Comm() const { return comm_; }
  int Address() const { return address_; }
  // The firmware revision of its last answer; empty until it has answered.
  const std::string& Firmware() const { return firmware_; }
  // Whether its last end was an answer.
  bool Online() const { return online_.value_or(false); }

  // After a successful update: the board's state and the readings that changed. `time` is
  // the end's moment as ISO 8601 UTC.
  MqttMessages Answered(const Vyx& board, const std::string& time);
  // After a failed update, or when its line is down: offline with the reason, once.
  MqttMessages Failed(const std::string& reason);
  // Everything known, for a fresh connection.
  MqttMessages All();

 private:
  MqttMessages Availability(bool online, const std::string& reason);

  const std::string topic_;
  const int comm_, address_;
  std::optional<bool> online_;  // unknown until its first end
  std::string reason_;
  long updates_ = 0;
  std::string firmware_;
  std::string state_;                                          // empty until its first answer
  documents::ValueList values_;                                // the last answer's, in order
  std::map<std::string, std::string, std::less<>> published_;  // what each reading topic holds
};

}  // namespace vyx::console
