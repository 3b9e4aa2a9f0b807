// The operator's panel: one Qt widget for every field the operator sees, placed from the
// field table. It mirrors the component's field store and forwards what the operator does
// (focus, typing, Enter, clicks and picks) to the component; it keeps no state of its own.
#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "panel/field.h"

class QGroupBox;

namespace vyx {
class Vyx;
}

namespace vyx::qt {

class PanelView : public QWidget {
  Q_OBJECT

 public:
  explicit PanelView(Vyx& component, QWidget* parent = nullptr);
  ~PanelView() override;

  // The panel surface of the field table at the current logical DPI.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

  // The widget that shows a field; null for the fields that are not shown (the value
  // fields under the frame, the serial port and the timer).
  QWidget* widgetOf(Field field) const;

  // Pushes what the store holds for the field into its widget. The component's field
  // observer calls it after every write.
  void mirror(Field field);
  void mirrorAll();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void build();
  void placeFields();
  void applyFonts();
  void nameByLabels();
  void watch(Field field, QWidget* widget);
  std::optional<Field> fieldOf(const QObject* widget) const;

  // Operator actions, each followed by moving the Qt focus to where the component says.
  void focusMovedTo(std::optional<Field> field);
  void operatorTyped(Field field, const QString& text);
  void operatorPressedEnter(Field field);
  void operatorClicked(Field field, int index = -1);
  void followFocus();

  void mirrorLabel(Field field);

  Vyx& vyx_;
  QGroupBox* frame_ = nullptr;
  std::array<QWidget*, kFieldCount> widgets_{};
};

}  // namespace vyx::qt
