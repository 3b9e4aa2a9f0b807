// `vyx bridge` as a subscriber sees it: the real program, a real broker on a free loopback
// port and two lines of four simulated boards each, paced like a 38400 wire, the second served
// over the network by a real ser2net in RFC 2217 mode.
#include <gtest/gtest.h>
#include <mosquitto.h>

#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ser2net.h"
#include "vyx/sim/simulator.h"

namespace {

using namespace std::chrono_literals;
namespace sim = vyx::sim;

// Every message a subscriber to everything receives, by topic, oldest first.
class Subscriber {
 public:
  explicit Subscriber(int port) : m_(mosquitto_new(nullptr, true, this)) {
    mosquitto_message_callback_set(m_, [](mosquitto*, void* self, const mosquitto_message* msg) {
      auto* s = static_cast<Subscriber*>(self);
      const std::lock_guard lock(s->mutex_);
      s->topics_[msg->topic].emplace_back(static_cast<const char*>(msg->payload),
                                          static_cast<std::size_t>(msg->payloadlen));
      s->changed_.notify_all();
    });
    EXPECT_EQ(mosquitto_connect(m_, "127.0.0.1", port, 30), MOSQ_ERR_SUCCESS);
    mosquitto_subscribe(m_, nullptr, "#", 1);
    mosquitto_loop_start(m_);
  }
  ~Subscriber() {
    mosquitto_disconnect(m_);
    mosquitto_loop_stop(m_, false);
    mosquitto_destroy(m_);
  }
  void Publish(const std::string& topic, const std::string& payload) {
    mosquitto_publish(m_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                      1, false);
  }
  // The payloads on `topic` once `done` holds for them, or what came by the deadline.
  std::vector<std::string> Wait(const std::string& topic,
                                const std::function<bool(const std::vector<std::string>&)>& done,
                                std::chrono::milliseconds limit = 15s) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [&] { return done(topics_[topic]); });
    return topics_[topic];
  }
  // The latest payload on `topic` once it is `payload` (any, when empty).
  std::string WaitLast(const std::string& topic, const std::string& payload = "\x01any",
                       std::chrono::milliseconds limit = 15s) {
    const auto got = Wait(
        topic,
        [&](const auto& p) { return !p.empty() && (payload == "\x01any" || p.back() == payload); },
        limit);
    return got.empty() ? "(nothing)" : got.back();
  }

 private:
  mosquitto* m_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, std::vector<std::string>> topics_;
};

class Bridge : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { mosquitto_lib_init(); }

  void SetUp() override {
    port_ = vyx::test::FreeLoopbackPort();
    StartBroker();
    for (auto& line : lines_) {
      sim::Options o;
      o.boards = {0, 1, 2, 3};
      o.line_rate = true;
      line = std::make_unique<sim::Simulator>(o);
      ASSERT_FALSE(line->Start().empty()) << line->LastError();
    }
    const std::string served =
        ser2net_.Serve(lines_[1]->DevicePath(), vyx::test::Ser2net::Mode::Rfc2217, "9600n81");
    ASSERT_FALSE(served.empty());
    sub_ = std::make_unique<Subscriber>(port_);
    bridge_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bridge_.start(
        VYX_BINARY,
        {"bridge", "--port", QString::fromStdString("1=" + lines_[0]->DevicePath()), "--port",
         QString::fromStdString("2=" + served), "--address", "0,1,2,3", "--interval", "200",
         "--node", "n1", "--mqtt", QString("mqtt://127.0.0.1:%1").arg(port_)});
    ASSERT_TRUE(bridge_.waitForStarted(5000));
  }
  void TearDown() override {
    bridge_.kill();
    bridge_.waitForFinished(5000);
    sub_.reset();
    broker_.kill();
    broker_.waitForFinished(5000);
  }

  // Ready once it says it runs, which it says after it has opened its listener.
  void StartBroker() {
    const std::string conf = dir_.filePath("broker.conf").toStdString();
    std::ofstream(conf) << "listener " << port_
                        << " 127.0.0.1\nallow_anonymous true\npersistence false\n";
    broker_.setProcessChannelMode(QProcess::MergedChannels);
    broker_.start(VYX_MOSQUITTO, {"-c", QString::fromStdString(conf)});
    QByteArray said;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!said.contains(" running") && std::chrono::steady_clock::now() < deadline &&
           broker_.waitForReadyRead(1000))
      said += broker_.readAll();
    ASSERT_TRUE(said.contains(" running")) << said.toStdString();
  }

  static std::string Board(int comm, int address) {
    return "vyx/n1/comm" + std::to_string(comm) + "/" + std::to_string(address);
  }
  // Every board's state has come: the bridge is serving.
  void WaitForEveryBoard() {
    for (int comm : {1, 2})
      for (int a = 0; a < 4; ++a) ASSERT_NE(sub_->WaitLast(Board(comm, a) + "/state"), "(nothing)");
  }

  QTemporaryDir dir_;
  int port_ = 0;
  QProcess broker_, bridge_;
  std::unique_ptr<sim::Simulator> lines_[2];
  vyx::test::Ser2net ser2net_;
  std::unique_ptr<Subscriber> sub_;
};

