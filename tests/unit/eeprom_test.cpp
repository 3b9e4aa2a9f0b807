// The identifier and calibration the board keeps in its EEPROM: read at its first answer,
// written from IDstring and Vrefvolt at the next update, through the board's window registers.
#include <gtest/gtest.h>

#include "fake_board.h"

namespace vyx::test {
namespace {

using namespace std::string_literals;
using Writes = std::vector<std::pair<int, int>>;

std::string Records(const Rig& r) { return r.Get("IDstring") + " " + r.Get("Vrefvolt"); }

TEST(Eeprom, ASilentBoardGivesTheDefaultsAfterOneWaitOfTheLimitEach) {
  Rig r;
  r.Connect();
  r.clock.SetTimeOfDay(86399.9);  // the time of day wraps during the waits; the limit must not
  r.Update();
  const auto start = r.clock.Now();
  r.Answer();
  EXPECT_EQ(Records(r), "Vantrel 5.0000");
  // The marker, then the calibration's two bytes: 0.275 s each, one wait in the system each
  // (and one short one that shows the status reply has ended).
  EXPECT_NEAR(std::chrono::duration<double>(r.clock.Now() - start).count(), 3 * 0.275, 1e-3);
  EXPECT_EQ(r.port.waits, 4);
  EXPECT_EQ(Strings(r.port.frames.begin() + 1, r.port.frames.begin() + 5),
            (Strings{"p00A3014", "p00A2402", "Q0A401", "p00A30AD"}));
}

TEST(Eeprom, TheFirstAnswerShowsTheStoredRecords) {
  // clang-format off
  const std::tuple<std::string, int, int, int, std::set<int>, const char*> rows[] = {
      {"BOARD-7", 0xC3, 0x50, 0xA5, {}, "BOARD-7 5.0000"},
      {"BOARD-7", 0xC3, 0x50, 0x5A, {}, "Vantrel 5.0000"},  // no marker: not read at all
      {"A\0BC"s, 0xCB, 0x20, 0xA5, {}, "A 5.2000"},
      {"Z\xFCrich", 0xC2, 0xD3, 0xA5, {}, "Z\xC3\xBCrich 4.9875"},
      {"ABCDEFGH", 0xAF, 0xC7, 0xA5, {5}, "ABC 5.0000"},  // a failed byte ends the identifier
      {"ABCDEFGH", 0xD6, 0xD9, 0xA5, {}, "ABCDEFGH 5.0000"},
      {"ABCDEFGH", 0xCB, 0x20, 0xA5, {11}, "ABCDEFGH 5.0000"},
      {"ABCDEFGH", 0xCB, 0x20, 0xA5, {1}, "Vantrel 5.2000"}};
  // clang-format on
  for (const auto& [id, high, low, marker, silent, shown] : rows) {
    Rig r;
    FakeBoard board(r);
    board.Hold(id + std::string(8 - id.size(), '\0'), high, low, marker);
    board.silent = silent;
    r.Connect();
    r.Update();
    r.Run(3.0);
    EXPECT_EQ(Records(r), shown);
  }
}

Writes IdWrites(const std::string& id) {
  Writes w;
  for (int i = 0; i < 8; ++i)
    w.emplace_back(2 + i, i < static_cast<int>(id.size()) ? id[i] & 0xFF : 0);
  w.emplace_back(1, 0xA5);  // the marker last
  return w;
}

TEST(Eeprom, EditedRecordsAreWrittenAtTheNextUpdateAndReadBack) {
  const std::string accents = "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9";
  // clang-format off
  const std::tuple<const char*, std::string, Writes, std::string> rows[] = {
      {"IDstring", "ABCDEFGHIJ", IdWrites("ABCDEFGH"), "ABCDEFGH 5.0000"},
      {"IDstring", "V1", IdWrites("V1"), "V1 5.0000"},
      {"IDstring", accents + "!", IdWrites("\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xE9"), accents + " 5.0000"},
      {"IDstring", "\xE2\x82\xAC" "5", IdWrites("?5"), "?5 5.0000"},
      {"IDstring", "", {}, "BOARD-7 5.0000"},  // emptied: read back, nothing written
      {"Vrefvolt", "4.9876", {{10, 194}, {11, 211}}, "BOARD-7 4.9875"},  // truncated
      {"Vrefvolt", "4.5", {{10, 175}, {11, 200}}, "BOARD-7 4.5000"},
      {"Vrefvolt", "5.5", {{10, 214}, {11, 216}}, "BOARD-7 5.5000"},
      {"Vrefvolt", "5.5001", {{10, 195}, {11, 80}}, "BOARD-7 5.0000"},
      {"Vrefvolt", "abc", {{10, 195}, {11, 80}}, "BOARD-7 5.0000"}};
  // clang-format on
  for (const auto& [name, value, writes, shown] : rows) {
    SCOPED_TRACE(value);
    Rig r;
    FakeBoard board(r);
    board.Hold("BOARD-7", 0xC3, 0x50);
    r.Connect();
    r.Update();
    r.Run(3.0);
    ASSERT_TRUE(r.vyx.Set(name, value));
    r.port.frames.clear();
    r.Update();
    r.Run(3.0);
    EXPECT_EQ(board.writes, writes);
    EXPECT_EQ(Records(r), shown);
    if (writes.size() == 9) {  // a byte is four address frames, the data, the write command
      EXPECT_EQ(Strings(r.port.frames.begin(), r.port.frames.begin() + 4), Strings(4, "p00A3025"));
    }
  }
}

TEST(Eeprom, AByteArrivingAsTheLimitPassesStillCountsAndStaleBytesNever) {
  Rig r;
  r.Connect();
  int asks = 0;
  r.port.onWrite = [&](const std::string& f) {
    if (f != "Q0A401") return;
    if (++asks == 2) r.port.afterTimeout = {0xCB, 0xCB};  // the calibration's high byte
    if (asks == 3) r.port.DeliverLater({0x20, 0x20}, 0.01);
  };
  r.Update();
  r.Answer();
  EXPECT_EQ(Records(r), "Vantrel 5.2000");
  Rig stale;  // bytes, a marker, waiting before the records are read are not an answer
  stale.Connect();
  stale.vyx.SetFieldObserver([&](Field f) {
    if (f == Field::LblFW) stale.port.input.assign(2, 0xA5);
  });
  stale.Update();
  stale.Answer();
  EXPECT_EQ(Records(stale), "Vantrel 5.0000");
}

}  // namespace
}  // namespace vyx::test
