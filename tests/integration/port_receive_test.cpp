// Receive notifications, input buffer and output over a pseudo-terminal and over TCP.
#include <sys/resource.h>

#include <iostream>
#include <thread>

#include "port_fixture.h"

namespace vyx::test {
namespace {

using std::chrono::milliseconds;

TEST_P(PortOverPeer, ReplyInPiecesIsOneNotificationAtTheThreshold) {
  ASSERT_EQ(port->SetReceiveThreshold(26), IoResult::Ok);
  const std::string reply = Reply26();
  Arrive(reply.substr(0, 7));
  Arrive(reply.substr(7, 10));
  EXPECT_EQ(InputCount(), 17);
  Arrive(reply.substr(17, 8));
  EXPECT_TRUE(events.empty()) << "pieces below the threshold must raise nothing";
  Arrive(reply.substr(25));
  EXPECT_EQ(Count(CommEvent::Receive), 1);
  EXPECT_EQ(InputCount(), 26);

  // One more byte: the count is 27, and still one notification.
  Arrive("x");
  EXPECT_EQ(InputCount(), 27);
  EXPECT_EQ(events.size(), 1u);

  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(port->Read(bytes), IoResult::Ok);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), reply + "x");
  EXPECT_EQ(InputCount(), 0);

  // Once read, the next reply is told again.
  Arrive(reply);
  EXPECT_EQ(Count(CommEvent::Receive), 2);
}

TEST_P(PortOverPeer, InputWhileNothingReadsItIsCappedKeepingTheNewest) {
  // A line that babbles while no update runs: three times what is kept, nobody asks for it,
  // the last byte a 'z'. In pieces, as a terminal's buffer takes them.
  constexpr std::size_t kPiece = 1024;
  const std::size_t total = 3 * qt::QtSerialPort::kInputLimit;
  for (std::size_t sent = 0; sent < total; sent += kPiece) {
    std::string piece(kPiece, 'j');
    if (sent + kPiece >= total) piece.back() = 'z';
    Arrive(piece);
  }
  const int limit = static_cast<int>(qt::QtSerialPort::kInputLimit);
  EXPECT_TRUE(TurnUntil([&] { return InputCount() == limit; }, milliseconds(3000)));
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(port->Read(bytes), IoResult::Ok);
  EXPECT_EQ(bytes.size(), qt::QtSerialPort::kInputLimit);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.back(), 'z');
}

TEST_P(PortOverPeer, NoThresholdNoNotification) {
  ASSERT_EQ(port->SetReceiveThreshold(0), IoResult::Ok);
  Arrive(Reply26());
  EXPECT_EQ(InputCount(), 26);
  EXPECT_TRUE(events.empty());
}

TEST_P(PortOverPeer, CountIsCurrentWithoutTheEventLoop) {
  ASSERT_EQ(port->SetReceiveThreshold(3), IoResult::Ok);
  peer->Send("abc");
  std::this_thread::sleep_for(milliseconds(50));  // in the system, not yet seen by Qt
  inCall = true;
  EXPECT_EQ(InputCount(), 3);
  inCall = false;
  // The threshold was reached inside the call; the notification follows from the loop.
  EXPECT_TRUE(TurnUntil([&] { return !events.empty(); }, milliseconds(1000)));
  Turn(milliseconds(20));
  EXPECT_EQ(Count(CommEvent::Receive), 1);
  EXPECT_EQ(events.size(), 1u);
}

TEST_P(PortOverPeer, DiscardEmptiesAndReadTakesEverything) {
  Arrive(std::string("\x00\x01\xff", 3));
  EXPECT_EQ(InputCount(), 3);
  ASSERT_EQ(port->DiscardInput(), IoResult::Ok);
  EXPECT_EQ(InputCount(), 0);
  std::vector<std::uint8_t> bytes{1, 2};
  ASSERT_EQ(port->Read(bytes), IoResult::Ok);
  EXPECT_TRUE(bytes.empty());

  // A discarded buffer below the threshold again notifies when a reply fills it.
  ASSERT_EQ(port->SetReceiveThreshold(2), IoResult::Ok);
  Arrive("ab");
  ASSERT_EQ(port->DiscardInput(), IoResult::Ok);
  Arrive("cd");
  EXPECT_EQ(Count(CommEvent::Receive), 2);
}

TEST_P(PortOverPeer, WriteReachesTheFarEndByteExact) {
  // Line ends and bytes above 127 must pass untranslated.
  const std::string frame("Q0\r\n\x00\x7f\x80\xff\x11\x13", 10);
  ASSERT_EQ(port->Write(frame), IoResult::Ok) << port->LastError();
  EXPECT_EQ(peer->Receive(frame.size(), milliseconds(2000)), frame);
  ASSERT_EQ(port->Write("u0000"), IoResult::Ok);
  ASSERT_EQ(port->Write("r0a2"), IoResult::Ok);
  EXPECT_EQ(peer->Receive(9, milliseconds(2000)), "u0000r0a2");
}

