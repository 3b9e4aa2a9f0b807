#include "panel_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <algorithm>
#include <string>
#include <vector>

#include "control/properties.h"
#include "control/vyx.h"
#include "panel_colors.h"
#include "panel_layout.h"

Q_LOGGING_CATEGORY(lcPanel, "vyx.panel", QtWarningMsg)

namespace vyx::qt {
namespace {

constexpr int kEnterKeyCode = 13;

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

bool IsEditBuffer(Field f) { return NameOf(f).starts_with("Buf"); }

// What the operator sees: the frame and everything inside it.
bool IsShown(Field f) { return f == Field::FraMain || SpecOf(f).container == Container::Frame; }

// Every control takes the keyboard, readings and input states too, so that a keyboard or
// screen-reader user reaches each one; only the captions do not.
bool IsControl(Field f) {
  const FieldKind kind = SpecOf(f).kind;
  return kind == FieldKind::Command || kind == FieldKind::List || kind == FieldKind::Check ||
         kind == FieldKind::Text;
}

// What a screen reader calls a control: the caption of the label that names it on the
// panel, else a button's own caption, else its tip. Without a name Qt would read the
// frame's title for every one of them.
std::string AccessibleName(Field f) {
  if (const auto label = LabelOf(f)) return std::string(SpecOf(*label).start);
  if (SpecOf(f).kind == FieldKind::Command) return std::string(SpecOf(f).start);
  return std::string(SpecOf(f).tip);
}

// Where a field is drawn. A list's height follows its font, not the table: its 315 twips
// run into a list in the row below, so it stops where that one starts.
TwipRect DrawnRect(Field f) {
  TwipRect r = SpecOf(f).rect;
  if (SpecOf(f).kind != FieldKind::List) return r;
  for (int i = 0; i < kFieldCount; ++i) {
    const auto g = static_cast<Field>(i);
    const FieldSpec& other = SpecOf(g);
    if (g == f || !IsShown(g) || other.container != SpecOf(f).container) continue;
    const bool sideBySide =
        other.rect.left < r.left + r.width && r.left < other.rect.left + other.rect.width;
    if (sideBySide && other.rect.top > r.top) r.height = std::min(r.height, other.rect.top - r.top);
  }
  return r;
}

void Report(Field f, const char* action, const Status& status) {
  if (!status.ok()) {
    const std::string_view name = NameOf(f);
    qCDebug(lcPanel) << action << "on" << QString::fromUtf8(name.data(), qsizetype(name.size()))
                     << "refused:" << FromStd(status.message());
  }
}

}  // namespace

PanelView::PanelView(Vyx& component, QWidget* parent) : QWidget(parent), vyx_(component) {
  build();
  applyFonts();
  placeFields();
  nameByLabels();
  mirrorAll();
}

PanelView::~PanelView() {
  // Children die after this body; their last focus-out must not reach the component.
  for (QWidget* w : widgets_) {
    if (w) w->removeEventFilter(this);
  }
}

void PanelView::build() {
  frame_ = new QGroupBox(this);
  widgets_[static_cast<std::size_t>(Field::FraMain)] = frame_;
  frame_->setToolTip(FromStd(std::string(SpecOf(Field::FraMain).tip)));

  // Made in the order the panel reads, top to bottom and left to right: Qt's focus chain,
  // and a screen reader's walk through the children, follow the order of creation. The
  // table's own tab numbers jump about the panel.
  std::vector<Field> reading;
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    if (f != Field::FraMain && IsShown(f)) reading.push_back(f);
  }
  std::stable_sort(reading.begin(), reading.end(), ReadsBefore);
  for (const Field f : reading) {
    const FieldSpec& spec = SpecOf(f);
    QWidget* w = nullptr;
    switch (spec.kind) {
      case FieldKind::Command: {
        auto* button = new QPushButton(FromStd(std::string(spec.start)), frame_);
        connect(button, &QPushButton::clicked, this, [this, f] { operatorClicked(f); });
        w = button;
        break;
      }
      case FieldKind::List: {
        auto* list = new QComboBox(frame_);
        connect(list, &QComboBox::activated, this,
                [this, f](int index) { operatorClicked(f, index); });
        w = list;
        break;
      }
      case FieldKind::Check: {
        // The box alone: the table makes it too narrow for its caption, and the label to
        // its left names the bit.
        auto* box = new QCheckBox(frame_);
        connect(box, &QCheckBox::clicked, this, [this, f] { operatorClicked(f); });
        w = box;
        break;
      }
      case FieldKind::Text: {
        auto* edit = new QLineEdit(frame_);
        edit->setMaxLength(static_cast<int>(kMaxTextBytes));
        if (IsEditBuffer(f)) {
          // textEdited, not textChanged: the store's own writes must not come back as edits.
          connect(edit, &QLineEdit::textEdited, this,
                  [this, f](const QString& text) { operatorTyped(f, text); });
        } else {
          edit->setReadOnly(true);
        }
        w = edit;
        break;
      }
      case FieldKind::Label: {
        auto* label = new QLabel(frame_);
        label->setTextFormat(Qt::PlainText);  // a caption set by the host is never markup
        label->setAutoFillBackground(false);
        w = label;
        break;
      }
      case FieldKind::Frame:
      case FieldKind::Serial:
      case FieldKind::Timer:
        break;
    }
    if (!w) continue;
    w->setObjectName(FromStd(std::string(spec.name)));
    if (!spec.tip.empty()) w->setToolTip(FromStd(std::string(spec.tip)));
    if (IsControl(f)) {
      w->setAccessibleName(FromStd(AccessibleName(f)));
      w->setAccessibleDescription(FromStd(std::string(spec.tip)));
    }
    widgets_[static_cast<std::size_t>(f)] = w;
    watch(f, w);
  }
  frame_->setObjectName(QStringLiteral("FraMain"));
  setObjectName(QStringLiteral("UserControl"));
}

