// The one way tests reach the component's procedures and members directly.
#pragma once

#include "control/vyx.h"

namespace vyx {

struct VyxProbe {
  static Members& M(Vyx& v) { return v.m_; }
  static FieldStore& F(Vyx& v) { return v.fields_; }

  static void StartUpdate(Vyx& v) { v.StartUpdate(); }
  static void EndUpdate(Vyx& v) { v.EndUpdate(); }
  static void RetryUpdate(Vyx& v) { v.RetryUpdate(); }
  static void ShowReadings(Vyx& v) { v.ShowReadings(); }
  static void UpdateClock(Vyx& v) { v.UpdateClock(); }
  static double AdcToVolts(Vyx& v, double raw) { return v.AdcToVolts(raw); }
  static void ClearFields(Vyx& v) { v.ClearFields(); }
  static void SendCommand(Vyx& v, std::string_view letter, int address, int spare, int reg,
                          int value1, int value2) {
    v.SendCommand(letter, address, spare, reg, value1, value2);
  }
  static int ReadEEByte(Vyx& v, int address) { return v.ReadEEByte(address); }
  static void WriteEEByte(Vyx& v, int address, int data) { v.WriteEEByte(address, data); }
  static void WriteIDstring(Vyx& v) { v.WriteIDstring(); }
  static void ReadIDstring(Vyx& v) { v.ReadIDstring(); }
  static void WriteVref(Vyx& v) { v.WriteVref(); }
  static void ReadVref(Vyx& v) { v.ReadVref(); }
};

}  // namespace vyx
