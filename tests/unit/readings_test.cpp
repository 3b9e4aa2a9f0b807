// What a verified status block shows: each reading from its own registers, with its limits
// and rounding; values the operator has entered but not yet sent; each board's own readings;
// the clock field.
#include <gtest/gtest.h>

#include "fake_board.h"
#include "panel/text_number.h"

namespace vyx::test {
namespace {

TEST(Readings, EachFromItsOwnRegisters) {
  // clang-format off
  const std::pair<Bytes, std::string> rows[] = {
      {{12, 0x04, 0x5A, 0x00, 0x00, 0xFF, 0xC0, 0xFF, 0xFF, 0x80, 0x00, 0x40, 0x00, 0, 0,
        0x12, 0x34, 0x56, 0x0F, 0x42, 0x40, 0x53, 0x40, 159, 1},
       "FWver=1.2 AD0volt=0.002 AD1volt=4.998 AD2volt=5.002 AD3volt=2.502 AD4volt=1.252 "
       "DIFcount=1193046 DITinterval=0.8000000 PWMduty=33.300 DPWduty=99.375 DOGduty=0.625 "
       "DIFstate=0 DITstate=1 DINstate=0 DISstate=1 DONstate=1 DOEstate=0 DOKstate=1 DOSstate=0 "
       "RSTstate=1"},
      {{255, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 62, 0xFF, 0xFF, 255},
       "FWver=25.5 DIFcount=16777215 DITinterval=0.0000500 PWMduty=100.000 DPWduty=100.000 RSTstate=1"},
      {{0, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7, 0xF4, 0x8F, 0xF9, 0xFF},
       "DITinterval=12.9999992 PWMduty=99.998 RSTstate=1"},
      {{0, 0xF9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF},
       "DITinterval=13.0000000 RSTstate=0"}};
  // clang-format on
  EXPECT_FALSE(Rig().vyx.LastReadings());
  for (const auto& [regs, shown] : rows) {
    Rig r;
    r.Connect();
    r.BringOnline(regs);
    for (int i = 0; i < 2; ++i) r.Update(), r.Answer(regs);  // decoded again from a known board
    EXPECT_EQ(r.Shown(shown), shown);
    const auto t = r.vyx.LastReadings();  // the numbers behind the texts, from the same reply
    ASSERT_TRUE(t);
    EXPECT_EQ(r.Shown("FWver= AD0volt= DIFcount= DONstate="),
              "FWver=" + FormatFixed(t->firmware, 1) + " AD0volt=" + FormatFixed(t->volts[0], 3) +
                  " DIFcount=" + std::to_string(t->difCount) + " DONstate=" + (t->don ? "1" : "0"));
    EXPECT_EQ(r.port.frames.back(), "Q02119") << "duties read back are not written back";
  }
}

TEST(Readings, AnalogInputsAreMeasuredAgainstTheBoardsCalibrationOnceItIsRead) {
  Rig r;
  FakeBoard board(r);
  board.regs[3] = 0x80;           // AD0 at mid-scale
  board.Hold("", 0xAF, 0xC8, 0);  // 4.5 V
  r.Connect();
  r.Update();
  r.Run(3.0);
  EXPECT_EQ(r.Get("AD0volt") + " " + r.Get("Vrefvolt"), "2.502 4.5000");
  r.Update();
  r.Run(0.1);
  EXPECT_EQ(r.Get("AD0volt"), "2.252");
}

TEST(Readings, EditsNotYetSentAreKept) {
  Rig r;
  r.Connect();
  r.BringOnline();
  const Bytes regs = {0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0,  0, 0,
                      0, 0, 0, 0, 0, 0, 0, 0, 0x7D, 0, 80, 80};
  ASSERT_TRUE(r.vyx.Focus(Field::BufDOG));
  ASSERT_TRUE(r.vyx.Type("7"));
  r.Update();
  ASSERT_TRUE(r.vyx.Set("PWMduty", "42"));  // during the update
  ASSERT_TRUE(r.vyx.Set("DONstate", std::int16_t{1}));
  r.Answer(regs);
  EXPECT_EQ(r.Get("PWMduty") + " " + r.Get("DONstate"), "42 1");
  EXPECT_EQ(r.Get("DOGduty") + " " + r.text(Field::BufDOG), "50.000 7");
  r.port.frames.clear();
  r.Update();
  EXPECT_EQ(r.port.frames, (Strings{"p0023103", "u003669004"}));
}

TEST(Readings, EachBoardShowsItsOwnAndSwitchingSendsNothing) {
  Rig r;
  r.Connect();
  r.BringOnline({12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7});
  r.Address(1);
  r.BringOnline({25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0});
  for (int a : {0, 1, 3}) {
    r.Address(a);
    EXPECT_EQ(r.Get("FWver") + " " + r.Get("DIFcount"), a == 0   ? "1.2 7"
                                                        : a == 1 ? "2.5 65536"
                                                                 : "NA ");
  }
  EXPECT_TRUE(r.port.frames.empty());
  r.Address(0);  // back on board 0, the next answer steps its clock again
  r.Update();
  r.Answer({12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x08, 0, 0, 0, 7});
  EXPECT_EQ(r.Get("CLKtime"), "1.0240");
}

// The clock field advances by the board's counter since the last decode, whole wraps of the
// counter (32.768 s) counted by the host's clock.
TEST(Readings, TheClockFieldAdvancesByTheBoardsTime) {
  const std::tuple<double, int, const char*, int, double, const char*> rows[] = {
      {36000, 0x1000, "100.0000", 0x1800, 1.0, "101.0240"},
      {36000, 0xFF00, "100.0000", 0x0100, 0.3, "100.2560"},  // the counter wrapped
      {36000, 0, "0.0000", 10000, 70.2, "70.5360"},          // two wraps more
      {36000, 0, "100.0000", 40000, 1.0, "87.2320"},         // nearest the host's time
      {86399.0, 0, "50.0000", 6000, 3.0, "53.0000"},         // midnight on the host
      {36000, 0, "86399.5000", 2000, 1.0, "0.5000"},         // a day on the field
      {36000, 0, "86399.0000", 2000, 1.0, "86400.0000"}};
  for (const auto& [day, before, text, now, host, shown] : rows) {
    Rig r;
    r.Connect();
    r.clock.SetTimeOfDay(day);
    r.BringOnline({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(before >> 8),
                   static_cast<std::uint8_t>(before)});
    EXPECT_EQ(r.Get("CLKtime"), "0.0000");
    ASSERT_TRUE(r.vyx.Set("CLKtime", text));
    ASSERT_TRUE(r.vyx.Click(Field::BufTime));
    ASSERT_TRUE(r.vyx.Type("5"));  // the operator's typing is left alone
    r.clock.SetTimeOfDay(std::fmod(day + host, 86400.0));
    r.Update();
    r.Answer({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(now >> 8),
              static_cast<std::uint8_t>(now)});
    EXPECT_EQ(r.Get("CLKtime") + " " + r.text(Field::BufTime), std::string(shown) + " 5");
  }
}

}  // namespace
}  // namespace vyx::test
