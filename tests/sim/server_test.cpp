// The simulator serving its line on a real pseudo-terminal, and keeping its EEPROM in a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "vyx/sim/pacing.h"
#include "vyx/sim/simulator.h"
#include "wire.h"

namespace vyx::sim {
namespace {

using namespace std::chrono_literals;
using test::Wire;
namespace fs = std::filesystem;

struct TempDir {
  std::string path = ::mkdtemp(std::string("/tmp/vyx-sim-test-XXXXXX").data());
  ~TempDir() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

std::string RoundTrip(const Wire& wire, const char* frames, std::size_t count) {
  wire.Send(frames);
  return wire.Receive(count);
}

TEST(PtyServer, AnswersOverAPseudoTerminalAndSurvivesReopening) {
  TempDir dir;
  Options o;
  o.link = dir / "board";
  Simulator sim(o);
  const std::string path = sim.Start();
  EXPECT_EQ(fs::read_symlink(o.link).string(), path) << sim.LastError();
  EXPECT_EQ(RoundTrip(Wire(o.link), "p0023903Q02301", 2), "\x90\x90");
  // The host closed the device; the board is still there when it opens it again.
  EXPECT_EQ(RoundTrip(Wire(path), "Q02301", 2), "\x90\x90");
  sim.Stop();
  EXPECT_FALSE(fs::is_symlink(o.link));
}

TEST(PtyServer, PacedRepliesTakeTheirWireTimeWholeOrByteByByte) {
  for (const int chunk : {1, 0}) {
    Options o;
    o.line_rate = true;
    o.reply_chunk = chunk;
    Simulator sim(o);
    const Wire wire(sim.Start());
    for (int i = 0; i < 4; ++i) {
      const auto start = std::chrono::steady_clock::now();
      wire.Send("Q02119");
      const std::size_t first = wire.Receive(1).size();
      EXPECT_EQ(first + wire.Receive(25, chunk == 0 ? 0ms : 2s).size(), 26u) << chunk;
      // 6 bytes of frame and 26 of reply, 10 bits a byte at 38400 baud: never sooner.
      EXPECT_GE(std::chrono::steady_clock::now() - start, 32 * kByteTime) << chunk;
    }
    // Every reply's end is timed against when it was due; the host's answer only after one.
    const TurnaroundFigures t = sim.TakeTurnaround();
    EXPECT_EQ(t.overdue.count, 4u) << chunk;
    EXPECT_EQ(t.host.count, 3u) << chunk;
  }
}

TEST(EepromFile, RecordsSurviveARestartAndNothingBesideThemIsTouched) {
  TempDir dir;
  Options o;
  o.eeprom_file = dir / "eeprom.bin";
  o.boards = {0, 2};
  for (const char* planted : {".tmp", ".XXXXXX"}) {  // neither followed nor truncated
    fs::create_symlink(dir / "victim", o.eeprom_file + planted);
  }
  std::ofstream(dir / "victim") << "keep me";
  {
    Simulator sim(o);
    const Wire wire(sim.Start());
    wire.Send("p00A3025p00A3025p00A3025p00A3025p00A456Ap00A2857");
    // Board 2, address 0x0B, data 0x12; the block read after it shows the line caught up.
    EXPECT_EQ(RoundTrip(wire, "p20A30B0p20A4128p20A2859Q22301", 2), std::string(2, '\0'));
  }
  EXPECT_EQ(fs::file_size(o.eeprom_file), 1024u);
  EXPECT_EQ(fs::file_size(dir / "victim"), 7u);
  {
    Simulator sim(o);
    const Wire wire(sim.Start());
    EXPECT_EQ(RoundTrip(wire, "p00A3025p00A2402Q0A401", 2), "\x56\x56");
    EXPECT_EQ(RoundTrip(wire, "p20A30B0p20A2404Q2A401", 2), "\x12\x12");
  }

  std::ofstream(o.eeprom_file, std::ios::trunc) << "not an EEPROM";
  Simulator refused(o);
  EXPECT_EQ(refused.Start(), "");
  EXPECT_NE(refused.LastError().find("not an EEPROM file"), std::string::npos);
  EXPECT_EQ(fs::file_size(o.eeprom_file), 13u);
}

}  // namespace
}  // namespace vyx::sim
