// The single store of the component's state: every named panel field and the rule that a
// write runs the field's change or click handler at once, nested inside the write.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "panel/field.h"

namespace vyx {

class FieldStore {
 public:
  using Handler = std::function<void()>;
  // Told of every write that changes a field, as it is made and before the handlers it runs,
  // so that a view can mirror the store and a log sees the writes in order.
  using Observer = std::function<void(Field)>;

  // Builds every field from its start value; runs no handler.
  FieldStore();

  // Binds the change (text), click (check box, button, list) handler of a field.
  void Bind(Field f, Handler h);
  void SetObserver(Observer o) { observer_ = std::move(o); }

  // Text fields. The change handler runs only when the text changes.
  const std::string& Text(Field f) const;
  void SetText(Field f, std::string_view text);

  // Labels (and the frame and buttons, whose captions nothing writes at run time).
  const std::string& Caption(Field f) const;
  void SetCaption(Field f, std::string_view caption);
  std::uint32_t Color(Field f) const;
  void SetColor(Field f, std::uint32_t color);
  bool Emphasis(Field f) const;
  void SetEmphasis(Field f, bool on);

  // Check boxes. The click handler runs only when the state changes.
  std::int16_t State(Field f) const;
  void SetState(Field f, std::int16_t state);

  // Command buttons: momentary. A set to true runs the click every time and the value
  // reads true only while that click runs; a set to false does nothing.
  bool Value(Field f) const;
  void SetValue(Field f, bool value);

  // Drop-down lists. The click handler runs when the selected position changes.
  void AddEntry(Field f, std::string entry);
  const std::vector<std::string>& Entries(Field f) const;
  std::int16_t Selected(Field f) const;  // -1 while nothing is selected
  void SetSelected(Field f, std::int16_t position);

 private:
  struct Slot {
    std::string text;
    std::uint32_t color = kColorWindowText;
    bool emphasis = false;
    std::int16_t state = 0;
    bool value = false;
    std::int16_t selected = -1;
    std::vector<std::string> entries;
    Handler handler;
  };

  Slot& At(Field f) { return slots_[static_cast<std::size_t>(f)]; }
  const Slot& At(Field f) const { return slots_[static_cast<std::size_t>(f)]; }
  void Run(Field f);
  void Notify(Field f);

  std::array<Slot, kFieldCount> slots_;
  Observer observer_;
};

}  // namespace vyx
