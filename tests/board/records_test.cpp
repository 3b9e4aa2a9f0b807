// The identifier and calibration records against the simulated board's EEPROM.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>

#include "board_rig.h"

namespace vyx::test {
namespace {

using std::chrono::steady_clock;

TEST(RecordsOnBoard, WrittenFromTheFieldsComeBackAndSurviveARestartOfTheBoard) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  sim::Options o;
  o.eeprom_file = dir.filePath("board.eeprom").toStdString();

  {
    BoardRig rig(o);
    rig.Connect();
    ASSERT_TRUE(rig.Update());  // first answer: the erased EEPROM reads as the defaults
    EXPECT_EQ(rig.Text(Field::TxtName), "Vantrel");
    EXPECT_EQ(rig.Text(Field::TxtVref), "5.0000");

    rig.Set("IDstring", std::string("Zürich-12"));
    rig.Set("Vrefvolt", std::string("4.9876"));
    ASSERT_TRUE(rig.Update());
    // What the board returned, not what was typed: eight characters, 0.1 mV truncated.
    EXPECT_EQ(rig.Text(Field::TxtName), "Zürich-1");
    EXPECT_EQ(rig.Text(Field::TxtVref), "4.9875");
    EXPECT_EQ(rig.board->ReadEeprom(0, 1), 0xA5);
  }

  BoardRig restarted(o);
  restarted.Connect();
  ASSERT_TRUE(restarted.Update());
  EXPECT_EQ(restarted.Text(Field::TxtName), "Zürich-1");
  EXPECT_EQ(restarted.Text(Field::TxtVref), "4.9875");
  EXPECT_EQ(restarted.host.newData, 1);
}

TEST(RecordsOnBoard, BoardSilentOnEepromReadsGivesTheDefaultsWithinTheTimeBound) {
  sim::Options o;
  o.faults.eeprom_silence = 1.0;
  BoardRig rig(o);
  ASSERT_TRUE(rig.board->WriteEeprom(0, 1, 0xA5));
  ASSERT_TRUE(rig.board->WriteEeprom(0, 2, 'X'));
  rig.Connect();
  const auto start = steady_clock::now();
  ASSERT_TRUE(rig.Update());
  const double elapsed = std::chrono::duration<double>(steady_clock::now() - start).count();
  EXPECT_EQ(rig.Text(Field::TxtName), "Vantrel");
  EXPECT_EQ(rig.Text(Field::TxtVref), "5.0000");
  EXPECT_EQ(rig.host.newData, 1);
  // Three failed byte reads (the marker, then the two calibration bytes) of 0.275 s each.
  EXPECT_GE(elapsed, 3 * 0.275);
  EXPECT_LT(elapsed, 1.5);
}

}  // namespace
}  // namespace vyx::test
