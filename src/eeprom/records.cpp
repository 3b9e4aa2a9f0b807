// The identifier and reference-calibration records in the board's EEPROM, written from and
// read back into the panel fields, on the selected board.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/vyx.h"
#include "eeprom/record_codec.h"
#include "panel/text_number.h"

namespace vyx {

void Vyx::WriteIDstring() {
  const std::vector<std::uint8_t> id = eeprom::ToLatin1(fields_.Text(Field::TxtName));
  // All eight positions are written: a shorter text is padded with 0, a longer one cut.
  for (int i = 0; i < eeprom::kIdLength; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    WriteEEByte(protocol::kMap.EEidAddr + i, at < id.size() ? id[at] : 0);
  }
  // The marker last: a board that had no identifier is marked only once its bytes are in.
  WriteEEByte(eeprom::kMarkerAddress, eeprom::kIdMarker);
}

void Vyx::ReadIDstring() {
  std::string id(eeprom::kDefaultId);
  if (ReadEEByte(eeprom::kMarkerAddress) == eeprom::kIdMarker) {
    // A 0 byte does not stop the reading; a failed one does, keeping what came before.
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < eeprom::kIdLength; ++i) {
      const std::optional<int> b = ReadEEByte(protocol::kMap.EEidAddr + i);
      if (!b) break;
      bytes.push_back(static_cast<std::uint8_t>(*b));
    }
    id = eeprom::FromLatin1(bytes);
  }
  fields_.SetText(Field::TxtName, std::move(id));
  // The buffer shows what the board holds, even over an edit in progress.
  fields_.SetText(Field::BufName, fields_.Text(Field::TxtName));
  m_.NameCache[Board()] = fields_.Text(Field::TxtName);
  m_.NamePending = false;
}

void Vyx::WriteVref() {
  const eeprom::CalibrationBytes c =
      eeprom::CalibrationOf(NumericValue(fields_.Text(Field::TxtVref)));
  WriteEEByte(protocol::kMap.EEvrefAddr, c.high);
  WriteEEByte(protocol::kMap.EEvrefAddr + 1, c.low);
}

void Vyx::ReadVref() {
  const std::optional<int> high = ReadEEByte(protocol::kMap.EEvrefAddr);
  const std::optional<int> low = ReadEEByte(protocol::kMap.EEvrefAddr + 1);
  // Both bytes must have come: half a calibration is none.
  const std::string text = high && low
                               ? eeprom::CalibrationText(eeprom::CalibrationVolts(*high, *low))
                               : std::string(eeprom::kDefaultVref);
  fields_.SetText(Field::TxtVref, text);
  fields_.SetText(Field::BufVref, fields_.Text(Field::TxtVref));
  m_.VrefCache[Board()] = fields_.Text(Field::TxtVref);
  m_.VrefPending = false;
}

}  // namespace vyx
