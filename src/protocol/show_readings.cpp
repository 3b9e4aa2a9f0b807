// Decoding the selected board's register image onto the panel. Every write goes through the
// field store, so the change and click rules of the written fields run as for any writer.
#include "control/vyx.h"
#include "protocol/readings.h"

namespace vyx {

double Vyx::AdcToVolts(double raw) const {
  return protocol::AdcToVolts(raw, m_.VrefCache[Board()]);
}

void Vyx::ShowReadings() {
  const std::size_t b = Board();
  if (!m_.BoardOnline[b]) {
    ClearFields();
    return;
  }

  fields_.SetCaption(Field::LblFW, protocol::FirmwareText(Reg(m_.RegFW)));

  const struct {
    Field field;
    int high;
  } analog[] = {{Field::TxtAD0, m_.RegAD0},
                {Field::TxtAD1, m_.RegAD1},
                {Field::TxtAD2, m_.RegAD2},
                {Field::TxtAD3, m_.RegAD3},
                {Field::TxtAD4, m_.RegAD4}};
  for (const auto& in : analog) {
    const double raw = static_cast<double>(Reg(in.high)) * 256.0 + Reg(in.high + 1);
    fields_.SetText(in.field, protocol::VoltsText(AdcToVolts(raw)));
  }

  fields_.SetText(Field::TxtDIT,
                  protocol::DitText(Reg(m_.RegDIT), Reg(m_.RegDIT + 1), Reg(m_.RegDIT + 2)));

  // The count is kept per board as well, so that switching back to this board shows it
  // rather than an empty field.
  const std::string dif = protocol::DifText(Reg(m_.RegDIF), Reg(m_.RegDIF + 1), Reg(m_.RegDIF + 2));
  fields_.SetText(Field::TxtDIF, dif);
  fields_.SetText(Field::BufDIF, fields_.Text(Field::TxtDIF));
  m_.DifCache[b] = dif;

  if (m_.RestorePanel[b]) {
    // A switch back to this board: its own texts, and no clock step (its baselines stay).
    fields_.SetText(Field::BufName, m_.NameCache[b]);
    fields_.SetText(Field::TxtName, m_.NameCache[b]);
    fields_.SetText(Field::BufVref, m_.VrefCache[b]);
    fields_.SetText(Field::TxtVref, m_.VrefCache[b]);
    fields_.SetText(Field::BufDIF, m_.DifCache[b]);
    fields_.SetText(Field::TxtDIF, m_.DifCache[b]);
    fields_.SetText(Field::BufTime, m_.TimeCache[b]);
    fields_.SetText(Field::TxtTime, m_.TimeCache[b]);
    m_.RestorePanel[b] = false;
  } else {
    UpdateClock();
  }

  // A duty the operator has entered but not yet sent is left alone. Writing the value field
  // marks it pending through its change rule; a read-back is not to be sent back, so the
  // mark is dropped again.
  if (!m_.PWMPending) {
    fields_.SetText(Field::TxtPWM, protocol::PwmText(Reg(m_.RegPWM), Reg(m_.RegPWM + 1)));
    if (!m_.PWMEditing) fields_.SetText(Field::BufPWM, fields_.Text(Field::TxtPWM));
    m_.PWMPending = false;
  }
  if (!m_.DPWPending) {
    fields_.SetText(Field::TxtDPW, protocol::DutyText(Reg(m_.RegDPW)));
    if (!m_.DPWEditing) fields_.SetText(Field::BufDPW, fields_.Text(Field::TxtDPW));
    m_.DPWPending = false;
  }
  if (!m_.DOGPending) {
    fields_.SetText(Field::TxtDOG, protocol::DutyText(Reg(m_.RegDOG)));
    if (!m_.DOGEditing) fields_.SetText(Field::BufDOG, fields_.Text(Field::TxtDOG));
    m_.DOGPending = false;
  }

  // Tested once: the output boxes' own click rules set DOPending as they change, and all
  // eight boxes are still to be read back.
  if (!m_.DOPending) {
    const float port = Reg(m_.RegPort);
    const struct {
      Field box;
      int bit;
    } bits[] = {{Field::ChkDIF, m_.BitDIF}, {Field::ChkDIT, m_.BitDIT}, {Field::ChkDIN, m_.BitDIN},
                {Field::ChkDIS, m_.BitDIS}, {Field::ChkDON, m_.BitDON}, {Field::ChkDOE, m_.BitDOE},
                {Field::ChkDOK, m_.BitDOK}, {Field::ChkDOS, m_.BitDOS}};
    for (const auto& in : bits) {
      fields_.SetState(in.box, protocol::BitOf(port, in.bit) == 1 ? 1 : 0);
    }
  }
  if (!m_.RSTPending) {
    const float rst = Reg(m_.RegRST);
    const bool flagged =
        protocol::BitOf(rst, m_.BitRSTa) == 1 || protocol::BitOf(rst, m_.BitRSTb) == 1;
    fields_.SetState(Field::ChkRST, flagged ? 1 : 0);
  }

  if (m_.EEReadDue[b]) {
    // Consumed before reading: a write that fails during the reads ends the update, and
    // that decodes again; it must not start the reads over, and over.
    m_.EEReadDue[b] = false;
    ReadIDstring();
    ReadVref();
  }
}

}  // namespace vyx
