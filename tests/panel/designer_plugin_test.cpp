// The Qt Designer plugin as Designer sees it: a library that loads, offers VyxWidget under
// "Vyx" and creates working instances. The plugin carries its own copy of the widget, so the
// instance is checked through its meta-object rather than cast to this program's class.
#include <QIcon>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QTest>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <memory>

class DesignerPluginTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void offersTheComponent() {
    QPluginLoader loader(QStringLiteral(VYX_DESIGNER_PLUGIN));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    QCOMPARE(loader.metaData().value(QStringLiteral("IID")).toString(),
             QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetInterface"));
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    QVERIFY(plugin);

    QCOMPARE(plugin->name(), QStringLiteral("VyxWidget"));
    QCOMPARE(plugin->group(), QStringLiteral("Vyx"));
    QCOMPARE(plugin->includeFile(), QStringLiteral("vyx_widget.h"));
    QVERIFY(!plugin->isContainer());
    QVERIFY(!plugin->icon().isNull());
    QVERIFY(!plugin->icon().pixmap(32, 32).isNull());
    QVERIFY(plugin->domXml().contains(QStringLiteral("class=\"VyxWidget\"")));
    plugin->initialize(nullptr);
    QVERIFY(plugin->isInitialized());

    QWidget parent;
    QWidget* w = plugin->createWidget(&parent);
    QVERIFY(w);
    QCOMPARE(w->parent(), &parent);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), QStringLiteral("VyxWidget"));
    // The property editor shows the component's properties under their own names.
    const QMetaObject* meta = w->metaObject();
    int own = 0;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) ++own;
    QCOMPARE(own, 30);
    QCOMPARE(w->property("MicroStatus").toString(), QStringLiteral("Ready"));
    QCOMPARE(w->property("CommStatus").toString(), QStringLiteral("Offline"));
    QVERIFY(w->setProperty("PWMduty", QStringLiteral("25")));
    QCOMPARE(w->property("PWMduty").toString(), QStringLiteral("25"));
    QVERIFY(w->sizeHint().isValid());
  }
};

QTEST_MAIN(DesignerPluginTest)
#include "designer_plugin_test.moc"
