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

bool ReadsBefore(Field a, Field b) {
  const TwipRect& ra = SpecOf(a).rect;
  const TwipRect& rb = SpecOf(b).rect;
  return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
}

std::optional<Field> LabelOf(Field field) {
  const FieldSpec& spec = SpecOf(field);
  std::optional<Field> best;
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    const FieldSpec& other = SpecOf(f);
    if (other.kind != FieldKind::Label || other.container != spec.container) continue;
    if (other.rect.top != spec.rect.top || other.rect.left >= spec.rect.left) continue;
    if (!best || SpecOf(*best).rect.left < other.rect.left) best = f;
  }
  return best;
}

}  // namespace vyx::qt
