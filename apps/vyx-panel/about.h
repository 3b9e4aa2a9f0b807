// What the desktop host says about itself: its version (--version, Help > About) and its
// licence.
#pragma once

#include <QString>

namespace vyx::panel {

QString PanelVersion();  // "1.00"
// The About box's text: name, version, what it is for, and the licence.
QString AboutText();

}  // namespace vyx::panel
