// Receive notifications, input buffer and output over a pseudo-terminal and over TCP.
#include <gtest/gtest.h>

#include <ctime>
#include <thread>

#include "far_end.h"
#include "platform/qt_serial_port.h"

namespace vyx::test {
namespace {

// A port on Comm1 mapped to a far end the test plays, with every notification recorded.
class PortOverLine : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(map.Set(1, far.Device()));
    port.SetListener([this](CommEvent e) {
      if (inCall) ADD_FAILURE() << "notified from inside a call into the port";
      events.push_back(e);
    });
    ASSERT_EQ(port.SetCommPort(1), IoResult::Ok);
    ASSERT_EQ(port.SetOpen(true), IoResult::Ok) << port.LastError();
    if (GetParam()) far.Accept();
  }
  int Count(CommEvent e) const { return int(std::count(events.begin(), events.end(), e)); }
  int InputCount() {
    int n = -1;
    EXPECT_EQ(port.InputCount(n), IoResult::Ok);
    return n;
  }
  std::string ReadAll() {
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(port.Read(bytes), IoResult::Ok);
    return {bytes.begin(), bytes.end()};
  }
  void Arrive(std::string_view bytes) {
    far.Send(bytes);
    Turn(milliseconds(30));
  }
  // Waits as the component's EEPROM read does, where no notification may come.
  IoResult Wait(int n, milliseconds limit) {
    inCall = true;
    const IoResult r = port.WaitForInput(n, std::chrono::steady_clock::now() + limit);
    inCall = false;
    return r;
  }

  FarEnd far{GetParam()};
  qt::PortMap map;
  qt::QtSerialPort port{map};
  std::vector<CommEvent> events;
  bool inCall = false;
  // A status block's worth, with bytes a terminal would translate or act on.
  const std::string reply = std::string("\0\r\n\x11\x13\xFF", 6) + std::string(20, '\0');
};

TEST_P(PortOverLine, AReplyInPiecesIsToldOnceWhenTheCountReachesTheThreshold) {
  ASSERT_EQ(port.SetReceiveThreshold(26), IoResult::Ok);
  Arrive(reply.substr(0, 7));
  Arrive(reply.substr(7, 18));
  EXPECT_EQ(InputCount(), 25);
  EXPECT_TRUE(events.empty()) << "pieces below the threshold must raise nothing";
  far.Send(reply.substr(25) + "x");
  std::this_thread::sleep_for(milliseconds(50));  // in the system, not yet seen by Qt
  inCall = true;
  EXPECT_EQ(InputCount(), 27) << "the count takes in what the system holds";
  inCall = false;
  Turn(milliseconds(30));  // the notice follows from the loop
  EXPECT_EQ(events, std::vector{CommEvent::Receive});
  EXPECT_EQ(ReadAll(), reply + "x");
  EXPECT_EQ(InputCount(), 0);
  Arrive(reply);  // once read, the next reply is told again
  EXPECT_EQ(Count(CommEvent::Receive), 2);
  ASSERT_EQ(port.DiscardInput(), IoResult::Ok);  // and once discarded
  EXPECT_EQ(ReadAll(), "");
  Arrive(reply);
  EXPECT_EQ(Count(CommEvent::Receive), 3);
  ASSERT_EQ(port.SetReceiveThreshold(0), IoResult::Ok);  // no threshold, no notification
  Arrive(reply);
  EXPECT_EQ(Count(CommEvent::Receive), 3);
}

TEST_P(PortOverLine, InputNobodyReadsIsCappedKeepingTheNewest) {
  const std::size_t total = 3 * qt::QtSerialPort::kInputLimit;
  for (std::size_t sent = 0; sent < total; sent += 1024) {
    Arrive(std::string(1023, 'j') + (sent + 1024 >= total ? 'z' : 'j'));
  }
  const int limit = int(qt::QtSerialPort::kInputLimit);
  EXPECT_TRUE(TurnUntil([&] { return InputCount() == limit; }));
  const std::string kept = ReadAll();
  EXPECT_EQ(kept.size(), qt::QtSerialPort::kInputLimit);
  EXPECT_EQ(kept.back(), 'z');
}

TEST_P(PortOverLine, WriteReachesTheFarEndByteExact) {
  ASSERT_EQ(port.Write("Q0" + reply), IoResult::Ok) << port.LastError();
  EXPECT_EQ(far.Receive(28), "Q0" + reply);
}

TEST_P(PortOverLine, AWaitEndsAtItsDeadlineWithoutSpinning) {
  Arrive("z");  // one byte of the two waited for
  const std::clock_t cpu = std::clock();
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(Wait(2, milliseconds(275)), IoResult::Ok);
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(wall.count(), 0.27);
  EXPECT_LT(double(std::clock() - cpu) / CLOCKS_PER_SEC, 0.5 * wall.count()) << "it spins";
  EXPECT_EQ(InputCount(), 1);
}

// The component reads the EEPROM from inside its reception handler, and a host may run a
// dialog's loop from its data handler: neither loses the reply that comes meanwhile.
TEST_P(PortOverLine, WaitsAndLoopsInsideTheNotificationLoseNoReply) {
  ASSERT_EQ(port.SetReceiveThreshold(26), IoResult::Ok);
  int waited = -1;
  port.SetListener([&](CommEvent e) {
    events.push_back(e);
    (void)ReadAll();
    if (events.size() > 1) return;
    std::thread later([&] {
      std::this_thread::sleep_for(milliseconds(30));
      far.Send("E7");
    });
    EXPECT_EQ(Wait(2, milliseconds(2000)), IoResult::Ok);
    later.join();
    waited = InputCount();
    far.Send(reply.substr(2));
    Turn(milliseconds(60));
  });
  Arrive(reply);
  EXPECT_TRUE(TurnUntil([&] { return Count(CommEvent::Receive) == 2; })) << "a reply was lost";
  EXPECT_EQ(waited, 2);
  EXPECT_EQ(events.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Lines, PortOverLine, ::testing::Values(false, true),
                         [](const auto& row) { return row.param ? "tcp" : "pty"; });

}  // namespace
}  // namespace vyx::test
