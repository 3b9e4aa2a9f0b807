#include "state_subscriber.h"

#include <mosquitto.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace vyx::bench {
namespace {

// PREFIX/NODE/commN/A/state: the line and the address are the two levels before "state".
bool ParseStateTopic(std::string_view topic, StateArrival& out) {
  if (!topic.ends_with("/state")) return false;
  topic.remove_suffix(6);
  const auto a = topic.rfind('/');
  if (a == std::string_view::npos) return false;
  const auto l = topic.rfind('/', a - 1);
  if (l == std::string_view::npos) return false;
  out.line = std::string(topic.substr(l + 1, a - l - 1));
  out.address = std::atoi(std::string(topic.substr(a + 1)).c_str());
  return true;
}

long UpdateCount(std::string_view payload) {
  constexpr std::string_view kKey = "\"update\":";
  const auto at = payload.find(kKey);
  if (at == std::string_view::npos) return -1;
  return std::strtol(std::string(payload.substr(at + kKey.size(), 20)).c_str(), nullptr, 10);
}

}  // namespace

StateSubscriber::StateSubscriber() {
  mosquitto_lib_init();
  messages_.reserve(1 << 20);
}

StateSubscriber::~StateSubscriber() {
  if (mosq_ != nullptr) {
    mosquitto_disconnect(mosq_);
    mosquitto_loop_stop(mosq_, false);
    mosquitto_destroy(mosq_);
  }
  mosquitto_lib_cleanup();
}

std::string StateSubscriber::Start(int port, const std::string& filter) {
  filter_ = filter;
  mosq_ = mosquitto_new(nullptr, true, this);
  if (mosq_ == nullptr) return "mosquitto_new failed";
  mosquitto_connect_callback_set(mosq_, &StateSubscriber::OnConnect);
  mosquitto_message_callback_set(mosq_, &StateSubscriber::OnMessage);
  int rc = mosquitto_connect(mosq_, "127.0.0.1", port, 30);
  if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_start(mosq_);
  return rc == MOSQ_ERR_SUCCESS ? std::string() : mosquitto_strerror(rc);
}

bool StateSubscriber::WaitForState(std::chrono::seconds timeout) {
  std::unique_lock lock(mu_);
  return arrived_.wait_for(lock, timeout, [this] { return !states_.empty(); });
}

std::vector<StateArrival> StateSubscriber::States() const {
  std::lock_guard lock(mu_);
  return states_;
}

long StateSubscriber::Messages() const {
  std::lock_guard lock(mu_);
  return static_cast<long>(messages_.size());
}

long StateSubscriber::MessagesSince(SteadyTime from) const {
  std::lock_guard lock(mu_);
  return static_cast<long>(messages_.end() -
                           std::lower_bound(messages_.begin(), messages_.end(), from));
}

void StateSubscriber::OnConnect(mosquitto* m, void* self, int rc) {
  if (rc == 0)
    mosquitto_subscribe(m, nullptr, static_cast<StateSubscriber*>(self)->filter_.c_str(), 0);
}

void StateSubscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* msg) {
  const SteadyTime now = std::chrono::steady_clock::now();
  auto* s = static_cast<StateSubscriber*>(self);
  StateArrival state{now, {}, -1, -1};
  const bool is_state = ParseStateTopic(msg->topic, state);
  if (is_state) {
    state.update = UpdateCount(std::string_view(static_cast<const char*>(msg->payload),
                                                static_cast<std::size_t>(msg->payloadlen)));
  }
  {
    std::lock_guard lock(s->mu_);
    s->messages_.push_back(now);
    if (is_state) s->states_.push_back(std::move(state));
  }
  if (is_state) s->arrived_.notify_all();
}

}  // namespace vyx::bench