void PanelView::watch(Field field, QWidget* widget) {
  if (SpecOf(field).kind != FieldKind::Label) widget->installEventFilter(this);
}

void PanelView::applyFonts() {
  frame_->setFont(PanelFont(font(), SpecOf(Field::FraMain).bold));
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    QWidget* w = widgets_[static_cast<std::size_t>(f)];
    if (!w || f == Field::FraMain) continue;
    if (SpecOf(f).kind == FieldKind::Label) {
      mirrorLabel(f);  // a label's weight is its emphasis, and its size fits its caption
    } else {
      w->setFont(PanelFont(font(), false));
    }
  }
}

void PanelView::placeFields() {
  const double dpiX = logicalDpiX();
  const double dpiY = logicalDpiY();
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    if (QWidget* w = widgets_[static_cast<std::size_t>(f)]) {
      // Frame children are placed in the frame, which starts at the panel's origin.
      w->setGeometry(TwipsToPixels(DrawnRect(f), dpiX, dpiY));
    }
  }
  updateGeometry();
}

void PanelView::nameByLabels() {
  // The caption beside a control labels it for assistive tools too ("labelled by"), which
  // is where some of them look for a list's name.
  for (int i = 0; i < kFieldCount; ++i) {
    const auto f = static_cast<Field>(i);
    const auto label = LabelOf(f);
    if (!widgetOf(f) || !IsControl(f) || !label || !widgetOf(*label)) continue;
    static_cast<QLabel*>(widgetOf(*label))->setBuddy(widgetOf(f));
  }
}

QSize PanelView::sizeHint() const {
  return TwipsToPixels(kPanelSurface, logicalDpiX(), logicalDpiY()).size();
}

QWidget* PanelView::widgetOf(Field field) const {
  return widgets_[static_cast<std::size_t>(field)];
}

std::optional<Field> PanelView::fieldOf(const QObject* widget) const {
  for (int i = 0; i < kFieldCount; ++i) {
    if (widgets_[static_cast<std::size_t>(i)] == widget) return static_cast<Field>(i);
  }
  return std::nullopt;
}

void PanelView::mirrorAll() {
  for (int i = 0; i < kFieldCount; ++i) mirror(static_cast<Field>(i));
}

