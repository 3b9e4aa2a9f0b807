// Where the board keeps what the component reads and writes: the status block, the registers
// inside it, the EEPROM window and the bits of the port and reset registers. Fixed by the
// board's firmware.
#pragma once

#include <cstdint>

namespace vyx::protocol {

struct RegisterMap {
  // The status block: 25 registers from 0x21, answered with one checksum byte.
  int BlockStart;
  int BlockCount;
  // Registers; the analog inputs, clock, counts and PWM span consecutive registers, most
  // significant first.
  int RegFW, RegRST, RegPort, RegAD0, RegAD1, RegAD2, RegAD3, RegAD4, RegClock;
  int RegDIF, RegDIT, RegPWM, RegDPW, RegDOG;
  // The EEPROM window (control, address, data from EEbase) and the records in the EEPROM.
  int EEbase, EEidAddr, EEvrefAddr;
  // Bits of the port register: inputs DIF, DIT, DIN, DIS and outputs DON, DOE, DOK, DOS.
  int BitDIF, BitDIT, BitDIN, BitDIS, BitDON, BitDOE, BitDOK, BitDOS;
  // The two flags of the reset register that the board sets and the host clears.
  int BitRSTa, BitRSTb;
};

inline constexpr RegisterMap kMap{
    .BlockStart = 0x21,
    .BlockCount = 25,
    .RegFW = 0x21,
    .RegRST = 0x22,
    .RegPort = 0x23,
    .RegAD0 = 0x24,
    .RegAD1 = 0x26,
    .RegAD2 = 0x28,
    .RegAD3 = 0x2A,
    .RegAD4 = 0x2C,
    .RegClock = 0x2E,
    .RegDIF = 0x30,
    .RegDIT = 0x33,
    .RegPWM = 0x36,
    .RegDPW = 0x38,
    .RegDOG = 0x39,
    .EEbase = 0xA2,
    .EEidAddr = 2,
    .EEvrefAddr = 10,
    .BitDIF = 0,
    .BitDIT = 1,
    .BitDIN = 2,
    .BitDIS = 3,
    .BitDON = 4,
    .BitDOE = 5,
    .BitDOK = 6,
    .BitDOS = 7,
    .BitRSTa = 2,
    .BitRSTb = 1,
};

// Registers the component keeps an image of, per board: every address the block can hold.
inline constexpr int kImageRegisters = 64;

}  // namespace vyx::protocol