TEST_F(Bridge, ServesEveryBoardOfTwoLinesWithDiscovery) {
  EXPECT_EQ(sub_->WaitLast("vyx/n1/status"), "online");
  for (int comm : {1, 2}) {
    for (int a = 0; a < 4; ++a) {
      const std::string b = Board(comm, a);
      const std::string state = sub_->WaitLast(b + "/state");
      EXPECT_NE(state.find("\"line\":\"comm" + std::to_string(comm) +
                           "\",\"address\":" + std::to_string(a) + ",\"values\":{\"AD0volt\":"),
                std::string::npos)
          << state;
      EXPECT_NE(state.find("\"DONstate\":false"), std::string::npos) << state;
      EXPECT_EQ(sub_->WaitLast(b + "/availability"), "online");
      EXPECT_NEAR(std::stod(sub_->WaitLast(b + "/AD2volt")), 2.5, 0.01);
      const std::string config =
          sub_->WaitLast("homeassistant/switch/n1_comm" + std::to_string(comm) + "_" +
                         std::to_string(a) + "/DONstate/config");
      EXPECT_NE(config.find("\"command_topic\":\"" + b + "/set/DONstate\""), std::string::npos)
          << config;
      EXPECT_NE(config.find("\"sw_version\":\"1.0\""), std::string::npos) << config;
    }
  }
  // A reading that does not change goes out once, however many states follow.
  sub_->Wait(Board(1, 0) + "/state", [](const auto& p) { return p.size() >= 5; });
  EXPECT_EQ(sub_->Wait(
                    Board(1, 0) + "/FWver", [](const auto&) { return false; }, 0ms)
                .size(),
            1u);
}

TEST_F(Bridge, SetRequestsAreCheckedAsTheShellChecksThem) {
  struct Row {
    int comm, address;
    std::string property, payload, answer;
    std::function<bool(const sim::Outputs&)> outputs;  // the board's outputs afterwards
  };
  const std::vector<Row> rows = {
      {1, 2, "DONstate", "1", "ok", [](const sim::Outputs& o) { return o.don; }},
      {2, 3, "PWMduty", "50", "ok", [](const sim::Outputs& o) { return o.pwm != 0; }},
      {2, 1, "DOEstate", "2", "error: ", [](const sim::Outputs& o) { return !o.doe; }},
      {1, 0, "DOKstate", "x",
       "error: DOKstate takes a whole number -32768..32767, not x: not a JSON value (a text "
       "needs double quotes)",
       [](const sim::Outputs& o) { return !o.dok; }},
      {1, 1, "AD0volt", "1", "error: AD0volt cannot be set from the broker", nullptr},
      {1, 1, "Nothing", "1", "error: unknown property \"Nothing\"", nullptr},
  };
  WaitForEveryBoard();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.property + " " + r.payload);
    const std::string topic = Board(r.comm, r.address) + "/set/" + r.property;
    sub_->Publish(topic, r.payload);
    EXPECT_EQ(sub_->WaitLast(topic + "/result").substr(0, r.answer.size()), r.answer);
    if (!r.outputs) continue;
    // Two more states of that board: the value has gone out with its next update.
    const auto seen = sub_->Wait(Board(r.comm, r.address) + "/state", [](auto&) { return true; });
    sub_->Wait(Board(r.comm, r.address) + "/state",
               [&](const auto& p) { return p.size() >= seen.size() + 2; });
    EXPECT_TRUE(r.outputs(*lines_[r.comm - 1]->ReadOutputs(r.address)));
  }
  EXPECT_NE(sub_->WaitLast(Board(1, 2) + "/state").find("\"DONstate\":true"), std::string::npos);
}