void PanelView::mirror(Field field) {
  QWidget* w = widgetOf(field);
  if (!w) return;
  const FieldStore& store = vyx_.Fields();
  switch (SpecOf(field).kind) {
    case FieldKind::Frame:
      frame_->setTitle(FromStd(store.Caption(field)));
      break;
    case FieldKind::Text: {
      auto* edit = static_cast<QLineEdit*>(w);
      const QString text = FromStd(store.Text(field));
      // Equal text is left alone, so that the operator's cursor stays where it is.
      if (edit->text() != text) {
        edit->setText(text);
        if (!edit->hasFocus()) edit->setCursorPosition(0);
      }
      break;
    }
    case FieldKind::Label:
      mirrorLabel(field);
      break;
    case FieldKind::Check:
      static_cast<QCheckBox*>(w)->setChecked(store.State(field) == 1);
      break;
    case FieldKind::List: {
      auto* list = static_cast<QComboBox*>(w);
      const auto& entries = store.Entries(field);
      bool same = list->count() == static_cast<int>(entries.size());
      for (int i = 0; same && i < list->count(); ++i) {
        same = list->itemText(i) == FromStd(entries[static_cast<std::size_t>(i)]);
      }
      if (!same) {
        list->clear();
        for (const std::string& e : entries) list->addItem(FromStd(e));
      }
      list->setCurrentIndex(store.Selected(field));
      break;
    }
    case FieldKind::Command:
    case FieldKind::Serial:
    case FieldKind::Timer:
      break;
  }
}

void PanelView::mirrorLabel(Field field) {
  auto* label = static_cast<QLabel*>(widgetOf(field));
  const FieldStore& store = vyx_.Fields();
  const QString caption = FromStd(store.Caption(field));
  label->setText(caption);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, PanelColor(store.Color(field), palette()));
  label->setPalette(pal);
  const QSize box = TwipsToPixels(SpecOf(field).rect, logicalDpiX(), logicalDpiY()).size();
  label->setFont(
      FitFont(PanelFont(font(), SpecOf(field).bold || store.Emphasis(field)), caption, box));
}

bool PanelView::eventFilter(QObject* watched, QEvent* event) {
  const auto field = fieldOf(watched);
  if (!field) return QWidget::eventFilter(watched, event);

  switch (event->type()) {
    case QEvent::FocusIn:
      if (vyx_.Focused() != field) focusMovedTo(field);
      break;
    case QEvent::FocusOut: {
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      // A popup or another window takes the keyboard for a while; the field keeps the focus.
      if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) break;
      if (vyx_.Focused() != field) break;  // the component has already moved it
      // Qt names the new focus widget before it sends the focus-out.
      focusMovedTo(fieldOf(QApplication::focusWidget()));
      break;
    }
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key != Qt::Key_Return && key != Qt::Key_Enter) break;
      if (SpecOf(*field).kind == FieldKind::Command) {
        operatorClicked(*field);
        return true;
      }
      if (IsEditBuffer(*field)) {
        operatorPressedEnter(*field);
        return true;  // Enter ends here: a dialog around the host must not see it
      }
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void PanelView::focusMovedTo(std::optional<Field> field) {
  // A reading takes the Qt focus, so that its text can be copied, but not the component's:
  // for the component the focus has simply left the panel's edit boxes.
  if (field && vyx_.Focus(field).ok()) return;
  Report(field.value_or(Field::FraMain), "focus", vyx_.Focus(std::nullopt));
}

void PanelView::operatorTyped(Field field, const QString& text) {
  if (vyx_.Focused() != field) focusMovedTo(field);
  const Status typed = vyx_.Type(text.toStdString());
  Report(field, "typing", typed);
  if (!typed.ok()) mirror(field);  // show what the store kept
  followFocus();
}

void PanelView::operatorPressedEnter(Field field) {
  if (vyx_.Focused() != field) focusMovedTo(field);
  Report(field, "Enter", vyx_.KeyDown(kEnterKeyCode));
  followFocus();
}

void PanelView::operatorClicked(Field field, int index) {
  Report(field, "click", vyx_.Click(field, index));
  // A refused click or pick must not leave the widget showing what the store does not hold.
  mirror(field);
  followFocus();
}

void PanelView::followFocus() {
  const auto focused = vyx_.Focused();
  if (!focused) return;
  QWidget* w = widgetOf(*focused);
  if (w && !w->hasFocus() && w->isVisible()) w->setFocus(Qt::OtherFocusReason);
}

void PanelView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    applyFonts();
  } else if (event->type() == QEvent::PaletteChange) {
    // System colours follow the palette.
    for (int i = 0; i < kFieldCount; ++i) {
      const auto f = static_cast<Field>(i);
      if (widgetOf(f) && SpecOf(f).kind == FieldKind::Label) mirrorLabel(f);
    }
  }
}

void PanelView::showEvent(QShowEvent* event) {
  // The screen, and with it the logical DPI, is known for certain only now.
  placeFields();
  applyFonts();
  QWidget::showEvent(event);
}

}  // namespace vyx::qt
