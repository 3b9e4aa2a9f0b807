// Tells when the document's contents were edited, as opposed to refreshed: a property set by
// the host (other than the Update command the automatic updates press), or a setting the
// operator changed on the panel. The readings that every update brings do not count, or a
// running document would never be saved.
#pragma once

#include <QObject>
#include <QPointer>

#include "vyx_widget.h"

namespace vyx::panel {

class EditWatch : public QObject {
  Q_OBJECT

 public:
  explicit EditWatch(VyxWidget* widget, QObject* parent = nullptr);

 Q_SIGNALS:
  void edited();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void settingChanged();

  QPointer<VyxWidget> widget_;
  // True from an input event on the panel until the event loop has finished with it: the
  // field changes in between are the operator's.
  bool operatorActing_ = false;
};

}  // namespace vyx::panel
