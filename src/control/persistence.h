// Saving and restoring the properties with the host's document: the keys, in the exact
// order they are written and read.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "control/host.h"
#include "control/properties.h"
#include "control/status.h"
#include "panel/field.h"

namespace vyx {

// One saved key and the field behind it. A text or caption key passes defaultText as its
// default; a Boolean or Integer key passes Integer 0.
struct BagKey {
  std::string_view key;
  Field field;
  Attribute attribute;
  std::string_view defaultText;
};

// The default passed along with the key to every read and write.
PropValue DefaultOf(const BagKey& k);

inline constexpr std::size_t kSaveKeyCount = 31;
inline constexpr std::size_t kRestoreKeyCount = 54;

// Written by save, in this order. The value written has the attribute's type; command
// values are written as Boolean (false outside their clicks).
// clang-format off
inline constexpr std::array<BagKey, kSaveKeyCount> kSaveKeys{{
    {"CommPort",     Field::TxtComm,   Attribute::Text,    "Comm"},
    {"CommStatus",   Field::LblComm,   Attribute::Caption, "Offline"},
    {"MicroAddress", Field::TxtMicro,  Attribute::Text,    "Micro"},
    {"MicroStatus",  Field::LblStatus, Attribute::Caption, "Ready"},
    {"UpdateCmd",    Field::CmdUpdate, Attribute::Value,   ""},
    {"ClearCmd",     Field::CmdClear,  Attribute::Value,   ""},
    {"IDstring",     Field::TxtName,   Attribute::Text,    ""},
    {"Vrefvolt",     Field::TxtVref,   Attribute::Text,    ""},
    {"AD0volt",      Field::TxtAD0,    Attribute::Text,    ""},
    {"AD1volt",      Field::TxtAD1,    Attribute::Text,    ""},
    {"AD2volt",      Field::TxtAD2,    Attribute::Text,    ""},
    {"AD3volt",      Field::TxtAD3,    Attribute::Text,    ""},
    {"AD4volt",      Field::TxtAD4,    Attribute::Text,    ""},
    {"DITinterval",  Field::TxtDIT,    Attribute::Text,    ""},
    {"FWver",        Field::LblFW,     Attribute::Caption, ""},
    {"DIFcount",     Field::TxtDIF,    Attribute::Text,    ""},
    {"TimeElapse",   Field::TxtTime,   Attribute::Text,    ""},
    {"PWMduty",      Field::TxtPWM,    Attribute::Text,    ""},
    {"DPWduty",      Field::TxtDPW,    Attribute::Text,    ""},
    {"DOGduty",      Field::TxtDOG,    Attribute::Text,    ""},
    {"DONstate",     Field::ChkDON,    Attribute::State,   ""},
    {"DOEstate",     Field::ChkDOE,    Attribute::State,   ""},
    {"DOKstate",     Field::ChkDOK,    Attribute::State,   ""},
    {"DOSstate",     Field::ChkDOS,    Attribute::State,   ""},
    {"DINstate",     Field::ChkDIN,    Attribute::State,   ""},
    {"DISstate",     Field::ChkDIS,    Attribute::State,   ""},
    {"RSTstate",     Field::ChkRST,    Attribute::State,   ""},
    {"DIFstate",     Field::ChkDIF,    Attribute::State,   ""},
    {"DITstate",     Field::ChkDIT,    Attribute::State,   ""},
    {"ZeroCmd",      Field::CmdZero,   Attribute::Value,   ""},
    {"CLKtime",      Field::TxtTime,   Attribute::Text,    ""},
}};

// Read by restore, in this order, each written into its field at once. The short keys of
// reads 5 to 27 are never saved; a document that holds them has their values pass through
// the fields before the long keys overwrite them.
inline constexpr std::array<BagKey, kRestoreKeyCount> kRestoreKeys{{
    {"CommPort",     Field::TxtComm,   Attribute::Text,    "Comm"},
    {"CommStatus",   Field::LblComm,   Attribute::Caption, "Offline"},
    {"MicroAddress", Field::TxtMicro,  Attribute::Text,    "Micro"},
    {"MicroStatus",  Field::LblStatus, Attribute::Caption, "Ready"},
    {"Update",       Field::CmdUpdate, Attribute::Value,   ""},
    {"Clear",        Field::CmdClear,  Attribute::Value,   ""},
    {"FW",           Field::LblFW,     Attribute::Caption, ""},
    {"ID",           Field::TxtName,   Attribute::Text,    ""},
    {"Vref",         Field::TxtVref,   Attribute::Text,    ""},
    {"AD0",          Field::TxtAD0,    Attribute::Text,    ""},
    {"AD1",          Field::TxtAD1,    Attribute::Text,    ""},
    {"AD2",          Field::TxtAD2,    Attribute::Text,    ""},
    {"AD3",          Field::TxtAD3,    Attribute::Text,    ""},
    {"AD4",          Field::TxtAD4,    Attribute::Text,    ""},
    {"DIT",          Field::TxtDIT,    Attribute::Text,    ""},
    {"DIF",          Field::TxtDIF,    Attribute::Text,    ""},
    {"Time",         Field::TxtTime,   Attribute::Text,    ""},
    {"PWM",          Field::TxtPWM,    Attribute::Text,    ""},
    {"DPW",          Field::TxtDPW,    Attribute::Text,    ""},
    {"DOG",          Field::TxtDOG,    Attribute::Text,    ""},
    {"DON",          Field::ChkDON,    Attribute::State,   ""},
    {"DOE",          Field::ChkDOE,    Attribute::State,   ""},
    {"DOK",          Field::ChkDOK,    Attribute::State,   ""},
    {"DOS",          Field::ChkDOS,    Attribute::State,   ""},
    {"DIN",          Field::ChkDIN,    Attribute::State,   ""},
    {"DIS",          Field::ChkDIS,    Attribute::State,   ""},
    {"RST",          Field::ChkRST,    Attribute::State,   ""},
    {"UpdateCmd",    Field::CmdUpdate, Attribute::Value,   ""},
    {"ClearCmd",     Field::CmdClear,  Attribute::Value,   ""},
    {"IDstring",     Field::TxtName,   Attribute::Text,    ""},
    {"Vrefvolt",     Field::TxtVref,   Attribute::Text,    ""},
    {"AD0volt",      Field::TxtAD0,    Attribute::Text,    ""},
    {"AD1volt",      Field::TxtAD1,    Attribute::Text,    ""},
    {"AD2volt",      Field::TxtAD2,    Attribute::Text,    ""},
    {"AD3volt",      Field::TxtAD3,    Attribute::Text,    ""},
    {"AD4volt",      Field::TxtAD4,    Attribute::Text,    ""},
    {"DITinterval",  Field::TxtDIT,    Attribute::Text,    ""},
    {"FWver",        Field::LblFW,     Attribute::Caption, ""},
    {"DIFcount",     Field::TxtDIF,    Attribute::Text,    ""},
    {"TimeElapse",   Field::TxtTime,   Attribute::Text,    ""},
    {"PWMduty",      Field::TxtPWM,    Attribute::Text,    ""},
    {"DPWduty",      Field::TxtDPW,    Attribute::Text,    ""},
    {"DOGduty",      Field::TxtDOG,    Attribute::Text,    ""},
    {"DONstate",     Field::ChkDON,    Attribute::State,   ""},
    {"DOEstate",     Field::ChkDOE,    Attribute::State,   ""},
    {"DOKstate",     Field::ChkDOK,    Attribute::State,   ""},
    {"DOSstate",     Field::ChkDOS,    Attribute::State,   ""},
    {"DINstate",     Field::ChkDIN,    Attribute::State,   ""},
    {"DISstate",     Field::ChkDIS,    Attribute::State,   ""},
    {"RSTstate",     Field::ChkRST,    Attribute::State,   ""},
    {"DIFstate",     Field::ChkDIF,    Attribute::State,   ""},
    {"DITstate",     Field::ChkDIT,    Attribute::State,   ""},
    {"ZeroCmd",      Field::CmdZero,   Attribute::Value,   ""},
    {"CLKtime",      Field::TxtTime,   Attribute::Text,    ""},
}};
// clang-format on

}  // namespace vyx
