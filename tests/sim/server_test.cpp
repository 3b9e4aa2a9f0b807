#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "vyx/sim/pacing.h"
#include "vyx/sim/simulator.h"
#include "wire.h"

namespace vyx::sim {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::ChecksumHolds;
using test::Wire;
using Clock = std::chrono::steady_clock;

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/vyx-sim-test-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

Bytes RoundTrip(const Wire& wire, const char* frames, std::size_t count) {
  wire.Send(frames);
  return wire.Receive(count, 2s);
}

TEST(PtyServer, AnswersOverARealPseudoTerminalAndSurvivesReopening) {
  TempDir dir;
  Options o;
  o.link = dir / "board";
  Simulator sim(o);
  const std::string path = sim.Start();
  ASSERT_FALSE(path.empty()) << sim.LastError();
  EXPECT_EQ(std::filesystem::read_symlink(o.link).string(), path);
  {
    const Wire wire = Wire::OpenDevice(o.link);
    ASSERT_TRUE(wire.Ok());
    const Bytes reply = RoundTrip(wire, "p0023903Q02119", 26);
    ASSERT_EQ(reply.size(), 26u);
    EXPECT_TRUE(ChecksumHolds(reply));
    EXPECT_EQ(reply[2], 0x90);
  }
  // The host closed the device; the board is still there when it opens it again.
  const Wire again = Wire::OpenDevice(path);
  ASSERT_TRUE(again.Ok());
  EXPECT_EQ(RoundTrip(again, "Q02119", 26).size(), 26u);
  EXPECT_TRUE(sim.ReadOutputs(0)->dos);
  EXPECT_GE(sim.GetCounters().replies, 2u);
  sim.Stop();
  EXPECT_FALSE(std::filesystem::is_symlink(o.link));
}

TEST(PtyServer, LineRatePacesAStatusBlockToAtLeast6_7Milliseconds) {
  Options o;
  o.line_rate = true;
  Simulator sim(o);
  const Wire wire = Wire::OpenDevice(sim.Start());
  ASSERT_TRUE(wire.Ok());
  const auto start = Clock::now();
  const Bytes reply = RoundTrip(wire, "Q02119", 26);
  const auto took = Clock::now() - start;
  ASSERT_EQ(reply.size(), 26u);
  EXPECT_TRUE(ChecksumHolds(reply));
  // 26 bytes of 10 bits at 38400 baud, after the 6 bytes of the frame itself.
  EXPECT_GE(took, 6700us);
  EXPECT_GE(took, 32 * kByteTime);
}

TEST(PtyServer, AWholeReplyComesInOneWriteNoSoonerThanItsWireTime) {
  Options o;
  o.line_rate = true;
  o.reply_chunk = 0;
  Simulator sim(o);
  const Wire wire = Wire::OpenDevice(sim.Start());
  ASSERT_TRUE(wire.Ok());
  const auto start = Clock::now();
  wire.Send("Q02119");
  const Bytes first = wire.Receive(1, 2s);
  const auto took = Clock::now() - start;
  const Bytes rest = wire.Receive(25, 0ms);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(rest.size(), 25u) << "the reply came in pieces";
  EXPECT_GE(took, 32 * kByteTime);
}

// Each reply the host waited for is timed once; the first frame had no reply before it.
TEST(PtyServer, TimesTheHostsTurnaroundAfterEachReply) {
  Options o;
  o.line_rate = true;
  Simulator sim(o);
  const Wire wire = Wire::OpenDevice(sim.Start());
  ASSERT_TRUE(wire.Ok());
  const auto start = Clock::now();
  for (int i = 0; i < 4; ++i) ASSERT_EQ(RoundTrip(wire, "Q02119", 26).size(), 26u);
  const auto took = Clock::now() - start;
  const TurnaroundFigures t = sim.TakeTurnaround();
  EXPECT_EQ(t.count, 3u);
  EXPECT_LE(t.median, t.p90);
  EXPECT_LE(t.p90, t.worst);
  // The turns are what the four paced exchanges leave over, not the exchanges themselves.
  EXPECT_LE(t.worst + t.median, took - 4 * 32 * kByteTime);
  EXPECT_EQ(sim.TakeTurnaround().count, 0u);
}

TEST(PtyServer, LateReplyComesAfterTheDelay) {
  Options o;
  o.faults.late = 1;
  o.faults.delay_ms = 60;
  Simulator sim(o);
  const Wire wire = Wire::OpenDevice(sim.Start());
  const auto start = Clock::now();
  EXPECT_EQ(RoundTrip(wire, "Q02119", 26).size(), 26u);
  EXPECT_GE(Clock::now() - start, 60ms);
}

TEST(PtyServer, LineDropsAfterNFramesAndComesBackOnReconnect) {
  Options o;
  o.faults.drop_after = 2;
  Simulator sim(o);
  const std::string first = sim.Start();
  {
    const Wire wire = Wire::OpenDevice(first);
    EXPECT_EQ(RoundTrip(wire, "p0023903Q02119", 26).size(), 26u);  // the second frame answered
    EXPECT_TRUE(wire.HungUp(2s));
  }
  EXPECT_FALSE(sim.Connected());
  EXPECT_EQ(sim.GetCounters().drops, 1u);
  const std::string second = sim.Reconnect();
  ASSERT_FALSE(second.empty()) << sim.LastError();
  EXPECT_TRUE(sim.Connected());
  const Wire wire = Wire::OpenDevice(second);
  ASSERT_TRUE(wire.Ok());
  EXPECT_EQ(RoundTrip(wire, "Q02119p0023903Q02119", 52).size(), 52u);  // armed once only
}

TEST(PtyServer, RandomBytesOnTheLineLeaveTheBoardAnswering) {
  Simulator sim(Options{});
  const Wire wire = Wire::OpenDevice(sim.Start());
  std::mt19937 rng(99);
  std::string noise(3000, '\0');
  for (char& c : noise) c = static_cast<char>(rng() % 256);
  wire.Send(noise);
  while (!wire.Receive(4096, 100ms).empty()) {
  }
  const Bytes reply = RoundTrip(wire, "Q02119", 26);
  ASSERT_EQ(reply.size(), 26u);
  EXPECT_TRUE(ChecksumHolds(reply));
  EXPECT_TRUE(sim.Connected());
}

TEST(TcpServer, AnswersOnLoopback) {
  Options o;
  o.tcp = true;
  o.boards = {1, 3};
  Simulator sim(o);
  const std::string url = sim.Start();
  ASSERT_EQ(url.rfind("tcp://127.0.0.1:", 0), 0u) << url << sim.LastError();
  const auto port = static_cast<std::uint16_t>(std::stoi(url.substr(url.rfind(':') + 1)));
  const Wire wire = Wire::ConnectTcp(port);
  ASSERT_TRUE(wire.Ok());
  EXPECT_EQ(RoundTrip(wire, "Q32119", 26).size(), 26u);
  wire.Send("Q02119");
  EXPECT_TRUE(wire.Receive(1, 200ms).empty());  // no board 0 on this line
  // A second connection takes the line over, as a host reopening the port would.
  const Wire second = Wire::ConnectTcp(port);
  EXPECT_EQ(RoundTrip(second, "Q12119", 26).size(), 26u);
}

TEST(EepromFile, RecordsSurviveARestart) {
  TempDir dir;
  Options o;
  o.eeprom_file = dir / "eeprom.bin";
  o.boards = {0, 2};
  {
    Simulator sim(o);
    const Wire wire = Wire::OpenDevice(sim.Start());
    wire.Send("p00A3025p00A3025p00A3025p00A3025p00A456Ap00A2857");
    // Board 2, address 0x0B, data 0x12; the block read after it proves the line caught up.
    EXPECT_EQ(RoundTrip(wire, "p20A30B0p20A4128p20A2859Q22119", 26).size(), 26u);
  }
  EXPECT_EQ(std::filesystem::file_size(o.eeprom_file), 1024u);
  EXPECT_FALSE(std::filesystem::exists(o.eeprom_file + ".tmp"));

  Simulator sim(o);
  const Wire wire = Wire::OpenDevice(sim.Start());
  EXPECT_EQ(RoundTrip(wire, "p00A3025p00A2402Q0A401", 2), (Bytes{0x56, 0x56}));
  EXPECT_EQ(RoundTrip(wire, "p20A30B0p20A2404Q2A401", 2), (Bytes{0x12, 0x12}));
  EXPECT_EQ(sim.ReadEeprom(0, 3), 0xFF);
}

TEST(EepromFile, ASymlinkPlantedBesideItIsNeitherFollowedNorTruncated) {
  TempDir dir;
  const std::filesystem::path victim = dir / "victim";
  { std::ofstream(victim) << "keep me"; }
  Options o;
  o.eeprom_file = dir / "eeprom.bin";
  for (const char* planted : {".tmp", ".XXXXXX"}) {
    std::filesystem::create_symlink(victim, o.eeprom_file + planted);
  }
  Simulator sim(o);
  ASSERT_FALSE(sim.Start().empty());
  ASSERT_TRUE(sim.WriteEeprom(0, 5, 0x42));
  EXPECT_EQ(std::filesystem::file_size(o.eeprom_file), 1024u);
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
}

TEST(EepromFile, AFileOfTheWrongSizeIsRefusedAndKept) {
  TempDir dir;
  Options o;
  o.eeprom_file = dir / "notes.txt";
  std::ofstream(o.eeprom_file) << "not an EEPROM";
  Simulator sim(o);
  EXPECT_TRUE(sim.Start().empty());
  EXPECT_NE(sim.LastError().find("not an EEPROM file"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(o.eeprom_file), 13u);
}

TEST(Simulator, RejectsBadBoardLists) {
  for (const std::vector<int>& boards : {std::vector<int>{}, {4}, {0, 0}, {-1}}) {
    Options o;
    o.boards = boards;
    Simulator sim(o);
    EXPECT_TRUE(sim.Start().empty());
    EXPECT_FALSE(sim.LastError().empty());
  }
}

}  // namespace
}  // namespace vyx::sim
