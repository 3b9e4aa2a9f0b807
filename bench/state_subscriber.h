// An MQTT subscriber on libmosquitto's own thread that notes when each board's state message
// arrived, on the steady clock, and counts every message under its filter.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace vyx::bench {

using SteadyTime = std::chrono::steady_clock::time_point;

struct StateArrival {
  SteadyTime at;
  std::string line;  // "commN", from the topic
  int address = -1;
  long update = -1;  // the state's "update" count; -1 when it has none
};

class StateSubscriber {
 public:
  StateSubscriber();
  ~StateSubscriber();
  StateSubscriber(const StateSubscriber&) = delete;
  StateSubscriber& operator=(const StateSubscriber&) = delete;

  // Connects to 127.0.0.1:port and subscribes to `filter`; an empty result means it started.
  std::string Start(int port, const std::string& filter);
  // True once a state message arrived, false when `timeout` passed first.
  bool WaitForState(std::chrono::seconds timeout);

  std::vector<StateArrival> States() const;
  // Every message so far, whatever its topic, and those received since `from`.
  long Messages() const;
  long MessagesSince(SteadyTime from) const;

 private:
  static void OnConnect(mosquitto*, void* self, int rc);
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* msg);

  mosquitto* mosq_ = nullptr;
  std::string filter_;
  mutable std::mutex mu_;
  std::condition_variable arrived_;
  std::vector<StateArrival> states_;
  std::vector<SteadyTime> messages_;
};

}  // namespace vyx::bench
