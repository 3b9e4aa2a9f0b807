// The component's 30 public properties, in the order the host sees them. Each is a view of
// one attribute of one panel field; it holds no state of its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "control/host.h"
#include "control/status.h"
#include "panel/field.h"
#include "panel/field_store.h"

namespace vyx {

enum class PropType : std::uint8_t { String, Boolean, Integer };

// The part of a field that a property or a saved key stands for.
enum class Attribute : std::uint8_t {
  Text,     // a text field's text
  Caption,  // a label's caption
  Value,    // a command button's momentary value
  State,    // a check box's state
};

// The type a host sees for an attribute.
constexpr PropType TypeOf(Attribute a) {
  switch (a) {
    case Attribute::Text:
    case Attribute::Caption:
      return PropType::String;
    case Attribute::Value:
      return PropType::Boolean;
    case Attribute::State:
      return PropType::Integer;
  }
  return PropType::String;
}

std::string_view NameOf(PropType t);

inline constexpr std::string_view kHelpText = "Returns/sets the text contained in the control.";
inline constexpr std::string_view kHelpCaption =
    "Returns/sets the text displayed in an object's title bar or below an object's icon.";
inline constexpr std::string_view kHelpValue = "Returns/sets the value of an object.";

struct PropertySpec {
  std::string_view name;
  PropType type;
  Field field;
  Attribute attribute;
  std::uint32_t dispatchId;
  std::string_view help;
};

inline constexpr std::size_t kPropertyCount = 30;

// Longest text a property or a restored key may put into a field. Longer texts are refused
// rather than cut, so that nothing is lost without the host hearing of it.
inline constexpr std::size_t kMaxTextBytes = 65535;

// clang-format off
inline constexpr std::array<PropertySpec, kPropertyCount> kProperties{{
    {"CommPort",     PropType::String,  Field::TxtComm,   Attribute::Text,    0x6803001D, kHelpText},
    {"CommStatus",   PropType::String,  Field::LblComm,   Attribute::Caption, 0x6803001C, kHelpCaption},
    {"MicroAddress", PropType::String,  Field::TxtMicro,  Attribute::Text,    0x6803001B, kHelpText},
    {"MicroStatus",  PropType::String,  Field::LblStatus, Attribute::Caption, 0x6803001A, kHelpCaption},
    {"UpdateCmd",    PropType::Boolean, Field::CmdUpdate, Attribute::Value,   0x68030019, kHelpValue},
    {"ClearCmd",     PropType::Boolean, Field::CmdClear,  Attribute::Value,   0x68030018, kHelpValue},
    {"IDstring",     PropType::String,  Field::TxtName,   Attribute::Text,    0x68030017, kHelpText},
    {"Vrefvolt",     PropType::String,  Field::TxtVref,   Attribute::Text,    0x68030016, kHelpText},
    {"AD0volt",      PropType::String,  Field::TxtAD0,    Attribute::Text,    0x68030015, kHelpText},
    {"AD1volt",      PropType::String,  Field::TxtAD1,    Attribute::Text,    0x68030014, kHelpText},
    {"AD2volt",      PropType::String,  Field::TxtAD2,    Attribute::Text,    0x68030013, kHelpText},
    {"AD3volt",      PropType::String,  Field::TxtAD3,    Attribute::Text,    0x68030012, kHelpText},
    {"AD4volt",      PropType::String,  Field::TxtAD4,    Attribute::Text,    0x68030011, kHelpText},
    {"DITinterval",  PropType::String,  Field::TxtDIT,    Attribute::Text,    0x68030010, kHelpText},
    {"FWver",        PropType::String,  Field::LblFW,     Attribute::Caption, 0x6803000F, kHelpCaption},
    {"DIFcount",     PropType::String,  Field::TxtDIF,    Attribute::Text,    0x6803000E, kHelpText},
    {"PWMduty",      PropType::String,  Field::TxtPWM,    Attribute::Text,    0x6803000D, kHelpText},
    {"DPWduty",      PropType::String,  Field::TxtDPW,    Attribute::Text,    0x6803000C, kHelpText},
    {"DOGduty",      PropType::String,  Field::TxtDOG,    Attribute::Text,    0x6803000B, kHelpText},
    {"DONstate",     PropType::Integer, Field::ChkDON,    Attribute::State,   0x6803000A, kHelpValue},
    {"DOEstate",     PropType::Integer, Field::ChkDOE,    Attribute::State,   0x68030009, kHelpValue},
    {"DOKstate",     PropType::Integer, Field::ChkDOK,    Attribute::State,   0x68030008, kHelpValue},
    {"DOSstate",     PropType::Integer, Field::ChkDOS,    Attribute::State,   0x68030007, kHelpValue},
    {"DINstate",     PropType::Integer, Field::ChkDIN,    Attribute::State,   0x68030006, kHelpValue},
    {"DISstate",     PropType::Integer, Field::ChkDIS,    Attribute::State,   0x68030005, kHelpValue},
    {"RSTstate",     PropType::Integer, Field::ChkRST,    Attribute::State,   0x68030004, kHelpValue},
    {"DIFstate",     PropType::Integer, Field::ChkDIF,    Attribute::State,   0x68030003, kHelpValue},
    {"DITstate",     PropType::Integer, Field::ChkDIT,    Attribute::State,   0x68030002, kHelpValue},
    {"ZeroCmd",      PropType::Boolean, Field::CmdZero,   Attribute::Value,   0x68030001, kHelpValue},
    {"CLKtime",      PropType::String,  Field::TxtTime,   Attribute::Text,    0x68030000, kHelpText},
}};
// clang-format on

// The property with exactly this name, or null.
const PropertySpec* PropertyByName(std::string_view name);

// What the field's attribute holds now, in the attribute's type. A command button reads
// false except while its click runs.
PropValue ReadField(const FieldStore& fields, Field field, Attribute attribute);

// Whether the field takes the value: the right type, a text of at most kMaxTextBytes, and
// for a check box only 0 (clear) or 1 (set). Any other state would be stored but shown and
// sent as neither, so it is refused.
Status CheckFieldValue(Attribute attribute, const PropValue& value);

// Stores a value that CheckFieldValue accepted. The field's handler runs as its kind says
// (changed text or state, or a button set to true), with all its nested effects, before
// this returns. A button set to false does nothing.
void WriteField(FieldStore& fields, Field field, Attribute attribute, const PropValue& value);

}  // namespace vyx
