#include "panel_layout.h"

#include <QFontMetricsF>
#include <cmath>

namespace vyx::qt {
namespace {

constexpr double kPanelPointSize = 8.25;
constexpr double kSmallestPointSize = 5.0;
constexpr double kPointStep = 0.25;

int Edge(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

}  // namespace

QRect TwipsToPixels(const TwipRect& twips, double dpiX, double dpiY) {
  const int left = Edge(twips.left, dpiX);
  const int top = Edge(twips.top, dpiY);
  const int right = Edge(twips.left + twips.width, dpiX);
  const int bottom = Edge(twips.top + twips.height, dpiY);
  return QRect(left, top, right - left, bottom - top);
}

QFont PanelFont(QFont base, bool bold) {
  base.setPointSizeF(kPanelPointSize);
  // Set explicitly, so that a child does not inherit the bold of the frame's caption.
  base.setWeight(bold ? QFont::Bold : QFont::Normal);
  return base;
}

QFont FitFont(QFont font, const QString& text, QSize box) {
  while (font.pointSizeF() > kSmallestPointSize) {
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= box.width() && metrics.height() <= box.height()) break;
    font.setPointSizeF(font.pointSizeF() - kPointStep);
  }
  return font;
}

}  // namespace vyx::qt
