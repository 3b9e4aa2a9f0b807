// The rules that keep each edit box and its value field in step without overwriting an
// edit in progress, the check-box marks, and the Update, Clear and Zero commands. Nothing
// here talks to the board: edits only mark values pending for the next update.
#include <optional>
#include <string>

#include "control/vyx.h"
#include "panel/edit_buffers.h"

namespace vyx {
namespace {

constexpr int kEnter = 13;

// Name and Vref copy an empty buffer too, so that emptying one asks for the stored record
// back; an empty number box leaves its value alone.
bool LeaveCopiesEmpty(Field buffer) { return buffer == Field::BufName || buffer == Field::BufVref; }

// A change of a value field marks it pending (a number only when not empty) and shows it in
// its buffer unless the operator is typing there.
void ValueChanged(FieldStore& f, Field value, Field buffer, bool& pending, bool editing,
                  bool emptyMarks) {
  if (emptyMarks || !f.Text(value).empty()) pending = true;
  if (!editing) f.SetText(buffer, f.Text(value));
}

}  // namespace

// The editing flag of a buffer; the DIF count has none.
bool* Vyx::EditingFlag(Field buffer) {
  switch (buffer) {
    case Field::BufName:
      return &m_.NameEditing;
    case Field::BufVref:
      return &m_.VrefEditing;
    case Field::BufTime:
      return &m_.TimeEditing;
    case Field::BufPWM:
      return &m_.PWMEditing;
    case Field::BufDPW:
      return &m_.DPWEditing;
    case Field::BufDOG:
      return &m_.DOGEditing;
    default:
      return nullptr;
  }
}

void Vyx::BufGotFocus(Field buffer) {
  if (bool* editing = EditingFlag(buffer)) *editing = true;
}

void Vyx::BufLostFocus(Field buffer) {
  const std::optional<Field> value = ValueFieldOf(buffer);
  if (!value) return;
  const std::string text = fields_.Text(buffer);
  if (!text.empty() || LeaveCopiesEmpty(buffer)) fields_.SetText(*value, text);
  if (bool* editing = EditingFlag(buffer)) *editing = false;
}

void Vyx::BufKeyDown(Field buffer, int keyCode) {
  if (keyCode != kEnter || !IsEditBuffer(buffer)) return;
  // Enter only moves the focus to Update, which runs the leave rule; it starts nothing.
  if (focus_ == buffer) {
    (void)Focus(Field::CmdUpdate);
  } else {
    BufLostFocus(buffer);  // a panel without a focus model still gets the leave rule
  }
}

void Vyx::TxtName_Change() {
  ValueChanged(fields_, Field::TxtName, Field::BufName, m_.NamePending, m_.NameEditing, true);
}

void Vyx::TxtVref_Change() {
  ValueChanged(fields_, Field::TxtVref, Field::BufVref, m_.VrefPending, m_.VrefEditing, true);
}

void Vyx::TxtPWM_Change() {
  ValueChanged(fields_, Field::TxtPWM, Field::BufPWM, m_.PWMPending, m_.PWMEditing, false);
}

void Vyx::TxtDPW_Change() {
  ValueChanged(fields_, Field::TxtDPW, Field::BufDPW, m_.DPWPending, m_.DPWEditing, false);
}

void Vyx::TxtDOG_Change() {
  ValueChanged(fields_, Field::TxtDOG, Field::BufDOG, m_.DOGPending, m_.DOGEditing, false);
}

void Vyx::ChkOutput_Click() { m_.DOPending = true; }

void Vyx::ChkRST_Click() { m_.RSTPending = true; }

void Vyx::CmdUpdate_Click() {
  // A caption restored to "Ready" during an update does not end that update, and a second
  // one started on top of it would take its reply.
  // Every press is answered with an end, so a host never waits for one that will not come.
  if (fields_.Caption(Field::LblStatus) != "Ready" || m_.AwaitReply) {
    ReportEnd({m_.MicroIndex, UpdateFailure::NotReady, {}});
    return;
  }
  m_.UpdateRunning = true;
  m_.UpdateAddress = m_.MicroIndex;
  m_.TryFailure = UpdateFailure::NoReply;
  m_.EndDetail.clear();
  StartUpdate();
}

void Vyx::CmdClear_Click() {
  // Offline first, so that EndUpdate's decode clears the fields instead of showing them.
  m_.BoardOnline[Board()] = false;
  FailUpdate(UpdateFailure::Cancelled);
  ClearFields();
}

void Vyx::CmdZero_Click() {
  // Each write marks its value pending only where it actually changes something.
  for (Field duty : {Field::TxtPWM, Field::TxtDPW, Field::TxtDOG}) fields_.SetText(duty, "0");
  for (Field box : {Field::ChkDON, Field::ChkDOE, Field::ChkDOK, Field::ChkDOS}) {
    fields_.SetState(box, 0);
  }
}

void Vyx::ClearFields() {
  fields_.SetCaption(Field::LblFW, "NA");
  for (Field f : {Field::TxtName, Field::BufName, Field::TxtVref, Field::BufVref, Field::TxtAD0,
                  Field::TxtAD1,  Field::TxtAD2,  Field::TxtAD3,  Field::TxtAD4,  Field::TxtDIT,
                  Field::TxtDIF,  Field::BufDIF,  Field::TxtTime, Field::BufTime, Field::TxtPWM,
                  Field::BufPWM,  Field::TxtDPW,  Field::BufDPW,  Field::TxtDOG,  Field::BufDOG}) {
    fields_.SetText(f, "");
  }
  for (Field box : {Field::ChkDIF, Field::ChkDIT, Field::ChkDIN, Field::ChkDIS, Field::ChkDON,
                    Field::ChkDOE, Field::ChkDOK, Field::ChkDOS, Field::ChkRST}) {
    fields_.SetState(box, 0);
  }
  // Blank outputs are nothing to send; the unchecking above marked them only in passing.
  m_.DOPending = false;
}

}  // namespace vyx
