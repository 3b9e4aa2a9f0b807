// The widget's programmable face: the 30 Q_PROPERTYs, their notifications, the generic
// accessors and what happens to texts no field should take.
#include "control/properties.h"

#include <QLineEdit>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include "control/identity.h"
#include "control/vyx.h"
#include "widget_harness.h"

using vyx::Field;
using vyx::test::Shown;

namespace {

QString Str(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

int MetaTypeOf(vyx::PropType t) {
  switch (t) {
    case vyx::PropType::String:
      return QMetaType::QString;
    case vyx::PropType::Boolean:
      return QMetaType::Bool;
    case vyx::PropType::Integer:
      return QMetaType::Short;  // qint16
  }
  return QMetaType::UnknownType;
}

}  // namespace

class PropertiesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void everyPropertyUnderItsExactNameAndTypeInOrder() {
    const QMetaObject& meta = VyxWidget::staticMetaObject;
    const int first = meta.propertyOffset();
    QCOMPARE(meta.propertyCount() - first, 30);
    const char* names[] = {"CommPort", "CommStatus", "MicroAddress", "MicroStatus", "UpdateCmd",
                           "ClearCmd", "IDstring",   "Vrefvolt",     "AD0volt",     "AD1volt",
                           "AD2volt",  "AD3volt",    "AD4volt",      "DITinterval", "FWver",
                           "DIFcount", "PWMduty",    "DPWduty",      "DOGduty",     "DONstate",
                           "DOEstate", "DOKstate",   "DOSstate",     "DINstate",    "DISstate",
                           "RSTstate", "DIFstate",   "DITstate",     "ZeroCmd",     "CLKtime"};
    for (int i = 0; i < 30; ++i) {
      const QMetaProperty p = meta.property(first + i);
      const vyx::PropertySpec& spec = vyx::kProperties[static_cast<std::size_t>(i)];
      QCOMPARE(p.name(), names[i]);
      QCOMPARE(QByteArray(p.name()), QByteArray(spec.name.data(), qsizetype(spec.name.size())));
      QCOMPARE(p.metaType().id(), MetaTypeOf(spec.type));
      QVERIFY2(p.isReadable() && p.isWritable() && p.hasNotifySignal(), p.name());
    }
  }

  void identityInClassInfo() {
    const QMetaObject& meta = VyxWidget::staticMetaObject;
    auto info = [&](const char* key) {
      const int i = meta.indexOfClassInfo(key);
      return i < 0 ? QString() : QString::fromLatin1(meta.classInfo(i).value());
    };
    QCOMPARE(info("Version"), Str(vyx::identity::kVersion));
    QCOMPARE(info("Interface"), Str(vyx::identity::kInterfaceName));
    QCOMPARE(info("EventInterface"), Str(vyx::identity::kEventInterfaceName));
    QCOMPARE(info("TypeLibrary"), Str(vyx::identity::kLibraryName));
    QCOMPARE(info("Description"), Str(vyx::identity::kLibraryDescription));
    QCOMPARE(info("ClassID"), "{" + Str(vyx::identity::kClassId) + "}");
    QCOMPARE(info("InterfaceID"), "{" + Str(vyx::identity::kInterfaceId) + "}");
    QCOMPARE(info("EventsID"), "{" + Str(vyx::identity::kEventInterfaceId) + "}");
    QCOMPARE(info("TypeLibraryID"), "{" + Str(vyx::identity::kLibraryId) + "}");
  }

