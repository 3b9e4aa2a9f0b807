// The panel as the operator sees it: every field of the table at its place and size, its
// tip and caption, fonts, colours, the keyboard's tab chain and what a screen reader says.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "control/vyx.h"
#include "panel_colors.h"
#include "panel_layout.h"
#include "widget_harness.h"

using vyx::Field;
using vyx::FieldKind;
using vyx::SpecOf;
using vyx::test::Shown;

Q_DECLARE_METATYPE(vyx::Field)

namespace {

QString Str(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

bool ShownToOperator(Field f) {
  return f == Field::FraMain || SpecOf(f).container == vyx::Container::Frame;
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    VyxWidget probe;
    if (probe.logicalDpiX() != 96 || probe.logicalDpiY() != 96) {
      QSKIP("the table's pixel sizes hold at 96 DPI");
    }
  }

  void surfaceIsTheTablesPanel() {
    VyxWidget w;
    QCOMPARE(w.sizeHint(), QSize(137, 395));  // 2055 x 5925 twips
    w.resize(w.sizeHint());
    w.show();
    QCOMPARE(w.panel()->size(), QSize(137, 395));
  }

  void fieldsSitAtTheirTwips_data() {
    QTest::addColumn<Field>("field");
    QTest::addColumn<QRect>("pixels");
    for (int i = 0; i < vyx::kFieldCount; ++i) {
      const auto f = static_cast<Field>(i);
      if (!ShownToOperator(f)) continue;
      const vyx::TwipRect r = SpecOf(f).rect;
      // At 96 DPI a pixel is 15 twips, and every size in the table is a whole number of them.
      QRect px(r.left / 15, r.top / 15, r.width / 15, r.height / 15);
      // The port list's 315 twips would run 75 into the address list below it.
      if (f == Field::CmbComm) px.setHeight((480 - 240) / 15);
      QTest::newRow(SpecOf(f).name.data()) << f << px;
    }
  }
  void fieldsSitAtTheirTwips() {
    QFETCH(Field, field);
    QFETCH(QRect, pixels);
    VyxWidget w;
    w.show();
    QWidget* shown = Shown(w, field);
    QVERIFY(shown);
    QVERIFY(shown->isVisible());
    QCOMPARE(shown->geometry(), pixels);
    const QString tip = Str(SpecOf(field).tip);
    QCOMPARE(shown->toolTip(), tip);
  }

  void captionsAndKindsMatchTheTable() {
    VyxWidget w;
    for (int i = 0; i < vyx::kFieldCount; ++i) {
      const auto f = static_cast<Field>(i);
      const vyx::FieldSpec& spec = SpecOf(f);
      QWidget* shown = Shown(w, f);
      const QByteArray name(spec.name.data(), qsizetype(spec.name.size()));
      if (!ShownToOperator(f)) {
        QVERIFY2(!shown, name + " is under the frame or not drawn");
        continue;
      }
      switch (spec.kind) {
        case FieldKind::Frame:
          QCOMPARE(qobject_cast<QGroupBox*>(shown)->title(), QStringLiteral("Vyx 1.0"));
          break;
        case FieldKind::Command:
          QCOMPARE(qobject_cast<QPushButton*>(shown)->text(), Str(spec.start));
          break;
        case FieldKind::Check:
          QVERIFY2(qobject_cast<QCheckBox*>(shown)->text().isEmpty(), name + " shows its box only");
          break;
        case FieldKind::List:
          QVERIFY2(qobject_cast<QComboBox*>(shown), name);
          break;
        case FieldKind::Label:
          QCOMPARE(qobject_cast<QLabel*>(shown)->text(),
                   QString::fromStdString(w.component().Fields().Caption(f)));
          break;
        case FieldKind::Text: {
          auto* edit = qobject_cast<QLineEdit*>(shown);
          QVERIFY2(edit, name);
          // Readings are shown, edit buffers are typed into.
          QCOMPARE(edit->isReadOnly(), !spec.name.starts_with("Buf"));
          break;
        }
        default:
          QFAIL(name + " should not be drawn");
      }
    }
    QCOMPARE(Shown<QComboBox>(w, Field::CmbComm)->count(), 9);
    QCOMPARE(Shown<QComboBox>(w, Field::CmbComm)->currentText(), QStringLiteral("NoCom"));
    QCOMPARE(Shown<QComboBox>(w, Field::CmbMicro)->currentText(), QStringLiteral("Addr0"));
  }

  void listsCoverNothing() {
    VyxWidget w;
    w.show();
    for (Field list : {Field::CmbComm, Field::CmbMicro}) {
      for (int i = 0; i < vyx::kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        QWidget* other = Shown(w, f);
        if (!other || f == list || f == Field::FraMain) continue;
        QVERIFY2(!Shown(w, list)->geometry().intersects(other->geometry()), SpecOf(f).name.data());
      }
    }
  }

  void boldWhereTheTableSays() {
    VyxWidget w;
    w.show();
    QVERIFY(Shown(w, Field::FraMain)->font().bold());
    QVERIFY(Shown(w, Field::Label27)->font().bold());
    QVERIFY(!Shown<QLabel>(w, Field::Label27)->text().isEmpty());
    // The frame's bold caption is not its children's type.
    QVERIFY(!Shown(w, Field::Label2)->font().bold());
    QVERIFY(!Shown(w, Field::BufPWM)->font().bold());
    QVERIFY(!Shown(w, Field::CmdUpdate)->font().bold());
  }

  void captionsFitTheirBoxes() {
    VyxWidget w;
    w.show();
    for (int i = 0; i < vyx::kFieldCount; ++i) {
      const auto f = static_cast<Field>(i);
      auto* label = qobject_cast<QLabel*>(Shown(w, f));
      if (!label) continue;
      const QFontMetrics m(label->font());
      QVERIFY2(m.horizontalAdvance(label->text()) <= label->width(), SpecOf(f).name.data());
      QVERIFY2(m.height() <= label->height(), SpecOf(f).name.data());
    }
    for (Field f : {Field::CmdUpdate, Field::CmdClear, Field::CmdZero}) {
      auto* button = Shown<QPushButton>(w, f);
      QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(button->text()) < button->width(),
               SpecOf(f).name.data());
    }
  }

