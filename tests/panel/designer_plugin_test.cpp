// The Qt Designer plugin as Designer sees it: a library that loads, offers VyxWidget under
// "Vyx" and creates working instances. The plugin carries its own copy of the widget, so the
// instance is checked through its meta-object rather than cast to this program's class.
#include <QtTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <QtWidgets>

class DesignerPluginTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void offersTheComponent() {
    QPluginLoader loader(QStringLiteral(VYX_DESIGNER_PLUGIN));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    QVERIFY(plugin);
    QCOMPARE((QStringList{plugin->name(), plugin->group(), plugin->includeFile()}),
             (QStringList{"VyxWidget", "Vyx", "vyx_widget.h"}));
    QVERIFY(!plugin->icon().pixmap(32, 32).isNull());
    QVERIFY(plugin->domXml().contains(QStringLiteral("class=\"VyxWidget\"")));
    plugin->initialize(nullptr);

    QWidget parent;
    QWidget* w = plugin->createWidget(&parent);
    QVERIFY(w && w->parent() == &parent);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), QStringLiteral("VyxWidget"));
    // The property editor shows the component's properties under their own names.
    QCOMPARE(w->metaObject()->propertyCount() - w->metaObject()->propertyOffset(), 30);
    QCOMPARE(w->property("CommStatus").toString(), QStringLiteral("Offline"));
    QVERIFY(w->setProperty("PWMduty", QStringLiteral("25")));
    QCOMPARE(w->property("PWMduty").toString(), QStringLiteral("25"));
  }
};

QTEST_MAIN(DesignerPluginTest)
#include "designer_plugin_test.moc"