  void aSetNotifiesOnceAndReachesThePanel() {
    VyxWidget w;
    QSignalSpy changed(&w, &VyxWidget::propertyChanged);
    QSignalSpy pwmChanged(&w, &VyxWidget::PWMdutyChanged);
    QVERIFY(w.setProperty("PWMduty", QStringLiteral("55")));
    QCOMPARE(w.PWMduty(), QStringLiteral("55"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("PWMduty"));
    QCOMPARE(pwmChanged.count(), 1);
    QCOMPARE(Shown<QLineEdit>(w, Field::BufPWM)->text(), QStringLiteral("55"));
    // The store's write into the buffer is not an operator's edit.
    QVERIFY(!w.component().Focused().has_value());
    QVERIFY(!w.component().Internals().PWMEditing);

    // Setting the same value again changes nothing but is still a completed set.
    w.setPWMduty(QStringLiteral("55"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(pwmChanged.count(), 1);
  }

  void commandsReadFalseAndIntegersAreSixteenBit() {
    VyxWidget w;
    QSignalSpy changed(&w, &VyxWidget::propertyChanged);
    w.setZeroCmd(true);
    QCOMPARE(w.ZeroCmd(), false);
    QCOMPARE(w.PWMduty(), QStringLiteral("0"));
    QCOMPARE(changed.count(), 1);
    w.setDONstate(1);
    QCOMPARE(w.propertyValue(QStringLiteral("DONstate")), QVariant::fromValue<qint16>(1));
    QCOMPARE(w.propertyValue(QStringLiteral("UpdateCmd")), QVariant(false));
    QVERIFY(!w.propertyValue(QStringLiteral("NoSuch")).isValid());
  }

  void refusedSetsSayWhyAndChangeNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("unknown name") << "PWMDuty" << QVariant(QStringLiteral("1")) << "PWMDuty";
    QTest::newRow("state not a number")
        << "DONstate" << QVariant(QStringLiteral("abc")) << "DONstate";
    QTest::newRow("state beyond 16 bits") << "DONstate" << QVariant(40000) << "DONstate";
    QTest::newRow("state a box cannot show") << "DONstate" << QVariant(2) << "DONstate";
    QTest::newRow("command from a list")
        << "UpdateCmd" << QVariant(QStringList{"a"}) << "UpdateCmd";
    QTest::newRow("no value at all") << "IDstring" << QVariant() << "IDstring";
    QTest::newRow("text longer than a field holds")
        << "AD0volt" << QVariant(QString(70000, QLatin1Char('x'))) << "70000";
    QTest::newRow("short in characters, long in bytes")
        << "IDstring" << QVariant(QString(30000, QChar(0x20AC))) << "90000";
  }
  void refusedSetsSayWhyAndChangeNothing() {
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(QString, mentions);
    VyxWidget w;
    const QVariant before = w.propertyValue(name);
    QSignalSpy changed(&w, &VyxWidget::propertyChanged);
    QString error;
    QVERIFY(!w.setPropertyValue(name, value, &error));
    QVERIFY2(error.contains(mentions), qPrintable(error));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(w.propertyValue(name), before);
  }

  void valuesConvertLikeAHostExpects() {
    VyxWidget w;
    QString error;
    QVERIFY2(w.setPropertyValue(QStringLiteral("DONstate"), QStringLiteral(" 1 "), &error),
             qPrintable(error));
    QCOMPARE(w.DONstate(), qint16{1});
    QVERIFY(w.setPropertyValue(QStringLiteral("DONstate"), 0.0));
    QCOMPARE(w.DONstate(), qint16{0});
    QVERIFY(w.setPropertyValue(QStringLiteral("PWMduty"), 12.5));
    QCOMPARE(w.PWMduty(), QStringLiteral("12.5"));
    QVERIFY(w.setPropertyValue(QStringLiteral("ZeroCmd"), -1));
    QCOMPARE(w.PWMduty(), QStringLiteral("0"));
    // The Q_PROPERTY setter drops a refusal: the box keeps its state.
    w.setDOSstate(5);
    QCOMPARE(w.DOSstate(), qint16{0});
  }

  void textsOfAnyContentRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("non-ASCII") << QStringLiteral("Zähler € ΩΩ 中");
    QTest::newRow("embedded NUL") << QString::fromUtf16(u"a\0b", 3);
    QTest::newRow("markup") << QStringLiteral("<b>&amp;</b>");
    QTest::newRow("the longest a field takes") << QString(65535, QLatin1Char('7'));
  }
  void textsOfAnyContentRoundTrip() {
    QFETCH(QString, text);
    VyxWidget w;
    QString error;
    QVERIFY2(w.setPropertyValue(QStringLiteral("IDstring"), text, &error), qPrintable(error));
    QCOMPARE(w.IDstring(), text);
    QCOMPARE(Shown<QLineEdit>(w, Field::BufName)->text(), text);
    w.setAD0volt(text);
    QCOMPARE(w.AD0volt(), text);
    QCOMPARE(Shown<QLineEdit>(w, Field::TxtAD0)->text(), text);
  }
};

QTEST_MAIN(PropertiesTest)
#include "properties_test.moc"