TEST_F(Bridge, SilentLineGoesOfflineWithItsReasonAndComesBack) {
  WaitForEveryBoard();
  sim::FaultSettings silent;
  silent.silence = 1.0;
  lines_[1]->SetFaults(silent);
  for (int a = 0; a < 4; ++a) {
    EXPECT_EQ(sub_->WaitLast(Board(2, a) + "/availability", "offline"), "offline");
    EXPECT_EQ(sub_->WaitLast(Board(2, a) + "/error", "no reply"), "no reply");
  }
  EXPECT_EQ(sub_->WaitLast(Board(1, 0) + "/availability"), "online");
  lines_[1]->SetFaults({});
  for (int a = 0; a < 4; ++a) {
    EXPECT_EQ(sub_->WaitLast(Board(2, a) + "/availability", "online"), "online");
    EXPECT_EQ(sub_->WaitLast(Board(2, a) + "/error", ""), "");
  }
}

TEST_F(Bridge, BrokerRestartGetsEverythingAgain) {
  WaitForEveryBoard();
  sub_.reset();
  broker_.kill();
  broker_.waitForFinished(5000);
  StartBroker();  // on the same port, and it has kept nothing
  sub_ = std::make_unique<Subscriber>(port_);
  EXPECT_EQ(sub_->WaitLast("vyx/n1/status"), "online");
  WaitForEveryBoard();
  EXPECT_EQ(sub_->WaitLast(Board(2, 3) + "/availability"), "online");
  EXPECT_NE(sub_->WaitLast(Board(2, 3) + "/AD0volt"), "(nothing)");
  EXPECT_NE(sub_->WaitLast("homeassistant/number/n1_comm2_3/PWMduty/config"), "(nothing)");
}

TEST_F(Bridge, EndingLeavesOfflineBehind) {
  struct Row {
    const char* how;
    std::function<void(QProcess&)> end;
    bool clean;  // the bridge said goodbye and ended with status 0
  };
  const std::vector<Row> rows = {{"SIGTERM", [](QProcess& p) { p.terminate(); }, true},
                                 {"SIGKILL: the last will", [](QProcess& p) { p.kill(); }, false}};
  std::size_t said = 0;  // status messages before this row's bridge
  for (const Row& r : rows) {
    SCOPED_TRACE(r.how);
    if (bridge_.state() == QProcess::NotRunning) {
      bridge_.start();
      ASSERT_TRUE(bridge_.waitForStarted(5000));
    }
    said = sub_->Wait("vyx/n1/status",
                      [&](const auto& p) { return p.size() > said && p.back() == "online"; })
               .size();
    EXPECT_EQ(sub_->WaitLast(Board(1, 0) + "/availability", "online"), "online");
    r.end(bridge_);
    ASSERT_TRUE(bridge_.waitForFinished(10000));
    if (r.clean) {
      EXPECT_EQ(bridge_.exitStatus(), QProcess::NormalExit);
      EXPECT_EQ(bridge_.exitCode(), 0);
    }
    EXPECT_EQ(sub_->WaitLast("vyx/n1/status", "offline"), "offline");
    // A bridge that says goodbye takes its boards offline too; a killed one cannot.
    if (r.clean) {
      EXPECT_EQ(sub_->WaitLast(Board(1, 0) + "/availability", "offline"), "offline");
      EXPECT_EQ(sub_->WaitLast(Board(1, 0) + "/error", "the bridge has stopped"),
                "the bridge has stopped");
    }
  }
}

// A failure the MQTT library itself gives up on (here TLS to a plain listener; a failed name
// lookup is the same) is tried again, with back-off, for as long as the bridge runs.
TEST_F(Bridge, KeepsTryingABrokerItCannotTalkTo) {
  WaitForEveryBoard();
  broker_.readAll();
  QProcess tls;
  tls.start(VYX_BINARY, {"bridge", "--port", QString::fromStdString("1=" + lines_[0]->DevicePath()),
                         "--node", "n2", "--mqtt", QString("mqtts://127.0.0.1:%1").arg(port_)});
  QByteArray said;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (said.count("protocol error") < 2 && std::chrono::steady_clock::now() < deadline)
    if (broker_.waitForReadyRead(500)) said += broker_.readAll();
  EXPECT_GE(said.count("protocol error"), 2) << said.toStdString();
  tls.kill();
  tls.waitForFinished(5000);
}

}  // namespace
