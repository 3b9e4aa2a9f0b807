#include "protocol/status_block.h"

#include "protocol/clock_field.h"
#include "protocol/readings.h"

namespace vyx::protocol {

Readings DecodeStatus(const RegisterImage& image, std::string_view vrefText) {
  auto reg = [&](int address) -> double { return image[static_cast<std::size_t>(address)]; };
  auto pair = [&](int high) { return reg(high) * 256.0 + reg(high + 1); };
  const RegisterMap& m = kMap;

  Readings r;
  r.firmware = reg(m.RegFW) / 10.0;
  const int analog[] = {m.RegAD0, m.RegAD1, m.RegAD2, m.RegAD3, m.RegAD4};
  const double vref = VrefVolts(vrefText);  // read once: the text is the same for all five
  for (std::size_t i = 0; i < r.volts.size(); ++i) {
    r.volts[i] = AdcToVolts(pair(analog[i]), vref);
  }
  r.ditSeconds = DitSeconds(reg(m.RegDIT), reg(m.RegDIT + 1), reg(m.RegDIT + 2));
  r.difCount = Count24(reg(m.RegDIF), reg(m.RegDIF + 1), reg(m.RegDIF + 2));
  r.pwmPercent = PwmPercent(reg(m.RegPWM), reg(m.RegPWM + 1));
  r.dpwPercent = DutyPercent(reg(m.RegDPW));
  r.dogPercent = DutyPercent(reg(m.RegDOG));

  // Registers are bytes: their bits are read as such.
  auto bit = [&](int address, int n) {
    return ((image[static_cast<std::size_t>(address)] >> n) & 1u) != 0;
  };
  r.dif = bit(m.RegPort, m.BitDIF);
  r.dit = bit(m.RegPort, m.BitDIT);
  r.din = bit(m.RegPort, m.BitDIN);
  r.dis = bit(m.RegPort, m.BitDIS);
  r.don = bit(m.RegPort, m.BitDON);
  r.doe = bit(m.RegPort, m.BitDOE);
  r.dok = bit(m.RegPort, m.BitDOK);
  r.dos = bit(m.RegPort, m.BitDOS);
  r.resetFlagged = bit(m.RegRST, m.BitRSTa) || bit(m.RegRST, m.BitRSTb);
  r.boardClockSeconds = BoardClockSeconds(reg(m.RegClock), reg(m.RegClock + 1));
  return r;
}

}  // namespace vyx::protocol
