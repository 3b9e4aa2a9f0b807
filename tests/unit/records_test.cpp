// The identifier and calibration records, against a board whose EEPROM window is modelled
// from the frames the component writes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "eeprom/record_codec.h"
#include "rig.h"

namespace vyx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

int Hex(const std::string& s) { return std::stoi(s, nullptr, 16); }

// The board's side of the EEPROM window: address and data registers, the read (0x40) and
// write (0x85) commands, and the "Q" reply of the data register with its checksum. Frames
// with a wrong check digit or for another board are ignored, as the board ignores them.
class EepromBoard {
 public:
  EepromBoard(FakePort& port, int board = 0) : port_(port), board_(board) {
    mem.fill(0xFF);  // erased
    port.onWrite = [this](const std::string& frame) { OnFrame(frame); };
  }

  void Store(int address, const Bytes& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) mem[address + i] = bytes[i];
  }

  std::array<std::uint8_t, 256> mem{};
  std::set<int> silent;                     // addresses whose reads get no answer
  std::vector<std::pair<int, int>> writes;  // (address, byte) in the order written
  std::vector<int> reads;                   // addresses read, in order

 private:
  void OnFrame(const std::string& f) {
    if (f.size() == 8 && f[0] == 'p') {
      const int addr = Hex(f.substr(1, 1)), reg = Hex(f.substr(3, 2)), v = Hex(f.substr(5, 2));
      const int sum = 'p' + addr + reg + v;
      if (addr != board_ || Hex(f.substr(7, 1)) != sum % 16) return;
      if (reg == 0xA3) address_ = v;
      if (reg == 0xA4) data_ = v;
      if (reg == 0xA2 && v == 0x40) {
        reads.push_back(address_);
        answer_ = !silent.contains(address_);
        data_ = mem[static_cast<std::size_t>(address_)];
      }
      if (reg == 0xA2 && v == 0x85) {
        writes.emplace_back(address_, data_);
        mem[static_cast<std::size_t>(address_)] = static_cast<std::uint8_t>(data_);
      }
    } else if (f.size() == 6 && f[0] == 'Q' && Hex(f.substr(1, 1)) == board_ &&
               f.substr(2, 4) == "A401" && answer_) {
      port_.Deliver({static_cast<std::uint8_t>(data_), static_cast<std::uint8_t>(data_)});
    }
  }

  FakePort& port_;
  int board_;
  int address_ = 0;
  int data_ = 0;
  bool answer_ = false;
};

class RecordsTest : public ::testing::Test {
 protected:
  RecordsTest() {
    rig.Connect();
    board.mem.fill(0);
  }

  void SetName(const std::string& t) { rig.f().SetText(Field::TxtName, t); }
  void SetVref(const std::string& t) { rig.f().SetText(Field::TxtVref, t); }
  void WriteId() { VyxProbe::WriteIDstring(rig.vyx); }
  void ReadId() { VyxProbe::ReadIDstring(rig.vyx); }
  void WriteVref() { VyxProbe::WriteVref(rig.vyx); }
  void ReadVref() { VyxProbe::ReadVref(rig.vyx); }
  void StoreId(const Bytes& id) {
    board.mem[1] = 0xA5;
    Bytes padded = id;
    padded.resize(8, 0);
    board.Store(2, padded);
  }

  Rig rig;
  EepromBoard board{rig.port};
};

std::vector<std::pair<int, int>> IdWrites(const Bytes& eight) {
  std::vector<std::pair<int, int>> w;
  for (std::size_t i = 0; i < eight.size(); ++i) w.emplace_back(2 + static_cast<int>(i), eight[i]);
  w.emplace_back(1, 0xA5);
  return w;
}

