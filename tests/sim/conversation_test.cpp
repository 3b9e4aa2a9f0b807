// The simulated board as the host and the operator meet it: frames on its line and the
// bytes they bring back, commands on its control line and their answers, in one
// conversation on a clock the test sets; and its command line.
#include <gtest/gtest.h>

#include "options.h"
#include "vyx/sim/control_protocol.h"
#include "wire.h"

namespace vyx::sim {
namespace {

using namespace std::chrono_literals;

const Nanos kPowerUp = 100s;  // the board's counts run from power-up, not from zero

// "@MS" sets the clock to MS milliseconds after power-up; ">FRAMES" go down the line and the
// answer is the reply bytes in hex ("#26": a status block), each followed by the board's
// firmware byte twice, a read that shows the line has taken the frames; anything else is a
// control command and its answer line.
const std::pair<const char*, std::string> kConversation[] = {
    {">Q02201", "06060C0C"},  // reset flags from power-up; firmware 1.2
    {">p0023903r0022026Q02301", "90900C0C"},
    {">Q02201", "02020C0C"},               // "r" cleared bit 2
    {">p0723903", "0C0C"},                 // the spare digit is carried, not summed
    {">p0023A04\xFF~zz\r\n12AB", "0C0C"},  // a wrong check digit, garbage
    {">q0010001s0010003t001000004P01000R01000S01000T0100000U0100000", "0C0C"},  // never answered
    {"input 0 din 1", "ok"},
    {"input 0 dis 1", "ok"},
    {">p00239ADQ02301", "9C9C0C0C"},  // the input pins are not writable
    {">u00365340E", "#26"},
    {">p0038508p0039A09Q03602Q03802", "53409350A0F00C0C"},
    {">p00FEFFDQ0FE03", "FF0000FF0C0C"},  // a block read runs on past 0xFF
    {"outputs 0", "ok don=1 doe=0 dok=0 dos=1 pwm=21312 dpw=80 dog=160"},
    {">Q12301Q32301", "0C0C"},  // no boards there
    {">p2023905Q22301", "90900C0C"},
    {"reg 0 0x26", "ok 127"},           // 2.5 V: 32736 = 0x7FE0
    {">Q02406", "00007FE0FFFF5D0C0C"},  // clamped to the converter's range
    {"analog 2 1 1.25", "ok"},
    {"reg 2 0x26", "ok 63"},  // 16352 = 0x3FE0, on board 2 only
    // EEPROM: erased, written, read back; 0x41 is no command.
    {">p00A3025p00A456Ap00A2857", "0C0C"},
    {">p00A3025p00A2402Q0A401", "56560C0C"},
    {">p00A4004p00A2413Q0A401", "00000C0C"},
    {"ee 0 5", "ok 255"},
    {"ee 2 5 0x42", "ok"},
    {">p20A305Ap20A2404Q2A401", "42420C0C"},
    // The clock counts half milliseconds from 0xFF00 and wraps; DIF pulses at 1000 a second;
    // DIT holds 0.8 s in 0.8 us counts, and saturates.
    {"@127.5", ""},
    {">Q02E02Q03303", "FFFFFE0F4240910C0C"},
    {"@128", ""},
    {">Q02E02", "0000000C0C"},
    {"@1128", ""},
    {">Q02E02", "07D0D70C0C"},
    {"@2500", ""},
    {">Q03003", "0009C4CD0C0C"},
    {"@3000", ""},
    {"dif-rate 0 10", "ok"},
    {"dit-period 0 20", "ok"},
    {"@13000", ""},
    {">Q03003Q03303", "000C1C28FFFFFFFD0C0C"},  // 3000, then 100 more
    {"power 0", "ok"},
    {"outputs 0", "ok don=0 doe=0 dok=0 dos=0 pwm=0 dpw=0 dog=0"},
    {"@14000", ""},
    {">Q02201Q02E02", "060606D0D60C0C"},  // restarted from 0xFF00
    {"clear-log", "ok"},
    {">zz", "0C0C"},
    {"log", "ok skip@14.000000:7A7A | in@14.000000:Q02101 | out@14.000000:0C0C"},
    {"fault stray 0.25", "ok"},
    {"analog 0 1 square", "error: bad waveform square"},
    {"dif-rate 0 1e308", "error: dif-rate takes 0 to 10000000, not 1e308"},
    {"ee 0", "error: wrong number of arguments"},
};

TEST(Conversation, EveryFrameAndCommandGetsItsAnswer) {
  auto clock = std::make_shared<ManualTimeSource>();
  clock->Set(kPowerUp);
  Options o;
  o.boards = {0, 2};
  o.time = clock;
  o.board.firmware = 1.2;
  o.board.clock_start = 0xFF00;
  o.board.dif_rate = 1000;
  o.board.dit_period = 0.8;
  o.board.analog[0] = Waveform::Constant(-1);
  o.board.analog[1] = Waveform::Constant(2.5);
  o.board.analog[2] = Waveform::Constant(6);
  Simulator sim(o);
  const test::Wire wire(sim.Start());
  bool quit = false;
  for (const auto& [in, answer] : kConversation) {
    SCOPED_TRACE(in);
    if (in[0] == '@') {
      clock->Set(kPowerUp + Nanos(std::llround(std::stod(in + 1) * 1e6)));
    } else if (in[0] != '>') {
      EXPECT_EQ(RunControlCommand(sim, in, &quit), answer);
    } else {
      wire.Send(std::string(in + 1) + "Q02101");
      const std::string reply = wire.Receive(answer == "#26" ? 28 : answer.size() / 2);
      if (answer != "#26") {
        EXPECT_EQ(test::Hex(reply), answer);
      } else {
        EXPECT_TRUE(test::ChecksumHolds(reply.substr(0, 26)) && reply.ends_with("\x0C\x0C"));
      }
    }
  }
  EXPECT_EQ(sim.Faults().stray, 0.25);
  EXPECT_FALSE(quit);
  EXPECT_EQ(RunControlCommand(sim, "quit", &quit), "ok");
  EXPECT_TRUE(quit);
}

// The simulator's command line: options reach their settings, and a value out of range is
// refused as the control line refuses it.

TEST(CommandLine, OptionsReachTheirSettingsAndValuesOutOfRangeAreRefused) {
  const board_sim::CommandLine cl =
      board_sim::ParseCommandLine({"--reply-chunk", "0", "--line-rate", "--stray-pass", "0.5",
                                   "--delay", "215", "--dif-rate", "0"});
  EXPECT_EQ(cl.error, "");
  EXPECT_EQ(cl.options.reply_chunk, 0);
  EXPECT_TRUE(cl.options.line_rate);
  EXPECT_EQ(cl.options.faults.stray_pass, 0.5);
  EXPECT_EQ(cl.options.faults.delay_ms, 215);
  EXPECT_EQ(cl.options.board.dif_rate, 0);
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--reply-chunk", "-1"},
                                              {"--delay", "2.5"},
                                              {"--stray", "1.5"},
                                              {"--dif-rate", "1e308"},
                                              {"--stray"},
                                              {"--gremlins", "1"}}) {
    EXPECT_NE(board_sim::ParseCommandLine(bad).error, "")
        << ::testing::PrintToString(bad) << " was taken";
  }
}

}  // namespace
}  // namespace vyx::sim
