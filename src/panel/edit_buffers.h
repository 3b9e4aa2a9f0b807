// The seven edit boxes the operator types into, each over the hidden value field it edits.
#pragma once

#include <optional>

#include "panel/field.h"

namespace vyx {

struct EditBuffer {
  Field buffer;
  Field value;
};

inline constexpr EditBuffer kEditBuffers[] = {
    {Field::BufName, Field::TxtName}, {Field::BufVref, Field::TxtVref},
    {Field::BufDIF, Field::TxtDIF},   {Field::BufTime, Field::TxtTime},
    {Field::BufPWM, Field::TxtPWM},   {Field::BufDPW, Field::TxtDPW},
    {Field::BufDOG, Field::TxtDOG},
};

constexpr std::optional<Field> ValueFieldOf(Field buffer) {
  for (const EditBuffer& e : kEditBuffers) {
    if (e.buffer == buffer) return e.value;
  }
  return std::nullopt;
}

constexpr bool IsEditBuffer(Field f) { return ValueFieldOf(f).has_value(); }

}  // namespace vyx
