#include <array>

#include "panel/field.h"

namespace vyx {
namespace {

// A row a field, as the form lists them.
// clang-format off
constexpr std::array<FieldSpec, kFieldCount> kSpecs{{
    {"FraMain", FieldKind::Frame, Container::Panel, {0, 0, 2055, 5895}, 10, "Vyx 1.0", "Vantrel Vyx Active X Control", true},
    {"CmdZero", FieldKind::Command, Container::Frame, {1440, 5400, 495, 255}, 77, "Zero", "Zero All Output Values", false},
    {"CmdClear", FieldKind::Command, Container::Frame, {840, 5400, 615, 255}, 36, "Clear", "Clear All Text Boxes", false},
    {"CmdUpdate", FieldKind::Command, Container::Frame, {120, 5400, 735, 255}, 35, "Update", "Update Command Writes/Reads Micro", false},
    {"CmbMicro", FieldKind::List, Container::Frame, {120, 480, 1095, 315}, 34, "", "Micro Address", false},
    {"ChkRST", FieldKind::Check, Container::Frame, {1680, 5160, 255, 195}, 33, "Check1", "RST Flags Micro Reset", false},
    {"BufVref", FieldKind::Text, Container::Frame, {600, 1320, 1095, 285}, 32, "", "5V Reference Calibration in EEPROM", false},
    {"BufName", FieldKind::Text, Container::Frame, {600, 1080, 1095, 285}, 31, "", "Identifier in EEPROM", false},
    {"TxtDIT", FieldKind::Text, Container::Frame, {600, 3000, 1095, 285}, 30, "", "DIT Interval Timer", false},
    {"BufDIF", FieldKind::Text, Container::Frame, {600, 3240, 1095, 285}, 29, "", "DIF Totalizing Counter", false},
    {"BufTime", FieldKind::Text, Container::Frame, {600, 3480, 1095, 285}, 28, "", "Update Clock", false},
    {"TxtAD0", FieldKind::Text, Container::Frame, {600, 1680, 1095, 285}, 27, "", "AD0 Analog Value", false},
    {"TxtAD1", FieldKind::Text, Container::Frame, {600, 1920, 1095, 285}, 26, "", "AD1 Analog Value", false},
    {"TxtAD2", FieldKind::Text, Container::Frame, {600, 2160, 1095, 285}, 25, "", "AD2 Analog Value", false},
    {"TxtAD3", FieldKind::Text, Container::Frame, {600, 2400, 1095, 285}, 24, "", "AD3 Analog Value", false},
    {"TxtAD4", FieldKind::Text, Container::Frame, {600, 2640, 1095, 285}, 23, "", "AD4 Analog Value", false},
    {"BufPWM", FieldKind::Text, Container::Frame, {600, 3840, 1095, 285}, 22, "", "PWM 20KHz 10bit Pulse Width Modulator", false},
    {"BufDPW", FieldKind::Text, Container::Frame, {600, 4080, 1095, 285}, 21, "", "DPW 125Hz 7bit Pulse Width Modulator", false},
    {"BufDOG", FieldKind::Text, Container::Frame, {600, 4320, 1095, 285}, 20, "", "DOG 125Hz 7bit Pulse Width Modulator", false},
    {"ChkDON", FieldKind::Check, Container::Frame, {480, 4680, 255, 195}, 19, "Check1", "DON Digital Output State", false},
    {"ChkDOE", FieldKind::Check, Container::Frame, {1080, 4680, 255, 195}, 18, "Check1", "DOE Digital Output State", false},
    {"ChkDOK", FieldKind::Check, Container::Frame, {1680, 4680, 255, 195}, 17, "Check1", "DOK Digital Output State", false},
    {"ChkDOS", FieldKind::Check, Container::Frame, {480, 4920, 255, 195}, 16, "Check1", "DOS Digital Output State", false},
    {"ChkDIT", FieldKind::Check, Container::Frame, {1680, 4920, 255, 195}, 15, "Check1", "DIT Digital Input State", false},
    {"ChkDIF", FieldKind::Check, Container::Frame, {1080, 4920, 255, 195}, 14, "Check1", "DIF Digital Input State", false},
    {"ChkDIN", FieldKind::Check, Container::Frame, {480, 5160, 255, 195}, 13, "Check1", "DIN Digital Input State", false},
    {"ChkDIS", FieldKind::Check, Container::Frame, {1080, 5160, 255, 195}, 12, "Check1", "DIS Digital Input State", false},
    {"CmbComm", FieldKind::List, Container::Frame, {120, 240, 1095, 315}, 11, "", "Comm Port Selection", false},
    {"Label37", FieldKind::Label, Container::Frame, {120, 840, 495, 255}, 76, "FW:", "Micro Firmware Revision", false},
    {"Label36", FieldKind::Label, Container::Frame, {1680, 1320, 255, 255}, 75, "EE", "", false},
    {"Label35", FieldKind::Label, Container::Frame, {1680, 1080, 255, 255}, 74, "EE", "", false},
    {"Label28", FieldKind::Label, Container::Frame, {1320, 5160, 375, 255}, 73, "RST", "RST Flags Micro Reset", false},
    {"Label22", FieldKind::Label, Container::Frame, {1800, 4320, 135, 255}, 72, "%", "", false},
    {"Label21", FieldKind::Label, Container::Frame, {1800, 4080, 135, 255}, 71, "%", "", false},
    {"Label20", FieldKind::Label, Container::Frame, {1800, 3840, 135, 255}, 70, "%", "", false},
    {"Label19", FieldKind::Label, Container::Frame, {1800, 3480, 135, 255}, 69, "S", "", false},
    {"Label1", FieldKind::Label, Container::Frame, {1800, 3240, 135, 255}, 68, "#", "", false},
    {"Label18", FieldKind::Label, Container::Frame, {1800, 3000, 135, 255}, 67, "S", "", false},
    {"Label12", FieldKind::Label, Container::Frame, {1800, 2640, 135, 255}, 66, "V", "", false},
    {"Label10", FieldKind::Label, Container::Frame, {1800, 2400, 135, 255}, 65, "V", "", false},
    {"Label7", FieldKind::Label, Container::Frame, {1800, 2160, 135, 255}, 64, "V", "", false},
    {"Label5", FieldKind::Label, Container::Frame, {1800, 1920, 135, 255}, 63, "V", "", false},
    {"Label3", FieldKind::Label, Container::Frame, {1800, 1680, 135, 255}, 62, "V", "", false},
    {"Label17", FieldKind::Label, Container::Frame, {120, 4320, 495, 255}, 61, "DOG", "DOG 125Hz 7bit Pulse Width Modulato", false},
    {"Label16", FieldKind::Label, Container::Frame, {120, 4080, 495, 255}, 60, "DPW", "DPW 125Hz 7bit Pulse Width Modulator", false},
    {"Label15", FieldKind::Label, Container::Frame, {120, 3840, 495, 255}, 59, "PWM", "PWM 20KHz 10bit Pulse Width Modulator", false},
    {"Label14", FieldKind::Label, Container::Frame, {120, 3480, 375, 255}, 58, "CLK", "Update Clock", false},
    {"Label13", FieldKind::Label, Container::Frame, {120, 3240, 375, 255}, 57, "DIF", "DIF Totalizing Counter", false},
    {"Label8", FieldKind::Label, Container::Frame, {120, 3000, 375, 255}, 56, "DIT", "DIT Interval Timer", false},
    {"Label11", FieldKind::Label, Container::Frame, {120, 2640, 375, 255}, 55, "AD4", "AD4 Analog Value", false},
    {"Label9", FieldKind::Label, Container::Frame, {120, 2400, 375, 255}, 54, "AD3", "AD3 Analog Value", false},
    {"Label6", FieldKind::Label, Container::Frame, {120, 2160, 375, 255}, 53, "AD2", "AD2 Analog Value", false},
    {"Label4", FieldKind::Label, Container::Frame, {120, 1920, 375, 255}, 52, "AD1", "AD1 Analog Value", false},
    {"Label2", FieldKind::Label, Container::Frame, {120, 1680, 375, 255}, 51, "AD0", "AD0 Analog Value", false},
    {"LblVref", FieldKind::Label, Container::Frame, {120, 1320, 495, 255}, 50, "Vref", "5V Reference Calibration in EEPROM", false},
    {"LblName", FieldKind::Label, Container::Frame, {120, 1080, 495, 255}, 49, "ID", "Identifier in EEPROM", false},
    {"LblFW", FieldKind::Label, Container::Frame, {600, 840, 975, 255}, 48, "", "Micro Firmware Revision", false},
    {"Label23", FieldKind::Label, Container::Frame, {120, 4680, 375, 255}, 47, "DON", "DON Digital Output State", false},
    {"Label24", FieldKind::Label, Container::Frame, {720, 4680, 375, 255}, 46, "DOE", "DOE Digital Output State", false},
    {"Label25", FieldKind::Label, Container::Frame, {1320, 4680, 375, 255}, 45, "DOK", "DOK Digital Output State", false},
    {"Label26", FieldKind::Label, Container::Frame, {120, 4920, 375, 255}, 44, "DOS", "DOS Digital Output State", false},
    {"Label29", FieldKind::Label, Container::Frame, {720, 4920, 375, 255}, 43, "DIF", "DIF Digital Input State", false},
    {"Label30", FieldKind::Label, Container::Frame, {1320, 4920, 375, 255}, 42, "DIT", "DIT Digital Input State", false},
    {"Label31", FieldKind::Label, Container::Frame, {120, 5160, 375, 255}, 41, "DIN", "DIN Digital Input State", false},
    {"Label32", FieldKind::Label, Container::Frame, {720, 5160, 375, 255}, 40, "DIS", "DIS Digital Input State", false},
    {"Label27", FieldKind::Label, Container::Frame, {240, 5640, 1575, 255}, 39, "vantrel.example.com", "Vantrel Electronics Website", true},
    {"LblStatus", FieldKind::Label, Container::Frame, {1320, 480, 615, 255}, 38, "Ready", "Micro Status", false},
    {"LblComm", FieldKind::Label, Container::Frame, {1320, 240, 615, 255}, 37, "Offline", "Comm Port Status", false},
    {"MSComm1", FieldKind::Serial, Container::Panel, {120, 3480, 0, 0}, -1, "", "", false},
    {"Timer1", FieldKind::Timer, Container::Panel, {720, 3480, 0, 0}, -1, "", "", false},
    {"TxtEvent", FieldKind::Text, Container::Panel, {120, 4200, 615, 285}, 9, "0", "", false},
    {"TxtComm", FieldKind::Text, Container::Panel, {120, 120, 615, 285}, 8, "Comm", "", false},
    {"TxtMicro", FieldKind::Text, Container::Panel, {120, 480, 615, 285}, 7, "Micro", "", false},
    {"TxtName", FieldKind::Text, Container::Panel, {120, 840, 1095, 285}, 6, "", "", false},
    {"TxtVref", FieldKind::Text, Container::Panel, {120, 1200, 1095, 285}, 5, "", "", false},
    {"TxtDIF", FieldKind::Text, Container::Panel, {120, 1560, 1095, 285}, 4, "", "", false},
    {"TxtTime", FieldKind::Text, Container::Panel, {120, 1920, 1095, 285}, 3, "", "", false},
    {"TxtPWM", FieldKind::Text, Container::Panel, {120, 2280, 1095, 285}, 2, "", "", false},
    {"TxtDPW", FieldKind::Text, Container::Panel, {120, 2640, 1095, 285}, 1, "", "", false},
    {"TxtDOG", FieldKind::Text, Container::Panel, {120, 3000, 1095, 285}, 0, "", "", false},
}};
// clang-format on

}  // namespace

const FieldSpec& SpecOf(Field f) { return kSpecs[static_cast<std::size_t>(f)]; }

std::string_view NameOf(Field f) { return SpecOf(f).name; }

std::optional<Field> FieldByName(std::string_view name) {
  for (std::size_t i = 0; i < kSpecs.size(); ++i) {
    if (kSpecs[i].name == name) return static_cast<Field>(i);
  }
  return std::nullopt;
}

}  // namespace vyx
