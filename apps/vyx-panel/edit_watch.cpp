#include "edit_watch.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "vyx_widget.h"

namespace vyx::panel {

EditWatch::EditWatch(VyxWidget* widget, QObject* parent) : QObject(parent), widget_(widget) {
  connect(widget, &VyxWidget::propertyChanged, this, [this](const QString& name) {
    if (name != QStringLiteral("UpdateCmd")) Q_EMIT edited();
  });
  // The settings an operator makes on the panel; the readings are left out.
  for (auto signal :
       {&VyxWidget::CommPortChanged, &VyxWidget::MicroAddressChanged, &VyxWidget::IDstringChanged,
        &VyxWidget::VrefvoltChanged, &VyxWidget::PWMdutyChanged, &VyxWidget::DPWdutyChanged,
        &VyxWidget::DOGdutyChanged, &VyxWidget::DONstateChanged, &VyxWidget::DOEstateChanged,
        &VyxWidget::DOKstateChanged, &VyxWidget::DOSstateChanged, &VyxWidget::RSTstateChanged,
        &VyxWidget::CLKtimeChanged, &VyxWidget::DIFcountChanged}) {
    connect(widget, signal, this, &EditWatch::settingChanged);
  }
  if (QWidget* panel = widget->panel()) {
    panel->installEventFilter(this);
    for (QWidget* child : panel->findChildren<QWidget*>()) child->installEventFilter(this);
  }
}

bool EditWatch::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::FocusOut:
      if (!operatorActing_) {
        operatorActing_ = true;
        QTimer::singleShot(0, this, [this] { operatorActing_ = false; });
      }
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void EditWatch::settingChanged() {
  if (!operatorActing_ || !widget_) return;
  // A click on Update runs the update's own steps (writing the records, showing what an
  // update that cannot start leaves) while UpdateCmd reads true: they edit nothing.
  if (widget_->UpdateCmd()) return;
  Q_EMIT edited();
}

}  // namespace vyx::panel
