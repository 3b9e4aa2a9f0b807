// Start-up and the choice of port and board address.
#include <string>

#include "control/vyx.h"
#include "panel/text_number.h"

namespace vyx {
namespace {

constexpr const char* kCommEntries[] = {"NoCom", "Comm1", "Comm2", "Comm3", "Comm4",
                                        "Comm5", "Comm6", "Comm7", "Comm8"};
constexpr const char* kMicroEntries[] = {"Addr0", "Addr1", "Addr2", "Addr3"};
constexpr int kMaxCommPort = 8;

}  // namespace

void Vyx::UserControl_Initialize() {
  for (const char* e : kCommEntries) fields_.AddEntry(Field::CmbComm, e);
  fields_.SetSelected(Field::CmbComm, 0);
  fields_.SetCaption(Field::LblComm, "Offline");
  for (const char* e : kMicroEntries) fields_.AddEntry(Field::CmbMicro, e);
  fields_.SetSelected(Field::CmbMicro, 0);
  m_.MicroIndex = fields_.Selected(Field::CmbMicro);
  fields_.SetCaption(Field::LblStatus, "Ready");
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
  if (fields_.Caption(Field::LblStatus) == "Busy") FailUpdate(UpdateFailure::Cancelled);

  auto connect = [this]() -> bool {
    int idx = fields_.Selected(Field::CmbComm);
    if (idx <= 0) return false;
    if (idx > kMaxCommPort) idx = kMaxCommPort;
    if (port_.CommPort() != idx && port_.SetCommPort(idx) != IoResult::Ok) return false;
    if (!port_.IsOpen()) {
      if (port_.SetOpen(true) != IoResult::Ok) return false;
      if (port_.SetSettings("38400,n,8,1") != IoResult::Ok) return false;
      if (port_.SetBinaryInput() != IoResult::Ok) return false;
      // A pseudo-terminal or a socket has no modem controls; that is not a failed opening.
      const IoResult rts = port_.SetRts(true);
      if (rts != IoResult::Ok && rts != IoResult::Unsupported) return false;
      const IoResult dtr = port_.SetDtr(false);
      if (dtr != IoResult::Ok && dtr != IoResult::Unsupported) return false;
    }
    return true;
  };

  if (connect()) {
    m_.OfflineCause.clear();
    fields_.SetCaption(Field::LblComm, "Connect");
    fields_.SetColor(Field::LblComm, kColorButtonText);
    fields_.SetEmphasis(Field::LblComm, false);
    return;
  }
  const bool chosen = fields_.Selected(Field::CmbComm) > 0;
  GoOffline(chosen ? port_.LastError() : "no port chosen");
}

void Vyx::GoOffline(std::string cause) {
  if (port_.IsOpen()) (void)port_.SetOpen(false);
  fields_.SetSelected(Field::CmbComm, 0);
  fields_.SetCaption(Field::LblComm, "Offline");
  fields_.SetColor(Field::LblComm, kColorRed);
  fields_.SetEmphasis(Field::LblComm, true);
  // Kept for the ends of updates tried without a port; set last, as the list's reset above
  // runs the selection again.
  m_.OfflineCause = std::move(cause);
}

void Vyx::SelectMicro() {
  if (fields_.Caption(Field::LblStatus) == "Busy") FailUpdate(UpdateFailure::Cancelled);
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
