// The state behind VyxWidget. Not part of the widget's API: hosts see only vyx_widget.h, so
// that this may change without breaking them.
#pragma once

#include <QMetaMethod>
#include <array>
#include <string_view>

#include "control/host.h"
#include "control/vyx.h"
#include "platform/qt_platform.h"

class VyxWidget;

namespace vyx::qt {
class PanelView;
}

class VyxWidgetPrivate final : public vyx::Host {
 public:
  explicit VyxWidgetPrivate(VyxWidget* owner);
  ~VyxWidgetPrivate() override;

  // The component's host side: the property-changed notification and NewData as signals.
  void PropertyChanged(std::string_view name) override;
  void NewData() override;

  // Every field write reaches the panel at once, and the property behind the field
  // announces its change.
  void fieldWritten(vyx::Field field);

  vyx::PropValue get(std::string_view name) const;
  void set(std::string_view name, vyx::PropValue value);

  VyxWidget* q;
  // Declared before the component, which holds references into it.
  vyx::qt::Platform platform;
  vyx::Vyx component;
  vyx::qt::PanelView* view = nullptr;
  // The NOTIFY signal of the property behind each field; invalid where none is.
  std::array<QMetaMethod, vyx::kFieldCount> notifyOf{};
};
