// Where the panel's fields go on screen: the field table's twips at the widget's logical
// DPI, and type sized to the fixed boxes that the table gives.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <optional>

#include "panel/field.h"

namespace vyx::qt {

inline constexpr double kTwipsPerInch = 1440.0;

// Edges are rounded, not sizes, so that fields that touch in twips still touch on screen.
QRect TwipsToPixels(const TwipRect& twips, double dpiX, double dpiY);

// The panel's own type: the host's family at 8.25 points, the size the table's 255-twip
// rows were drawn for. Points scale with the DPI as twips do, so it fits at any DPI.
QFont PanelFont(QFont base, bool bold);

// The font, made smaller where needed, so that the text fits the box on one line.
QFont FitFont(QFont font, const QString& text, QSize box);

// Reading order on the panel, for the keyboard: top to bottom, then left to right.
bool ReadsBefore(Field a, Field b);

// The label that names a field for the operator: the nearest one to its left on its row.
std::optional<Field> LabelOf(Field field);

}  // namespace vyx::qt
