// What the operator does on the panel: move the input focus, type into an edit box, press a
// key there, click. Actions that make no sense on a field are refused and change nothing.
#include <cstdint>
#include <string>

#include "control/vyx.h"
#include "panel/edit_buffers.h"

namespace vyx {
namespace {

// Edit boxes, buttons, lists and check boxes take the focus (and a click); labels, the
// frame, the directly shown readings and the hidden value fields do not.
bool TakesFocus(Field f) {
  switch (SpecOf(f).kind) {
    case FieldKind::Command:
    case FieldKind::List:
    case FieldKind::Check:
      return true;
    case FieldKind::Text:
      return IsEditBuffer(f);
    default:
      return false;
  }
}

std::string Named(Field f) { return std::string(NameOf(f)); }

}  // namespace

Status Vyx::Focus(std::optional<Field> field) {
  if (field && !TakesFocus(*field)) {
    return Status::Fail(Named(*field) + " cannot take the input focus");
  }
  if (focus_ == field) return Status::Ok();
  // The box that loses the focus hands its text over before anything else happens.
  const std::optional<Field> old = focus_;
  if (old && IsEditBuffer(*old)) BufLostFocus(*old);
  focus_ = field;
  if (field && IsEditBuffer(*field)) BufGotFocus(*field);
  return Status::Ok();
}

Status Vyx::Type(std::string text) {
  if (!focus_) return Status::Fail("no field has the input focus");
  if (!IsEditBuffer(*focus_)) return Status::Fail(Named(*focus_) + " is not an edit box");
  fields_.SetText(*focus_, std::move(text));
  return Status::Ok();
}

Status Vyx::KeyDown(int keyCode) {
  if (!focus_) return Status::Fail("no field has the input focus");
  // Only the edit boxes have a key rule; elsewhere a key does nothing.
  if (IsEditBuffer(*focus_)) BufKeyDown(*focus_, keyCode);
  return Status::Ok();
}

Status Vyx::Click(Field field, int index) {
  if (!TakesFocus(field)) return Status::Fail(Named(field) + " cannot be clicked");
  const FieldKind kind = SpecOf(field).kind;
  // Everything is checked before the focus moves, so a refused click changes nothing.
  if (kind == FieldKind::List) {
    const int entries = static_cast<int>(fields_.Entries(field).size());
    if (index < 0 || index >= entries) {
      return Status::Fail(Named(field) + " has no entry " + std::to_string(index) + " (" +
                          std::to_string(entries) + " entries)");
    }
  } else if (index != -1) {
    return Status::Fail(Named(field) + " has no entries to pick");
  }

  (void)Focus(field);
  switch (kind) {
    case FieldKind::Command:
      fields_.SetValue(field, true);
      break;
    case FieldKind::Check:
      fields_.SetState(field, fields_.State(field) == 0 ? std::int16_t{1} : std::int16_t{0});
      break;
    case FieldKind::List:
      fields_.SetSelected(field, static_cast<std::int16_t>(index));
      break;
    default:
      break;  // an edit box: the click only gives it the focus
  }
  return Status::Ok();
}

}  // namespace vyx