TEST_F(RecordsTest, LongIdentifierIsCutToEightCharacters) {
  SetName("ABCDEFGHIJ");
  WriteId();
  EXPECT_EQ(board.writes, IdWrites({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
  EXPECT_EQ(rig.port.frames.size(), 9u * 6u);

  ReadId();
  EXPECT_EQ(rig.text(Field::TxtName), "ABCDEFGH");
  EXPECT_EQ(rig.text(Field::BufName), "ABCDEFGH");
  EXPECT_EQ(rig.m().NameCache[0], "ABCDEFGH");
  EXPECT_FALSE(rig.m().NamePending);  // set by the field's change, cleared last
}

TEST_F(RecordsTest, ShortIdentifierIsPaddedWithZerosThenMarked) {
  SetName("V1");
  WriteId();
  EXPECT_EQ(board.writes, IdWrites({0x56, 0x31, 0, 0, 0, 0, 0, 0}));

  SetName("");
  ReadId();
  EXPECT_EQ(rig.text(Field::TxtName), "V1");
  EXPECT_EQ(board.reads, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));  // a 0 stops nothing
}

TEST_F(RecordsTest, ZeroByteEndsTheIdentifier) {
  StoreId({'A', 0, 'B', 'C'});
  ReadId();
  EXPECT_EQ(rig.text(Field::TxtName), "A");
}

TEST_F(RecordsTest, WrongMarkerGivesTheDefaultWithoutReadingTheIdentifier) {
  StoreId({'X', 'Y'});
  board.mem[1] = 0x5A;
  ReadId();
  EXPECT_EQ(rig.text(Field::TxtName), "Vantrel");
  EXPECT_EQ(rig.text(Field::BufName), "Vantrel");
  EXPECT_EQ(board.reads, std::vector<int>{1});
}

TEST_F(RecordsTest, UnansweredMarkerGivesTheDefault) {
  StoreId({'X', 'Y'});
  board.silent = {1};
  ReadId();
  EXPECT_EQ(rig.text(Field::TxtName), "Vantrel");
  EXPECT_EQ(board.reads, std::vector<int>{1});
}

TEST_F(RecordsTest, FailedIdentifierByteKeepsTheCharactersBeforeIt) {
  const std::string stored = "ABCDEFGH";
  StoreId(Bytes(stored.begin(), stored.end()));
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    board.silent = {2 + i};
    board.reads.clear();
    ReadId();
    EXPECT_EQ(rig.text(Field::TxtName), stored.substr(0, static_cast<std::size_t>(i)));
    EXPECT_EQ(board.reads.size(),
              static_cast<std::size_t>(i) + 2);  // marker, i bytes, the failed one
    EXPECT_EQ(rig.m().NameCache[0], rig.text(Field::TxtName));
  }
}

TEST_F(RecordsTest, ReadOverwritesAnEditInProgress) {
  StoreId({'O', 'K'});
  rig.m().NameEditing = true;
  rig.f().SetText(Field::BufName, "typing");
  ReadId();
  EXPECT_EQ(rig.text(Field::BufName), "OK");
}

TEST_F(RecordsTest, CachesBelongToTheSelectedBoard) {
  EepromBoard board2(rig.port, 2);
  board2.mem[1] = 0xA5;
  board2.Store(2, {'B', '2', 0});
  board2.Store(10, {203, 32});
  rig.f().SetSelected(Field::CmbMicro, 2);
  ReadId();
  ReadVref();
  EXPECT_EQ(rig.m().NameCache[2], "B2");
  EXPECT_EQ(rig.m().VrefCache[2], "5.2000");
  EXPECT_EQ(rig.m().NameCache[0], "");
  EXPECT_EQ(rig.m().VrefCache[0], "");
}

TEST_F(RecordsTest, IdentifierIsOneLatin1BytePerCharacter) {
  struct Row {
    const char* typed;
    Bytes written;     // the eight identifier bytes
    const char* read;  // read back, or nullptr when the character cannot come back
  };
  const Row rows[] = {
      {"Zürich", {'Z', 0xFC, 'r', 'i', 'c', 'h', 0, 0}, "Zürich"},
      // Nine characters, eighteen bytes of UTF-8: the length counts characters.
      {"ÄÖÜäöüßé!", {0xC4, 0xD6, 0xDC, 0xE4, 0xF6, 0xFC, 0xDF, 0xE9}, "ÄÖÜäöüßé"},
      // Outside Latin-1: one non-zero byte in its place.
      {"€5", {'?', '5', 0, 0, 0, 0, 0, 0}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    board.writes.clear();
    SetName(row.typed);
    WriteId();
    EXPECT_EQ(board.writes, IdWrites(row.written));
    if (row.read == nullptr) continue;
    SetName("");
    ReadId();
    EXPECT_EQ(rig.text(Field::TxtName), row.read);
  }
}

struct VrefWriteCase {
  const char* text;
  int high;
  int low;
};

class VrefWriteTest : public RecordsTest, public ::testing::WithParamInterface<VrefWriteCase> {};

TEST_P(VrefWriteTest, StoresTheTruncatedCountHighByteFirst) {
  SetVref(GetParam().text);
  WriteVref();
  EXPECT_EQ(board.writes,
            (std::vector<std::pair<int, int>>{{10, GetParam().high}, {11, GetParam().low}}));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VrefWriteTest,
    ::testing::Values(VrefWriteCase{"4.5", 175, 200}, VrefWriteCase{"5.0000", 195, 80},
                      VrefWriteCase{"5.5", 214, 216}, VrefWriteCase{"5.2", 203, 32},
                      VrefWriteCase{"4.9876", 194, 211},  // 49875.999..., truncated
                      VrefWriteCase{"6", 195, 80}, VrefWriteCase{"abc", 195, 80},
                      VrefWriteCase{"4.4999", 195, 80}, VrefWriteCase{"5.5001", 195, 80},
                      VrefWriteCase{"-5", 195, 80}, VrefWriteCase{"1e999", 195, 80}));

struct VrefReadCase {
  int high;
  int low;
  const char* text;
};

class VrefReadTest : public RecordsTest, public ::testing::WithParamInterface<VrefReadCase> {};

TEST_P(VrefReadTest, ShowsTheStoredCalibration) {
  board.Store(
      10, {static_cast<std::uint8_t>(GetParam().high), static_cast<std::uint8_t>(GetParam().low)});
  ReadVref();
  EXPECT_EQ(rig.text(Field::TxtVref), GetParam().text);
  EXPECT_EQ(rig.text(Field::BufVref), GetParam().text);
  EXPECT_EQ(rig.m().VrefCache[0], GetParam().text);
  EXPECT_FALSE(rig.m().VrefPending);
  EXPECT_EQ(board.reads, (std::vector<int>{10, 11}));
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, VrefReadTest,
    ::testing::Values(VrefReadCase{203, 32, "5.2000"}, VrefReadCase{194, 211, "4.9875"},
                      VrefReadCase{175, 200, "4.5000"}, VrefReadCase{214, 216, "5.5000"},
                      VrefReadCase{175, 199, "5.0000"}, VrefReadCase{214, 217, "5.0000"},
                      VrefReadCase{0, 0, "5.0000"}, VrefReadCase{0xFF, 0xFF, "5.0000"}));

TEST_F(RecordsTest, FailedCalibrationReadShowsFiveVolts) {
  board.Store(10, {203, 32});
  board.silent = {11};  // the second read decides
  ReadVref();
  EXPECT_EQ(rig.text(Field::TxtVref), "5.0000");

  board.silent = {10};  // a lost high byte leaves the count out of range
  ReadVref();
  EXPECT_EQ(rig.text(Field::TxtVref), "5.0000");
}

TEST_F(RecordsTest, ErasedEepromReadsAsTheDefaults) {
  board.mem.fill(0xFF);
  ReadId();
  ReadVref();
  EXPECT_EQ(rig.text(Field::TxtName), "Vantrel");
  EXPECT_EQ(rig.text(Field::TxtVref), "5.0000");
}

TEST_F(RecordsTest, SilentBoardReadsAsTheDefaults) {
  rig.port.onWrite = nullptr;
  SetName("Mine");
  SetVref("4.8");
  ReadId();
  ReadVref();
  EXPECT_EQ(rig.text(Field::TxtName), "Vantrel");
  EXPECT_EQ(rig.text(Field::BufName), "Vantrel");
  EXPECT_EQ(rig.text(Field::TxtVref), "5.0000");
  EXPECT_EQ(rig.text(Field::BufVref), "5.0000");
  EXPECT_FALSE(rig.m().NamePending);
  EXPECT_FALSE(rig.m().VrefPending);
}

// The identifier codec on its own: ill-formed UTF-8 never yields a 0 byte or a lost
// character count.
struct Latin1Case {
  const char* name;
  std::string utf8;
  Bytes latin1;
};

class ToLatin1Test : public ::testing::TestWithParam<Latin1Case> {};

TEST_P(ToLatin1Test, OneByteForEachCharacter) {
  EXPECT_EQ(eeprom::ToLatin1(GetParam().utf8), GetParam().latin1);
}

INSTANTIATE_TEST_SUITE_P(Texts, ToLatin1Test,
                         ::testing::Values(Latin1Case{"Empty", "", {}},
                                           Latin1Case{"Ascii", "V1", {'V', '1'}},
                                           Latin1Case{"TwoByteLow", "\xC2\x80", {0x80}},
                                           Latin1Case{"TwoByteHigh", "\xC3\xBF", {0xFF}},
                                           Latin1Case{"BeyondLatin1", "\xC4\x80", {'?'}},
                                           Latin1Case{"Euro", "\xE2\x82\xAC", {'?'}},
                                           Latin1Case{"Astral", "\xF0\x9F\x98\x80x", {'?', 'x'}},
                                           Latin1Case{"Truncated", "\xC3", {'?'}},
                                           Latin1Case{"CutByAscii",
                                                      "\xE2\x82"
                                                      "A",
                                                      {'?', 'A'}},
                                           Latin1Case{"LoneTrail",
                                                      "\x80"
                                                      "A",
                                                      {'?', 'A'}},
                                           Latin1Case{"Overlong", "\xC0\x80", {'?', '?'}},
                                           Latin1Case{"Surrogate", "\xED\xA0\x80", {'?', '?', '?'}},
                                           Latin1Case{"InvalidLead", "\xFF", {'?'}}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FromLatin1, HighBytesBecomeTwoByteUtf8AndZeroEnds) {
  EXPECT_EQ(eeprom::FromLatin1(Bytes{'Z', 0xFC, 0x80, 0, 'x'}), "Z\xC3\xBC\xC2\x80");
}

}  // namespace
}  // namespace vyx::test
