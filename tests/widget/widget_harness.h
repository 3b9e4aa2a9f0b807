// What the widget tests share: the panel's Qt widget for a field, and a window that really
// has the keyboard, since focus rules only run in an active window.
#pragma once

#include <QtTest>
#include <QtWidgets>

#include "control/vyx.h"
#include "panel/field.h"
#include "panel_view.h"
#include "vyx_widget.h"

namespace vyx::test {

template <class T = QWidget>
T* Shown(VyxWidget& w, Field f) {
  return qobject_cast<T*>(static_cast<vyx::qt::PanelView*>(w.panel())->widgetOf(f));
}

// Shows the widget as an active top-level window; false when the platform will not.
inline bool ShowActive(QWidget& w) {
  w.show();
  w.activateWindow();
  return QTest::qWaitForWindowActive(&w);
}

}  // namespace vyx::test
