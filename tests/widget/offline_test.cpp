// The widget with no board, as the operator and a host's code see it: edits, clicks and list
// picks, the layout for eyes, keys and screen readers; values set by name and their
// notifications; properties saved to and restored from an INI document.
#include <functional>

#include "platform/port_map.h"
#include "settings_bag.h"
#include "widget_harness.h"

using vyx::Field;
using vyx::test::ShowActive;
using vyx::test::Shown;

class OfflineTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString ini_ = dir_.filePath(QStringLiteral("host.ini"));

  QByteArray document() const {
    QFile f(ini_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  bool inBag(const std::function<bool(vyx::documents::SettingsBag&)>& use) const {
    QSettings settings(ini_, QSettings::IniFormat);
    vyx::documents::SettingsBag bag(settings, QStringLiteral("Panel1"));
    return use(bag) && bag.Sync().ok();
  }

 private Q_SLOTS:
  // Focus that leaves an edit buffer for a reading or a control outside the panel takes its
  // value (Enter and Tab are tried against the board) and starts no update.
  void leavingABufferTakesItsValue_data() {
    QTest::addColumn<bool>("toAReading");
    QTest::newRow("a click on a reading") << true;
    QTest::newRow("a control outside the panel") << false;
  }
  void leavingABufferTakesItsValue() {
    QFETCH(bool, toAReading);
    QWidget window;
    auto* w = new VyxWidget(&window);
    auto* outside = new QLineEdit(&window);
    outside->move(200, 0);
    QVERIFY(ShowActive(window));
    QSignalSpy newData(w, &VyxWidget::NewData);
    auto* name = Shown<QLineEdit>(*w, Field::BufName);
    QTest::mouseClick(name, Qt::LeftButton);
    QCOMPARE(w->component().Focused(), Field::BufName);
    QTest::keyClicks(name, QStringLiteral("probe-7"));
    QCOMPARE(w->component().Fields().Text(Field::BufName), std::string("probe-7"));
    QCOMPARE(w->IDstring(), QString());  // the value moves only when the buffer is left
    if (toAReading) QTest::mouseClick(Shown(*w, Field::TxtAD1), Qt::LeftButton);
    if (!toAReading) outside->setFocus(Qt::MouseFocusReason);
    QCOMPARE(w->IDstring(), QStringLiteral("probe-7"));
    QVERIFY(!w->component().Focused() && !name->hasFocus());
    QVERIFY(!w->component().UpdateInProgress() && newData.isEmpty());
  }

  void checkBoxesButtonsAndListsDoWhatTheySay() {
    VyxWidget w;
    QVERIFY(w.portMap().Set(1, "/nonexistent/tty-vyx-widget-test").ok());
    QVERIFY(ShowActive(w));
    QSignalSpy donChanged(&w, &VyxWidget::DONstateChanged);
    QTest::mouseClick(Shown(w, Field::ChkDON), Qt::LeftButton);
    QVERIFY(w.DONstate() == 1 && donChanged.count() == 1);
    w.setDOGduty(QStringLiteral("7"));
    QTest::mouseClick(Shown(w, Field::CmdZero), Qt::LeftButton);
    QCOMPARE(w.DOGduty() + Shown<QLineEdit>(w, Field::BufDOG)->text(), QStringLiteral("00"));
    QVERIFY(!Shown<QCheckBox>(w, Field::ChkDON)->isChecked());

    auto* micro = Shown<QComboBox>(w, Field::CmbMicro);
    micro->setFocus(Qt::TabFocusReason);
    QTest::keyClick(micro, Qt::Key_Down);
    QCOMPARE(w.MicroAddress(), QStringLiteral("1"));
    w.setMicroAddress(QStringLiteral("3"));
    QCOMPARE(micro->currentText(), QStringLiteral("Addr3"));
    // A port that will not open leaves the panel offline, in bold red, with the reason.
    auto* comm = Shown<QComboBox>(w, Field::CmbComm);
    comm->setFocus(Qt::TabFocusReason);
    QTest::keyClick(comm, Qt::Key_Down);
    QCOMPARE(w.CommStatus() + comm->currentText(), QStringLiteral("OfflineNoCom"));
    auto* label = Shown<QLabel>(w, Field::LblComm);
    QVERIFY(label->palette().color(QPalette::WindowText) == Qt::red && label->font().bold());
    QVERIFY(w.portError().contains(QStringLiteral("/nonexistent/tty-vyx-widget-test")));
  }

  // Every control fits the panel and the lists cover no other; Tab reaches each once and round
  // again; a screen reader gets a name and the tip.
  void controlsAreLaidOutForEyesKeysAndReaders() {
    VyxWidget w;
    QVERIFY(ShowActive(w));
    w.setFocus(Qt::TabFocusReason);
    QList<QWidget*> visited;
    for (QWidget* at = QApplication::focusWidget(); at && !visited.contains(at);
         at = QApplication::focusWidget()) {
      visited << at;
      QTest::keyClick(at, Qt::Key_Tab);
    }
    QCOMPARE(visited.size(), 27);  // 2 lists, 13 boxes of text, 9 check boxes, 3 buttons
    const auto place = [&](QWidget* c) { return QRect(c->mapTo(w.panel(), QPoint()), c->size()); };
    for (qsizetype i = 0; i < visited.size(); ++i) {
      const QRect at = place(visited[i]);
      QVERIFY2(w.panel()->rect().contains(at), qPrintable(visited[i]->objectName()));
      for (qsizetype j = 0; j < i; ++j) {
        const bool list =
            qobject_cast<QComboBox*>(visited[i]) || qobject_cast<QComboBox*>(visited[j]);
        QVERIFY2(!list || !at.intersects(place(visited[j])), qPrintable(visited[i]->objectName()));
      }
      QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(visited[i]);
      QVERIFY(!reader->text(QAccessible::Name).isEmpty() && !visited[i]->toolTip().isEmpty());
      QCOMPARE(reader->text(QAccessible::Description), visited[i]->toolTip());
    }
  }
  // A value set by name converts to the property's type, notifies once and reaches the panel,
  // or is refused with the reason, and then nothing changes and nothing is notified.
  void valuesSetByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected");  // read back by name
    QTest::addColumn<QString>("refusal");    // what the error names; empty: accepted
    const QVariant s1 = QVariant::fromValue<qint16>(1), s0 = QVariant::fromValue<qint16>(0);
    const QString nul = QString::fromUtf16(u"a\0b", 3);
    QTest::newRow("text from a number") << "PWMduty" << QVariant(12.5) << QVariant("12.5") << "";
    QTest::newRow("embedded NUL") << "IDstring" << QVariant(nul) << QVariant(nul) << "";
    QTest::newRow("state from a text") << "DONstate" << QVariant(" 1 ") << s1 << "";
    QTest::newRow("command -1 runs, reads false")
        << "ZeroCmd" << QVariant(-1) << QVariant(false) << "";
    QTest::newRow("unknown name") << "PWMDuty" << QVariant("1") << QVariant() << "PWMDuty";
    QTest::newRow("state not a number") << "DONstate" << QVariant("abc") << s0 << "DONstate";
    QTest::newRow("state beyond 16 bits") << "DONstate" << QVariant(40000) << s0 << "32767";
    QTest::newRow("state a box cannot show") << "DONstate" << QVariant(2) << s0 << "DONstate";
    QTest::newRow("state not whole") << "DONstate" << QVariant(0.5) << s0 << "not a whole number";
    QTest::newRow("Boolean not whole") << "ClearCmd" << QVariant(0.5) << QVariant(false) << "0.5";
    QTest::newRow("no such kind") << "IDstring" << QVariant(QPoint(1, 2)) << QVariant("")
                                  << "QPoint";
    QTest::newRow("too long for a field")
        << "AD0volt" << QVariant(QString(70000, u'x')) << QVariant("") << "70000";
    QTest::newRow("short in characters, long in bytes")
        << "IDstring" << QVariant(QString(30000, QChar(0x20AC))) << QVariant("") << "90000";
  }
  void valuesSetByName() {
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(QVariant, expected);
    QFETCH(QString, refusal);
    VyxWidget w;
    w.setPWMduty(QStringLiteral("40"));
    QSignalSpy changed(&w, &VyxWidget::propertyChanged);
    QSignalSpy pwmChanged(&w, &VyxWidget::PWMdutyChanged);
    QString error;
    QCOMPARE(w.setPropertyValue(name, value, &error), refusal.isEmpty());
    QVERIFY2(error.contains(refusal), qPrintable(error));
    QCOMPARE(changed.count(), refusal.isEmpty() ? 1 : 0);
    QCOMPARE(w.propertyValue(name), expected);
    const bool pwm = name == "ZeroCmd" || name == "PWMduty";
    QCOMPARE(w.PWMduty(), name == "ZeroCmd" ? "0" : pwm ? expected.toString() : "40");
    QCOMPARE(pwmChanged.count(), pwm ? 1 : 0);
    const vyx::Field shown = name == "IDstring" ? Field::BufName : Field::BufPWM;
    QCOMPARE(Shown<QLineEdit>(w, shown)->text(), name == "IDstring" ? w.IDstring() : w.PWMduty());
    // The same value again is a completed set, but no change.
    w.setPWMduty(w.PWMduty());
    QCOMPARE(pwmChanged.count(), pwm ? 1 : 0);
  }

  void aSavedSetComesBackWholeAndSavesTheSame() {
    VyxWidget w, back;
    w.setIDstring(QStringLiteral("Zähler €1"));
    w.setAD0volt(QStringLiteral("1,5"));  // a comma an INI file could take for a list
    w.setAD3volt(QStringLiteral("  spaced  "));
    w.setDOGduty(QStringLiteral("007"));
    w.setDONstate(1);
    w.setCLKtime(QStringLiteral("12.2500"));
    w.setMicroStatus(QStringLiteral("Busy"));
    QVERIFY(inBag([&](auto& bag) { return w.save(bag); }));
    const QByteArray saved = document();
    QString error;
    QVERIFY2(inBag([&](auto& bag) { return back.restore(bag, &error); }), qPrintable(error));
    for (int i = VyxWidget::staticMetaObject.propertyOffset(); i < w.metaObject()->propertyCount();
         ++i) {
      const char* name = w.metaObject()->property(i).name();
      QVERIFY2(back.property(name) == w.property(name), name);
    }
    ini_ = dir_.filePath(QStringLiteral("again.ini"));
    QVERIFY(inBag([&](auto& bag) { return back.save(bag); }));
    QCOMPARE(document(), saved);
  }

  // A restore stops at the first value no field takes: the keys before it are restored, the
  // rest untouched, the error names the key and the document is left as it was.
  void aRefusedRestoreNamesTheKeyAndLosesNothing_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("DONstate") << QByteArray("DONstate=abc");
    QTest::newRow("RSTstate") << QByteArray("RSTstate=70000");
    QTest::newRow("UpdateCmd") << QByteArray("UpdateCmd=maybe");
  }
  void aRefusedRestoreNamesTheKeyAndLosesNothing() {
    QFETCH(QByteArray, line);
    const QByteArray doc = "[Panel1]\nCommStatus=Kept\n" + line + "\nCLKtime=99\n";
    ini_ = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".ini"));
    QFile f(ini_);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(doc) == doc.size());
    f.close();
    VyxWidget w;
    QString error;
    QVERIFY(!inBag([&](auto& bag) { return w.restore(bag, &error); }));
    QVERIFY2(error.contains(QString::fromLatin1(QTest::currentDataTag())), qPrintable(error));
    QCOMPARE(w.CommStatus(), QStringLiteral("Kept"));
    QVERIFY(w.CLKtime() != QStringLiteral("99"));
    QCOMPARE(document(), doc);
  }
};

QTEST_MAIN(OfflineTest)
#include "offline_test.moc"
