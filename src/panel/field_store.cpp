#include "panel/field_store.h"

#include <utility>

namespace vyx {

FieldStore::FieldStore() {
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    const FieldSpec& spec = SpecOf(f);
    Slot& slot = At(f);
    // A check box's start column is its caption; its state starts clear. Every label's
    // emphasis starts off: the bold of the frame caption and the web address is their font.
    slot.text = std::string(spec.start);
  }
}

void FieldStore::Bind(Field f, Handler h) { At(f).handler = std::move(h); }

void FieldStore::Run(Field f) {
  // Copy: a handler may rebind nothing, but must survive re-entrant writes to its field.
  if (const Handler& h = At(f).handler) {
    Handler copy = h;
    copy();
  }
}

void FieldStore::Notify(Field f) {
  if (observer_) observer_(f);
}

const std::string& FieldStore::Text(Field f) const { return At(f).text; }

// Compared before it is copied: most writes leave the text as it was.
void FieldStore::SetText(Field f, std::string_view text) {
  Slot& slot = At(f);
  if (slot.text == text) return;
  slot.text.assign(text);
  Notify(f);
  Run(f);
}

const std::string& FieldStore::Caption(Field f) const { return At(f).text; }

void FieldStore::SetCaption(Field f, std::string_view caption) {
  Slot& slot = At(f);
  if (slot.text == caption) return;
  slot.text.assign(caption);
  Notify(f);
}

std::uint32_t FieldStore::Color(Field f) const { return At(f).color; }

void FieldStore::SetColor(Field f, std::uint32_t color) {
  Slot& slot = At(f);
  if (slot.color == color) return;
  slot.color = color;
  Notify(f);
}

bool FieldStore::Emphasis(Field f) const { return At(f).emphasis; }

void FieldStore::SetEmphasis(Field f, bool on) {
  Slot& slot = At(f);
  if (slot.emphasis == on) return;
  slot.emphasis = on;
  Notify(f);
}

std::int16_t FieldStore::State(Field f) const { return At(f).state; }

void FieldStore::SetState(Field f, std::int16_t state) {
  Slot& slot = At(f);
  if (slot.state == state) return;
  slot.state = state;
  Notify(f);
  Run(f);
}

bool FieldStore::Value(Field f) const { return At(f).value; }

void FieldStore::SetValue(Field f, bool value) {
  if (!value) return;
  // The value reads true while the click runs, nested presses included.
  Slot& slot = At(f);
  const bool outer = slot.value;
  slot.value = true;
  Run(f);
  At(f).value = outer;
}

void FieldStore::AddEntry(Field f, std::string entry) {
  At(f).entries.push_back(std::move(entry));
  Notify(f);
}

const std::vector<std::string>& FieldStore::Entries(Field f) const { return At(f).entries; }

std::int16_t FieldStore::Selected(Field f) const { return At(f).selected; }

void FieldStore::SetSelected(Field f, std::int16_t position) {
  Slot& slot = At(f);
  if (position < -1 || position >= static_cast<int>(slot.entries.size())) return;
  if (slot.selected == position) return;
  slot.selected = position;
  Notify(f);
  Run(f);
}

}  // namespace vyx
