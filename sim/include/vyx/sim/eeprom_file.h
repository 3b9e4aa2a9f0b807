#pragma once

#include <array>
#include <string>

#include "vyx/sim/board.h"

namespace vyx::sim {

// The EEPROMs of the four addresses kept in one file of 4 x 256 bytes, address 0 first.
using EepromBank = std::array<Board::Eeprom, reg::kMaxBoards>;

// A missing file gives erased EEPROMs. A file of another size is an error, never overwritten
// silently. Both return an empty string on success, else the reason.
std::string LoadEepromFile(const std::string& path, EepromBank& bank);
// Written to a temporary file, synced and renamed over the old one, so that a crash leaves
// either the old contents or the new, never a mixture.
std::string SaveEepromFile(const std::string& path, const EepromBank& bank);

}  // namespace vyx::sim
