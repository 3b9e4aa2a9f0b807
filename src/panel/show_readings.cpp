// Decoding the selected board's register image onto the panel. Every write goes through the
// field store, so the change and click rules of the written fields run as for any writer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "control/vyx.h"
#include "panel/text_number.h"
#include "protocol/clock_field.h"
#include "protocol/readings.h"

namespace vyx {

std::optional<Readings> Vyx::LastReadings() const {
  const std::optional<protocol::Readings>& decoded = m_.Decoded[Board()];
  if (!m_.BoardOnline[Board()] || !decoded) return std::nullopt;
  Readings r;
  static_cast<protocol::Readings&>(r) = *decoded;
  r.clockSeconds = NumericValue(fields_.Text(Field::TxtTime));
  return r;
}

void Vyx::ShowReadings() {
  const std::size_t b = Board();
  if (!m_.BoardOnline[b]) {
    ClearFields();
    return;
  }

  const protocol::Readings r = protocol::DecodeStatus(m_.RegImage[b], m_.VrefCache[b]);
  m_.Decoded[b] = r;

  fields_.SetCaption(Field::LblFW, texts_.Of(Field::LblFW, r.firmware, protocol::FirmwareText));
  const Field analog[] = {Field::TxtAD0, Field::TxtAD1, Field::TxtAD2, Field::TxtAD3,
                          Field::TxtAD4};
  for (std::size_t i = 0; i < r.volts.size(); ++i) {
    fields_.SetText(analog[i], texts_.Of(analog[i], r.volts[i], protocol::VoltsText));
  }
  fields_.SetText(Field::TxtDIT, texts_.Of(Field::TxtDIT, r.ditSeconds, protocol::DitText));

  // The count is kept per board as well, so that switching back to this board shows it
  // rather than an empty field.
  const std::string dif = texts_.Of(Field::TxtDIF, r.difCount, [](double count) {
    return protocol::DifText(static_cast<std::uint32_t>(count));
  });
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
  const struct {
    bool& pending;
    bool editing;
    Field value, buffer;
    double percent;
  } duties[] = {{m_.PWMPending, m_.PWMEditing, Field::TxtPWM, Field::BufPWM, r.pwmPercent},
                {m_.DPWPending, m_.DPWEditing, Field::TxtDPW, Field::BufDPW, r.dpwPercent},
                {m_.DOGPending, m_.DOGEditing, Field::TxtDOG, Field::BufDOG, r.dogPercent}};
  for (const auto& duty : duties) {
    if (duty.pending) continue;
    fields_.SetText(duty.value, texts_.Of(duty.value, duty.percent, protocol::PercentText));
    if (!duty.editing) fields_.SetText(duty.buffer, fields_.Text(duty.value));
    duty.pending = false;
  }

  // Tested once: the output boxes' own click rules set DOPending as they change, and all
  // eight boxes are still to be read back.
  if (!m_.DOPending) {
    const struct {
      Field box;
      bool on;
    } bits[] = {{Field::ChkDIF, r.dif}, {Field::ChkDIT, r.dit}, {Field::ChkDIN, r.din},
                {Field::ChkDIS, r.dis}, {Field::ChkDON, r.don}, {Field::ChkDOE, r.doe},
                {Field::ChkDOK, r.dok}, {Field::ChkDOS, r.dos}};
    for (const auto& in : bits) fields_.SetState(in.box, in.on ? 1 : 0);
  }
  if (!m_.RSTPending) fields_.SetState(Field::ChkRST, r.resetFlagged ? 1 : 0);

  if (m_.EEReadDue[b]) {
    // Consumed before reading: a write that fails during the reads ends the update, and
    // that decodes again; it must not start the reads over, and over.
    m_.EEReadDue[b] = false;
    ReadIDstring();
    ReadVref();
  }
}

void Vyx::UpdateClock() {
  const std::size_t b = Board();
  const bool first = m_.EEReadDue[b];  // baselines start at the board's first decode

  const double boardNow = m_.Decoded[b] ? m_.Decoded[b]->boardClockSeconds : 0.0;
  if (first) m_.PrevBoardClock[b] = boardNow;
  const double dBoard = protocol::BoardElapsed(m_.PrevBoardClock[b], boardNow);
  m_.PrevBoardClock[b] = boardNow;

  const float hostNow = clock_.SecondsSinceMidnight();
  if (first) m_.PrevHostTime[b] = hostNow;
  const double dHost = protocol::HostElapsed(m_.PrevHostTime[b], hostNow);
  m_.PrevHostTime[b] = hostNow;

  const double est = protocol::EstimateElapsed(dBoard, dHost);
  fields_.SetText(Field::TxtTime, protocol::ClockText(fields_.Text(Field::TxtTime), est));
  if (!m_.TimeEditing) fields_.SetText(Field::BufTime, fields_.Text(Field::TxtTime));
  m_.TimeCache[b] = fields_.Text(Field::TxtTime);
}

}  // namespace vyx
