#include "vyx_designer_plugin.h"

#include <QIcon>

#include "vyx_widget.h"

VyxDesignerPlugin::VyxDesignerPlugin(QObject* parent) : QObject(parent) {}

QString VyxDesignerPlugin::name() const { return QStringLiteral("VyxWidget"); }
QString VyxDesignerPlugin::group() const { return QStringLiteral("Vyx"); }
QString VyxDesignerPlugin::toolTip() const {
  return QStringLiteral("Vyx instrument panel for the serial I/O board");
}
QString VyxDesignerPlugin::whatsThis() const {
  return QStringLiteral(
      "The Vyx instrument component: the operator's panel for one I/O board on a serial "
      "line, with 30 properties and the NewData signal. Map Comm1 to Comm8 with portMap() "
      "in code before choosing a port.");
}
QString VyxDesignerPlugin::includeFile() const { return QStringLiteral("vyx_widget.h"); }
QIcon VyxDesignerPlugin::icon() const {
  return QIcon(QStringLiteral(":/vyx/designer/vyx_widget_icon.png"));
}
bool VyxDesignerPlugin::isContainer() const { return false; }

// A component on a form in Designer opens no port: start-up leaves it "Offline" until a
// port is chosen, and the form's CommPort stays a text until the host runs.
QWidget* VyxDesignerPlugin::createWidget(QWidget* parent) { return new VyxWidget(parent); }

bool VyxDesignerPlugin::isInitialized() const { return initialized_; }
void VyxDesignerPlugin::initialize(QDesignerFormEditorInterface* /*core*/) { initialized_ = true; }

QString VyxDesignerPlugin::domXml() const {
  return QStringLiteral(
      "<ui language=\"c++\">\n"
      "  <widget class=\"VyxWidget\" name=\"vyx\"/>\n"
      "  <customwidgets>\n"
      "    <customwidget>\n"
      "      <class>VyxWidget</class>\n"
      "      <extends>QWidget</extends>\n"
      "      <header>vyx_widget.h</header>\n"
      "    </customwidget>\n"
      "  </customwidgets>\n"
      "</ui>\n");
}
