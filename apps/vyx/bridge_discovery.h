// The retained configuration messages by which Home Assistant finds a board by itself: one
// device per board, an entity per reading, output and duty, all read from the board's state
// topic and available while both the board and the bridge are.
#pragma once

#include <string>

#include "bridge_board.h"

namespace vyx::console {

struct DiscoveryNames {
  std::string prefix;       // where Home Assistant looks: "homeassistant"
  std::string node;         // this bridge's machine, as in the topics
  std::string statusTopic;  // the bridge's availability
};

MqttMessages DiscoveryMessages(const DiscoveryNames& names, const BridgeBoard& board);

}  // namespace vyx::console
