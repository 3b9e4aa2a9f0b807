// Saving and restoring the properties through the QSettings bag, into a temporary INI file.
#include "control/persistence.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "control/vyx.h"
#include "settings_bag.h"
#include "vyx_widget.h"

namespace {

QByteArray Contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class PersistenceTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString ini() const { return dir_.filePath(QStringLiteral("host.ini")); }

 private Q_SLOTS:
  void init() { QFile::remove(ini()); }

  void aSavedSetComesBackWhole() {
    {
      VyxWidget w;
      w.setIDstring(QStringLiteral("Zähler €1"));
      w.setVrefvolt(QStringLiteral("5.0125"));
      w.setAD0volt(QStringLiteral("1,5"));  // a comma an INI file could take for a list
      w.setAD3volt(QStringLiteral("  spaced  "));
      w.setPWMduty(QStringLiteral("42.5"));
      w.setDOGduty(QStringLiteral("007"));
      w.setDONstate(1);
      w.setRSTstate(1);
      w.setDITstate(1);
      w.setCLKtime(QStringLiteral("12.2500"));
      w.setFWver(QStringLiteral("1.3"));
      w.setMicroStatus(QStringLiteral("Busy"));
      QSettings settings(ini(), QSettings::IniFormat);
      vyx::qt::SettingsBag bag(settings, QStringLiteral("Panel1"));
      QString error;
      QVERIFY2(w.save(bag, &error), qPrintable(error));
      QVERIFY(bag.Sync().ok());
    }
    VyxWidget saved;  // the same values, set again, to compare against
    {
      QSettings settings(ini(), QSettings::IniFormat);
      vyx::qt::SettingsBag bag(settings, QStringLiteral("Panel1"));
      QString error;
      QVERIFY2(saved.restore(bag, &error), qPrintable(error));
    }
    QCOMPARE(saved.IDstring(), QStringLiteral("Zähler €1"));
    QCOMPARE(saved.AD0volt(), QStringLiteral("1,5"));
    QCOMPARE(saved.AD3volt(), QStringLiteral("  spaced  "));
    QCOMPARE(saved.DOGduty(), QStringLiteral("007"));
    QCOMPARE(saved.DONstate(), qint16{1});
    QCOMPARE(saved.DITstate(), qint16{1});
    QCOMPARE(saved.CLKtime(), QStringLiteral("12.2500"));
    QCOMPARE(saved.MicroStatus(), QStringLiteral("Busy"));
    QCOMPARE(saved.CommPort(), QStringLiteral("0"));
    QCOMPARE(saved.CommStatus(), QStringLiteral("Offline"));

    // A second save of the restored instance writes the same document.
    const QString again = dir_.filePath(QStringLiteral("again.ini"));
    {
      QSettings settings(again, QSettings::IniFormat);
      vyx::qt::SettingsBag bag(settings, QStringLiteral("Panel1"));
      QVERIFY(saved.save(bag));
      QVERIFY(bag.Sync().ok());
    }
    QCOMPARE(Contents(again), Contents(ini()));
  }

  void aFailedRestoreLosesNothing() {
    {
      QSettings settings(ini(), QSettings::IniFormat);
      settings.beginGroup(QStringLiteral("Panel1"));
      settings.setValue(QStringLiteral("IDstring"), QStringLiteral("from-file"));
      settings.setValue(QStringLiteral("DONstate"), QStringLiteral("abc"));
      settings.setValue(QStringLiteral("DOSstate"), 0);
      settings.setValue(QStringLiteral("CLKtime"), QStringLiteral("99"));
      settings.endGroup();
    }
    const QByteArray document = Contents(ini());

    VyxWidget w;
    w.setDITstate(1);  // no short key reaches it before DONstate
    w.setDITinterval(QStringLiteral("kept"));
    QSettings settings(ini(), QSettings::IniFormat);
    vyx::qt::SettingsBag bag(settings, QStringLiteral("Panel1"));
    QString error;
    QVERIFY(!w.restore(bag, &error));
    QVERIFY2(error.contains(QStringLiteral("DONstate")), qPrintable(error));
    // The keys before the bad one are restored, the ones after it untouched.
    QCOMPARE(w.IDstring(), QStringLiteral("from-file"));
    QCOMPARE(w.DITinterval(), QString());  // read before DONstate: the default
    QCOMPARE(w.DITstate(), qint16{1});
    QVERIFY(w.CLKtime() != QStringLiteral("99"));
    // The document itself is as it was.
    settings.sync();
    QCOMPARE(Contents(ini()), document);
  }

  void storedValuesThatFitNoFieldAreNamed_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("list for a text") << "IDstring" << QByteArray("IDstring=a, b");
    QTest::newRow("state out of range") << "RSTstate" << QByteArray("RSTstate=70000");
    QTest::newRow("command that is no Boolean") << "UpdateCmd" << QByteArray("UpdateCmd=maybe");
  }
  void storedValuesThatFitNoFieldAreNamed() {
    QFETCH(QString, key);
    QFETCH(QByteArray, line);
    QFile f(ini());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Panel1]\n" + line + "\n");
    f.close();
    VyxWidget w;
    QSettings settings(ini(), QSettings::IniFormat);
    vyx::qt::SettingsBag bag(settings, QStringLiteral("Panel1"));
    QString error;
    QVERIFY(!w.restore(bag, &error));
    QVERIFY2(error.contains(key), qPrintable(error));
  }

  void valuesComeBackInTheFieldsTypes() {
    QSettings settings(ini(), QSettings::IniFormat);
    vyx::qt::SettingsBag bag(settings);
    QVERIFY(bag.Write("B", true, std::int16_t{0}).ok());
    QVERIFY(bag.Write("I", std::int16_t{-7}, std::int16_t{0}).ok());
    QVERIFY(bag.Write("S", std::string("x\ty"), std::string()).ok());
    QVERIFY(bag.Sync().ok());
    QSettings reread(ini(), QSettings::IniFormat);
    vyx::qt::SettingsBag back(reread);
    vyx::BagValue v;
    QVERIFY(back.Read("S", std::string(), v).ok());
    QCOMPARE(std::get<std::string>(v), std::string("x\ty"));
    // An INI file read afresh gives text, a cached one the type; either converts.
    vyx::PropValue p;
    QVERIFY(back.Read("I", std::int16_t{0}, v).ok());
    QVERIFY(vyx::ConvertBagValue(v, vyx::Attribute::State, p).ok());
    QCOMPARE(std::get<std::int16_t>(p), std::int16_t{-7});
    QVERIFY(back.Read("B", std::int16_t{0}, v).ok());
    QVERIFY(vyx::ConvertBagValue(v, vyx::Attribute::Value, p).ok());
    QCOMPARE(std::get<bool>(p), true);
    QVERIFY(back.Read("missing", std::int16_t{3}, v).ok());
    QCOMPARE(std::get<std::int64_t>(v), std::int64_t{3});
  }
};

QTEST_MAIN(PersistenceTest)
#include "persistence_test.moc"
