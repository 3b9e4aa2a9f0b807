// The operator's hands on the panel, with no board: focus, typing, Enter, Tab, check boxes,
// buttons and list picks reach the component, and the panel shows what the store holds.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "control/vyx.h"
#include "platform/port_map.h"
#include "widget_harness.h"

using vyx::Field;
using vyx::test::ShowActive;
using vyx::test::Shown;

class OperatorTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void typingAndEnterMoveTheFocusToUpdateAndStartNothing() {
    VyxWidget w;
    QVERIFY(ShowActive(w));
    QSignalSpy newData(&w, &VyxWidget::NewData);
    auto* pwm = Shown<QLineEdit>(w, Field::BufPWM);
    QTest::mouseClick(pwm, Qt::LeftButton);
    QCOMPARE(w.component().Focused(), Field::BufPWM);
    QVERIFY(w.component().Internals().PWMEditing);

    QTest::keyClicks(pwm, QStringLiteral("55"));
    QCOMPARE(w.component().Fields().Text(Field::BufPWM), std::string("55"));
    QCOMPARE(w.PWMduty(), QString());  // the value moves only when the buffer is left

    QTest::keyClick(pwm, Qt::Key_Return);
    QCOMPARE(w.component().Focused(), Field::CmdUpdate);
    QVERIFY(Shown(w, Field::CmdUpdate)->hasFocus());
    QCOMPARE(w.PWMduty(), QStringLiteral("55"));
    QVERIFY(w.component().Internals().PWMPending);
    QVERIFY(!w.component().Internals().PWMEditing);
    QVERIFY(!w.component().UpdateInProgress());
    QCOMPARE(w.MicroStatus(), QStringLiteral("Ready"));
    QCOMPARE(newData.count(), 0);
  }

  void tabbingOutOfABufferRunsItsLeaveRule() {
    VyxWidget w;
    QVERIFY(ShowActive(w));
    auto* name = Shown<QLineEdit>(w, Field::BufName);
    name->setFocus(Qt::TabFocusReason);
    QCOMPARE(w.component().Focused(), Field::BufName);
    QTest::keyClicks(name, QStringLiteral("probe-7"));
    QTest::keyClick(name, Qt::Key_Tab);
    QVERIFY(!name->hasFocus());
    QCOMPARE(w.IDstring(), QStringLiteral("probe-7"));
    QVERIFY(w.component().Internals().NamePending);
    // The next stop of the chain is the calibration buffer (tab 32 after 31).
    QVERIFY(Shown(w, Field::BufVref)->hasFocus());
    QCOMPARE(w.component().Focused(), Field::BufVref);
  }

  void focusLeavingThePanelRunsTheLeaveRule() {
    QWidget window;
    auto* w = new VyxWidget(&window);
    auto* outside = new QLineEdit(&window);
    outside->move(200, 0);
    QVERIFY(ShowActive(window));
    auto* dpw = Shown<QLineEdit>(*w, Field::BufDPW);
    QTest::mouseClick(dpw, Qt::LeftButton);
    QTest::keyClicks(dpw, QStringLiteral("12"));
    outside->setFocus(Qt::MouseFocusReason);
    QCOMPARE(w->DPWduty(), QStringLiteral("12"));
    QVERIFY(!w->component().Focused().has_value());
  }

  void clickingAReadingLeavesTheBuffer() {
    VyxWidget w;
    QVERIFY(ShowActive(w));
    auto* pwm = Shown<QLineEdit>(w, Field::BufPWM);
    QTest::mouseClick(pwm, Qt::LeftButton);
    QTest::keyClicks(pwm, QStringLiteral("30"));
    QTest::mouseClick(Shown(w, Field::TxtAD1), Qt::LeftButton);
    QVERIFY(Shown(w, Field::TxtAD1)->hasFocus());
    QCOMPARE(w.PWMduty(), QStringLiteral("30"));
    QVERIFY(!w.component().Internals().PWMEditing);
    QVERIFY(!w.component().Focused().has_value());
  }

  void checkBoxesAndButtonsClick() {
    VyxWidget w;
    QVERIFY(ShowActive(w));
    QSignalSpy donChanged(&w, &VyxWidget::DONstateChanged);
    auto* don = Shown<QCheckBox>(w, Field::ChkDON);
    QTest::mouseClick(don, Qt::LeftButton);
    QCOMPARE(w.DONstate(), qint16{1});
    QVERIFY(don->isChecked());
    QVERIFY(w.component().Internals().DOPending);
    QCOMPARE(donChanged.count(), 1);

    w.setPWMduty(QStringLiteral("40"));
    w.setDOGduty(QStringLiteral("7"));
    QTest::mouseClick(Shown(w, Field::CmdZero), Qt::LeftButton);
    QCOMPARE(w.PWMduty(), QStringLiteral("0"));
    QCOMPARE(w.DPWduty(), QStringLiteral("0"));
    QCOMPARE(w.DOGduty(), QStringLiteral("0"));
    QCOMPARE(w.DONstate(), qint16{0});
    QVERIFY(!don->isChecked());
    QCOMPARE(Shown<QLineEdit>(w, Field::BufPWM)->text(), QStringLiteral("0"));
    QCOMPARE(Shown<QLineEdit>(w, Field::BufDOG)->text(), QStringLiteral("0"));
    QCOMPARE(w.component().Focused(), Field::CmdZero);

    w.setIDstring(QStringLiteral("keep?"));
    w.setAD2volt(QStringLiteral("2.5000"));
    QTest::mouseClick(Shown(w, Field::CmdClear), Qt::LeftButton);
    QCOMPARE(w.IDstring(), QString());
    QCOMPARE(Shown<QLineEdit>(w, Field::TxtAD2)->text(), QString());
    QCOMPARE(Shown<QLabel>(w, Field::LblFW)->text(), QStringLiteral("NA"));
    QCOMPARE(w.MicroStatus(), QStringLiteral("Ready"));
  }

  void enterOnAFocusedButtonPressesIt() {
    VyxWidget w;
    QVERIFY(ShowActive(w));
    w.setPWMduty(QStringLiteral("40"));
    Shown(w, Field::CmdZero)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Shown(w, Field::CmdZero), Qt::Key_Return);
    QCOMPARE(w.PWMduty(), QStringLiteral("0"));
  }

  void pickingAnAddressSelectsIt() {
    VyxWidget w;
    QVERIFY(ShowActive(w));
    auto* micro = Shown<QComboBox>(w, Field::CmbMicro);
    micro->setFocus(Qt::TabFocusReason);
    QTest::keyClick(micro, Qt::Key_Down);
    QCOMPARE(w.MicroAddress(), QStringLiteral("1"));
    QCOMPARE(w.component().Internals().MicroIndex, 1);
    // And the list follows the property.
    w.setMicroAddress(QStringLiteral("3"));
    QCOMPARE(micro->currentText(), QStringLiteral("Addr3"));
  }

  void aPortThatWillNotOpenStaysOffline() {
    VyxWidget w;
    QVERIFY(w.portMap().Set(1, "/nonexistent/tty-vyx-widget-test").ok());
    QVERIFY(ShowActive(w));
    auto* comm = Shown<QComboBox>(w, Field::CmbComm);
    comm->setFocus(Qt::TabFocusReason);
    QTest::keyClick(comm, Qt::Key_Down);
    QCOMPARE(w.CommStatus(), QStringLiteral("Offline"));
    QCOMPARE(comm->currentText(), QStringLiteral("NoCom"));
    QCOMPARE(Shown<QLabel>(w, Field::LblComm)->palette().color(QPalette::WindowText),
             QColor(Qt::red));
  }
};

QTEST_MAIN(OperatorTest)
#include "operator_test.moc"
