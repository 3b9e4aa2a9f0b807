#include "panel_colors.h"

namespace vyx::qt {
namespace {

constexpr std::uint32_t kSystemBit = 0x80000000u;

// The system colour indices a panel uses, mapped to the nearest palette role.
QPalette::ColorRole RoleOfSystemIndex(std::uint32_t index) {
  switch (index) {
    case 4:   // menu
    case 5:   // window background
    case 12:  // application workspace
      return QPalette::Window;
    case 15:  // button face
      return QPalette::Button;
    case 13:  // highlight
      return QPalette::Highlight;
    case 9:   // caption text
    case 14:  // highlighted text
      return QPalette::HighlightedText;
    case 16:  // button shadow
      return QPalette::Mid;
    case 18:  // button text
      return QPalette::ButtonText;
    case 20:  // button highlight
      return QPalette::Light;
    case 21:  // dark 3D shadow
      return QPalette::Shadow;
    case 22:  // 3D light
      return QPalette::Midlight;
    case 23:  // tooltip text
      return QPalette::ToolTipText;
    case 24:  // tooltip background
      return QPalette::ToolTipBase;
    default:  // window text, menu text and anything unknown
      return QPalette::WindowText;
  }
}

}  // namespace

QColor PanelColor(std::uint32_t stored, const QPalette& palette) {
  if (stored & kSystemBit) {
    const std::uint32_t index = stored & ~kSystemBit;
    // Grey text is the palette's disabled text, not a role of its own.
    if (index == 17) return palette.color(QPalette::Disabled, QPalette::Text);
    return palette.color(QPalette::Active, RoleOfSystemIndex(index));
  }
  return QColor(static_cast<int>(stored & 0xFFu), static_cast<int>((stored >> 8) & 0xFFu),
                static_cast<int>((stored >> 16) & 0xFFu));
}

}  // namespace vyx::qt
