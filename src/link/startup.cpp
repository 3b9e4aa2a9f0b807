// Start-up and the choice of port and board address.
#include <string>

#include "control/vyx.h"
#include "panel/text_number.h"

namespace vyx {
namespace {

constexpr const char* kCommEntries[] = {"NoCom", "Comm1", "Comm2", "Comm3", "Comm4",
                                        "Comm5", "Comm6", "Comm7", "Comm8"};
constexpr const char* kMicroEntries[] = {"Addr0", "Addr1", "Addr2", "Addr3"};

}  // namespace

void Vyx::UserControl_Initialize() {
  m_.ReplyTick = 110;
  m_.MaxCommPort = 8;
  for (const char* e : kCommEntries) fields_.AddEntry(Field::CmbComm, e);
  fields_.SetSelected(Field::CmbComm, 0);
  fields_.SetCaption(Field::LblComm, "Offline");
  for (const char* e : kMicroEntries) fields_.AddEntry(Field::CmbMicro, e);
  fields_.SetSelected(Field::CmbMicro, 0);
  m_.MicroIndex = fields_.Selected(Field::CmbMicro);
  fields_.SetCaption(Field::LblStatus, "Ready");

  m_.BlockStart = 0x21;
  m_.BlockCount = 25;
  m_.RegFW = 0x21;
  m_.RegRST = 0x22;
  m_.RegPort = 0x23;
  m_.RegAD0 = 0x24;
  m_.RegAD1 = 0x26;
  m_.RegAD2 = 0x28;
  m_.RegAD3 = 0x2A;
  m_.RegAD4 = 0x2C;
  m_.RegClock = 0x2E;
  m_.RegDIF = 0x30;
  m_.RegDIT = 0x33;
  m_.RegPWM = 0x36;
  m_.RegDPW = 0x38;
  m_.RegDOG = 0x39;
  m_.EEbase = 0xA2;
  m_.EEidAddr = 2;
  m_.EEvrefAddr = 10;
  m_.BitDIF = 0;
  m_.BitDIT = 1;
  m_.BitDIN = 2;
  m_.BitDIS = 3;
  m_.BitDON = 4;
  m_.BitDOE = 5;
  m_.BitDOK = 6;
  m_.BitDOS = 7;
  m_.BitRSTa = 2;
  m_.BitRSTb = 1;
}

void Vyx::CmbComm_Click() {
  // The list's own write must not run the text rule back into the list: that rule maps
  // texts above 4 to "NoCom" and would undo every pick of Comm5 to Comm8.
  listWritesComm_ = true;
  fields_.SetText(Field::TxtComm, std::to_string(fields_.Selected(Field::CmbComm)));
  listWritesComm_ = false;
  SelectCommPort();
}

void Vyx::TxtComm_Change() {
  if (listWritesComm_) return;
  // Ports above 4 cannot be named by text: they select "NoCom".
  double v = NumericValue(fields_.Text(Field::TxtComm));
  if (!(v >= 0.0 && v <= 4.0)) v = 0.0;
  fields_.SetSelected(Field::CmbComm, static_cast<std::int16_t>(RoundHalfEven(v)));
}

void Vyx::CmbMicro_Click() {
  fields_.SetText(Field::TxtMicro, std::to_string(fields_.Selected(Field::CmbMicro)));
  SelectMicro();
}

void Vyx::TxtMicro_Change() {
  double v = NumericValue(fields_.Text(Field::TxtMicro));
  if (v < 0.0 || v != v) v = 0.0;  // NaN cannot arise from the rule, but never index by it
  if (v > 3.0) v = 3.0;
  fields_.SetSelected(Field::CmbMicro, static_cast<std::int16_t>(RoundHalfEven(v)));
}

void Vyx::SelectCommPort() {
  if (fields_.Caption(Field::LblStatus) == "Busy") EndUpdate();

  auto connect = [this]() -> bool {
    int idx = fields_.Selected(Field::CmbComm);
    if (idx <= 0) return false;
    if (idx > m_.MaxCommPort) idx = m_.MaxCommPort;
    if (MSComm1.CommPort() != idx && MSComm1.SetCommPort(idx) != IoResult::Ok) return false;
    if (!MSComm1.IsOpen()) {
      if (MSComm1.SetOpen(true) != IoResult::Ok) return false;
      if (MSComm1.SetSettings("38400,n,8,1") != IoResult::Ok) return false;
      if (MSComm1.SetBinaryInput() != IoResult::Ok) return false;
      // A pseudo-terminal or a socket has no modem controls; that is not a failed opening.
      const IoResult rts = MSComm1.SetRts(true);
      if (rts != IoResult::Ok && rts != IoResult::Unsupported) return false;
      const IoResult dtr = MSComm1.SetDtr(false);
      if (dtr != IoResult::Ok && dtr != IoResult::Unsupported) return false;
    }
    return true;
  };

  if (connect()) {
    fields_.SetCaption(Field::LblComm, "Connect");
    fields_.SetColor(Field::LblComm, kColorButtonText);
    fields_.SetEmphasis(Field::LblComm, false);
    return;
  }
  GoOffline();
}

void Vyx::GoOffline() {
  if (MSComm1.IsOpen()) (void)MSComm1.SetOpen(false);
  fields_.SetSelected(Field::CmbComm, 0);
  fields_.SetCaption(Field::LblComm, "Offline");
  fields_.SetColor(Field::LblComm, kColorRed);
  fields_.SetEmphasis(Field::LblComm, true);
}

void Vyx::SelectMicro() {
  if (fields_.Caption(Field::LblStatus) == "Busy") EndUpdate();
  m_.MicroIndex = fields_.Selected(Field::CmbMicro);
  if (m_.BoardOnline[Board()]) {
    m_.RestorePanel[Board()] = true;
    m_.PWMPending = false;
    m_.DPWPending = false;
    m_.DOGPending = false;
    ShowReadings();
  } else {
    ClearFields();
  }
}

}  // namespace vyx