  void offlineLabelIsRedAndBold() {
    VyxWidget w;
    w.show();
    auto* comm = Shown<QLabel>(w, Field::LblComm);
    QCOMPARE(comm->text(), QStringLiteral("Offline"));
    QCOMPARE(comm->palette().color(QPalette::WindowText), QColor(Qt::red));
    QVERIFY(comm->font().bold());
    // A caption the host writes keeps the colour and weight the store holds.
    QVERIFY(w.setPropertyValue(QStringLiteral("CommStatus"), QStringLiteral("<b>x</b>")));
    QCOMPARE(comm->text(), QStringLiteral("<b>x</b>"));
    QCOMPARE(comm->textFormat(), Qt::PlainText);
    QCOMPARE(comm->palette().color(QPalette::WindowText), QColor(Qt::red));
  }

  void storedColoursBecomeQtColours_data() {
    QTest::addColumn<quint32>("stored");
    QTest::addColumn<QColor>("expected");
    QPalette p;
    p.setColor(QPalette::ButtonText, QColor(1, 2, 3));
    p.setColor(QPalette::WindowText, QColor(4, 5, 6));
    QTest::newRow("plain red is the low byte") << quint32{0x000000FF} << QColor(255, 0, 0);
    QTest::newRow("plain green") << quint32{0x0000FF00} << QColor(0, 255, 0);
    QTest::newRow("plain blue is the third byte") << quint32{0x00FF0000} << QColor(0, 0, 255);
    QTest::newRow("mixed") << quint32{0x00336699} << QColor(0x99, 0x66, 0x33);
    QTest::newRow("system button text") << quint32{0x80000012} << QColor(1, 2, 3);
    QTest::newRow("system window text") << quint32{0x80000008} << QColor(4, 5, 6);
    QTest::newRow("unknown system index") << quint32{0x8000007F} << QColor(4, 5, 6);
  }
  void storedColoursBecomeQtColours() {
    QFETCH(quint32, stored);
    QFETCH(QColor, expected);
    QPalette p;
    p.setColor(QPalette::ButtonText, QColor(1, 2, 3));
    p.setColor(QPalette::WindowText, QColor(4, 5, 6));
    QCOMPARE(vyx::qt::PanelColor(stored, p), expected);
  }

  void twipsScaleWithTheDpi() {
    // At 144 DPI a pixel is 10 twips; touching fields still touch.
    const QRect a = vyx::qt::TwipsToPixels({120, 5400, 735, 255}, 144, 144);
    const QRect b = vyx::qt::TwipsToPixels({855, 5400, 615, 255}, 144, 144);
    QCOMPARE(a, QRect(12, 540, 74, 26));  // 73.5 and 25.5 pixels: edges round, sizes follow
    QCOMPARE(a.right() + 1, b.left());
  }