TEST_P(PortOverPeer, WaitReturnsWhenTheBytesArrive) {
  ASSERT_EQ(port->SetReceiveThreshold(2), IoResult::Ok);
  peer->SendLater("ok", milliseconds(60));
  const auto t0 = std::chrono::steady_clock::now();
  inCall = true;
  EXPECT_EQ(port->WaitForInput(2, t0 + milliseconds(3000)), IoResult::Ok);
  inCall = false;
  const auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(took, milliseconds(50));
  EXPECT_LT(took, milliseconds(2000)) << "the wait did not wake on input";
  EXPECT_EQ(InputCount(), 2);
  TurnUntil([&] { return !events.empty(); }, milliseconds(500));
  EXPECT_EQ(Count(CommEvent::Receive), 1) << "the count reached during the wait is told once";
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST_P(PortOverPeer, WaitEndsAtTheDeadlineWithoutSpinning) {
  Arrive("z");  // one byte of the two waited for
  const double cpu0 = CpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  inCall = true;
  EXPECT_EQ(port->WaitForInput(2, t0 + milliseconds(275)), IoResult::Ok);
  inCall = false;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double cpu = CpuSeconds() - cpu0;
  std::cout << "[ figures  ] " << GetParam() << " wait of " << wall << " s used " << cpu
            << " s CPU (" << 100.0 * cpu / wall << " %)\n";
  EXPECT_GE(wall, 0.27);
  EXPECT_LT(wall, 1.0);
  EXPECT_LT(cpu / wall, 0.5) << "the wait spins instead of blocking";
  EXPECT_EQ(InputCount(), 1);
}

TEST_P(PortOverPeer, WaitInsideTheNotificationHandler) {
  // The component reads the board's EEPROM from inside its reception handler.
  ASSERT_EQ(port->SetReceiveThreshold(26), IoResult::Ok);
  int waited = -1;
  port->SetListener([&](CommEvent e) {
    events.push_back(e);
    std::vector<std::uint8_t> reply;
    ASSERT_EQ(port->Read(reply), IoResult::Ok);
    ASSERT_EQ(port->SetReceiveThreshold(0), IoResult::Ok);
    peer->SendLater("E7", milliseconds(30));
    ASSERT_EQ(port->WaitForInput(2, std::chrono::steady_clock::now() + milliseconds(2000)),
              IoResult::Ok);
    ASSERT_EQ(port->InputCount(waited), IoResult::Ok);
  });
  Arrive(Reply26());
  TurnUntil([&] { return waited >= 0; }, milliseconds(2000));
  EXPECT_EQ(waited, 2);
  EXPECT_EQ(events.size(), 1u);
}

TEST_P(PortOverPeer, ALoopRunInsideTheNotificationLosesNoReply) {
  // A host may open a dialog from its data handler; the reply that comes meanwhile is told
  // once the handler returns.
  ASSERT_EQ(port->SetReceiveThreshold(26), IoResult::Ok);
  bool nested = false;
  port->SetListener([&](CommEvent e) {
    events.push_back(e);
    std::vector<std::uint8_t> reply;
    ASSERT_EQ(port->Read(reply), IoResult::Ok);
    if (nested) return;
    nested = true;
    peer->Send(Reply26());
    Turn(milliseconds(60));
  });
  Arrive(Reply26());
  EXPECT_TRUE(TurnUntil([&] { return Count(CommEvent::Receive) == 2; }, milliseconds(1000)))
      << "the second reply was never told";
  EXPECT_EQ(events.size(), 2u);
}

TEST_P(PortOverPeer, AHostMayDestroyThePortFromItsNotification) {
  ASSERT_EQ(port->SetReceiveThreshold(26), IoResult::Ok);
  port->SetListener([&](CommEvent e) {
    events.push_back(e);
    port.reset();
  });
  Arrive(Reply26());
  ASSERT_EQ(port, nullptr);
  EXPECT_EQ(Count(CommEvent::Receive), 1);
  Turn(milliseconds(30));  // the line goes from the loop; nothing may reach the dead port
  EXPECT_EQ(events.size(), 1u);
}

TEST_P(PortOverPeer, DeviceGoneAwayIsToldAndClosed) {
  peer->Drop();
  ASSERT_TRUE(TurnUntil([&] { return !events.empty(); }, milliseconds(2000)));
  Turn(milliseconds(30));
  EXPECT_EQ(Count(CommEvent::Vanished), 1);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_FALSE(port->IsOpen());
  IoResult r = IoResult::Ok;
  EXPECT_NO_THROW(r = port->Write("Q0"));
  EXPECT_NE(r, IoResult::Ok);
  int n = 0;
  EXPECT_NE(port->InputCount(n), IoResult::Ok);
}

TEST_P(PortOverPeer, WaitNoticesTheDeviceGoingAway) {
  peer->Drop();
  inCall = true;
  const auto t0 = std::chrono::steady_clock::now();
  const IoResult r = port->WaitForInput(2, t0 + milliseconds(3000));
  inCall = false;
  EXPECT_EQ(r, IoResult::NoDevice);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, milliseconds(2000));
  EXPECT_TRUE(TurnUntil([&] { return Count(CommEvent::Vanished) == 1; }, milliseconds(1000)));
  EXPECT_FALSE(port->IsOpen());
}

TEST_P(PortOverPeer, WritesAfterCloseFailWithoutThrowing) {
  ASSERT_EQ(port->SetOpen(false), IoResult::Ok);
  EXPECT_FALSE(port->IsOpen());
  IoResult r = IoResult::Ok;
  EXPECT_NO_THROW(r = port->Write("Q0"));
  EXPECT_EQ(r, IoResult::NotOpen);
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(port->Read(bytes), IoResult::NotOpen);
  EXPECT_EQ(port->WaitForInput(1, std::chrono::steady_clock::now()), IoResult::NotOpen);
  Turn(milliseconds(30));
  EXPECT_TRUE(events.empty()) << "closing the port ourselves is not the device going away";
}

INSTANTIATE_TEST_SUITE_P(Lines, PortOverPeer, ::testing::Values("pty", "tcp"),
                         [](const auto& row) { return std::string(row.param); });

}  // namespace
}  // namespace vyx::test
