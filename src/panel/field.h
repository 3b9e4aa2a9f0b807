// The component's named panel fields, in the panel description's order.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vyx {

enum class Field : std::uint8_t {
  FraMain,
  CmdZero,
  CmdClear,
  CmdUpdate,
  CmbMicro,
  ChkRST,
  BufVref,
  BufName,
  TxtDIT,
  BufDIF,
  BufTime,
  TxtAD0,
  TxtAD1,
  TxtAD2,
  TxtAD3,
  TxtAD4,
  BufPWM,
  BufDPW,
  BufDOG,
  ChkDON,
  ChkDOE,
  ChkDOK,
  ChkDOS,
  ChkDIT,
  ChkDIF,
  ChkDIN,
  ChkDIS,
  CmbComm,
  Label37,
  Label36,
  Label35,
  Label28,
  Label22,
  Label21,
  Label20,
  Label19,
  Label1,
  Label18,
  Label12,
  Label10,
  Label7,
  Label5,
  Label3,
  Label17,
  Label16,
  Label15,
  Label14,
  Label13,
  Label8,
  Label11,
  Label9,
  Label6,
  Label4,
  Label2,
  LblVref,
  LblName,
  LblFW,
  Label23,
  Label24,
  Label25,
  Label26,
  Label29,
  Label30,
  Label31,
  Label32,
  Label27,
  LblStatus,
  LblComm,
  MSComm1,
  Timer1,
  TxtEvent,
  TxtComm,
  TxtMicro,
  TxtName,
  TxtVref,
  TxtDIF,
  TxtTime,
  TxtPWM,
  TxtDPW,
  TxtDOG,
};

inline constexpr int kFieldCount = static_cast<int>(Field::TxtDOG) + 1;

enum class FieldKind : std::uint8_t { Frame, Command, List, Check, Text, Label, Serial, Timer };
enum class Container : std::uint8_t { None, Panel, Frame };

// Layout in twips (1/1440 inch), relative to the container.
struct TwipRect {
  int left;
  int top;
  int width;
  int height;
};

struct FieldSpec {
  std::string_view name;
  FieldKind kind;
  Container container;
  TwipRect rect;
  int tab;                 // -1: not in the tab order
  std::string_view start;  // start text or caption
  std::string_view tip;
  bool bold;  // emphasis of the start font
};

const FieldSpec& SpecOf(Field f);
std::string_view NameOf(Field f);
std::optional<Field> FieldByName(std::string_view name);

// Label colours: top bit clear is 0x00BBGGRR, top bit set names a system colour.
inline constexpr std::uint32_t kColorRed = 0x000000FF;
inline constexpr std::uint32_t kColorButtonText = 0x80000012;
inline constexpr std::uint32_t kColorWindowText = 0x80000008;

// The panel surface and the frame that covers it.
inline constexpr TwipRect kPanelSurface{0, 0, 2055, 5925};

}  // namespace vyx