  // Tab reaches every control once, in the order the panel reads: top to bottom, then left
  // to right. Captions are not controls.
  void tabVisitsEveryControlInReadingOrder() {
    const QStringList reading{"CmbComm",   "CmbMicro", "BufName", "BufVref", "TxtAD0", "TxtAD1",
                              "TxtAD2",    "TxtAD3",   "TxtAD4",  "TxtDIT",  "BufDIF", "BufTime",
                              "BufPWM",    "BufDPW",   "BufDOG",  "ChkDON",  "ChkDOE", "ChkDOK",
                              "ChkDOS",    "ChkDIF",   "ChkDIT",  "ChkDIN",  "ChkDIS", "ChkRST",
                              "CmdUpdate", "CmdClear", "CmdZero"};
    VyxWidget w;
    QVERIFY(vyx::test::ShowActive(w));
    w.setFocus(Qt::TabFocusReason);  // the panel hands its focus to the port list
    QStringList visited;
    for (qsizetype i = 0; i <= reading.size(); ++i) {
      QWidget* at = QApplication::focusWidget();
      QVERIFY(at);
      visited << at->objectName();
      QTest::keyClick(at, Qt::Key_Tab);
    }
    QCOMPARE(visited.mid(0, reading.size()), reading);
    QCOMPARE(visited.back(), reading.front());  // and round again
  }

  // A screen reader names each control after the caption beside it (or its own caption, or
  // its tip where it has neither), and describes it with its tip.
  void everyControlHasAnAccessibleNameAndDescription_data() {
    QTest::addColumn<Field>("field");
    QTest::addColumn<QString>("name");
    const std::vector<std::pair<Field, const char*>> names{{Field::CmbComm, "Comm Port Selection"},
                                                           {Field::CmbMicro, "Micro Address"},
                                                           {Field::BufName, "ID"},
                                                           {Field::BufVref, "Vref"},
                                                           {Field::TxtAD0, "AD0"},
                                                           {Field::TxtAD1, "AD1"},
                                                           {Field::TxtAD2, "AD2"},
                                                           {Field::TxtAD3, "AD3"},
                                                           {Field::TxtAD4, "AD4"},
                                                           {Field::TxtDIT, "DIT"},
                                                           {Field::BufDIF, "DIF"},
                                                           {Field::BufTime, "CLK"},
                                                           {Field::BufPWM, "PWM"},
                                                           {Field::BufDPW, "DPW"},
                                                           {Field::BufDOG, "DOG"},
                                                           {Field::ChkDON, "DON"},
                                                           {Field::ChkDOE, "DOE"},
                                                           {Field::ChkDOK, "DOK"},
                                                           {Field::ChkDOS, "DOS"},
                                                           {Field::ChkDIF, "DIF"},
                                                           {Field::ChkDIT, "DIT"},
                                                           {Field::ChkDIN, "DIN"},
                                                           {Field::ChkDIS, "DIS"},
                                                           {Field::ChkRST, "RST"},
                                                           {Field::CmdUpdate, "Update"},
                                                           {Field::CmdClear, "Clear"},
                                                           {Field::CmdZero, "Zero"}};
    for (const auto& [field, name] : names)
      QTest::newRow(SpecOf(field).name.data()) << field << QString::fromLatin1(name);
  }
  void everyControlHasAnAccessibleNameAndDescription() {
    QFETCH(Field, field);
    QFETCH(QString, name);
    VyxWidget w;
    QWidget* shown = Shown(w, field);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(shown);
    QVERIFY(reader);
    QCOMPARE(reader->text(QAccessible::Description), Str(SpecOf(field).tip));
    QVERIFY(!reader->text(QAccessible::Name).contains(QStringLiteral("Vyx 1.0")));
#ifdef Q_OS_UNIX
    // Qt on Unix reads a list's chosen entry as its name, by design, and its purpose from a
    // label; the name set on the list is what other platforms read.
    if (auto* list = qobject_cast<QComboBox*>(shown)) {
      QCOMPARE(list->accessibleName(), name);
      QCOMPARE(reader->text(QAccessible::Name), list->currentText());
      return;
    }
#endif
    QCOMPARE(reader->text(QAccessible::Name), name);
  }
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
