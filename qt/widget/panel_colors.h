// Label colours as the field store holds them, turned into what Qt paints.
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace vyx::qt {

// A plain colour (top bit clear) is 0x00BBGGRR. A system colour (top bit set) names a
// system element by its index; it is taken from the palette, so that it follows the
// host's theme.
QColor PanelColor(std::uint32_t stored, const QPalette& palette);

}  // namespace vyx::qt
