// The embeddable instrument component as a Qt widget: the operator's panel, the 30 public
// properties under their exact names, the NewData event, and saving and restoring the
// properties with the host's document. A host places it on a window, maps Comm1 to Comm8 to
// devices, and drives it from code or leaves it to the operator.
#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>
#include <memory>
#include <optional>

#include "control/update_end.h"
#include "control/version.h"

namespace vyx {
class Vyx;
class PropertyBag;
struct Readings;
namespace qt {
class PortMap;
}
}  // namespace vyx

class VyxWidgetPrivate;

class VyxWidget : public QWidget {
  Q_OBJECT
  Q_CLASSINFO("Version", VYX_VERSION_TEXT)
  Q_CLASSINFO("Description", "Vantrel Vyx Control")
  Q_CLASSINFO("TypeLibrary", "Vantrel")
  Q_CLASSINFO("Interface", "_Vyx")
  Q_CLASSINFO("EventInterface", "__Vyx")
  Q_CLASSINFO("ClassID", "{6f7885a9-fc7d-4fdf-8bbb-d8eb9b6a36d7}")
  Q_CLASSINFO("InterfaceID", "{bc52dc6a-0289-4c1c-83f5-0237e8794a21}")
  Q_CLASSINFO("EventsID", "{22ce699c-1295-4d11-ba18-c41c54c9d489}")
  Q_CLASSINFO("TypeLibraryID", "{337f528b-af32-47b4-8719-6bac583c6142}")

  // The public properties in the order a host sees them. String properties are texts,
  // Boolean ones the momentary commands (false except while their click runs), Integer
  // ones 16-bit check box states (0 or 1).
  Q_PROPERTY(QString CommPort READ CommPort WRITE setCommPort NOTIFY CommPortChanged)
  Q_PROPERTY(QString CommStatus READ CommStatus WRITE setCommStatus NOTIFY CommStatusChanged)
  Q_PROPERTY(
      QString MicroAddress READ MicroAddress WRITE setMicroAddress NOTIFY MicroAddressChanged)
  Q_PROPERTY(QString MicroStatus READ MicroStatus WRITE setMicroStatus NOTIFY MicroStatusChanged)
  Q_PROPERTY(bool UpdateCmd READ UpdateCmd WRITE setUpdateCmd NOTIFY UpdateCmdChanged)
  Q_PROPERTY(bool ClearCmd READ ClearCmd WRITE setClearCmd NOTIFY ClearCmdChanged)
  Q_PROPERTY(QString IDstring READ IDstring WRITE setIDstring NOTIFY IDstringChanged)
  Q_PROPERTY(QString Vrefvolt READ Vrefvolt WRITE setVrefvolt NOTIFY VrefvoltChanged)
  Q_PROPERTY(QString AD0volt READ AD0volt WRITE setAD0volt NOTIFY AD0voltChanged)
  Q_PROPERTY(QString AD1volt READ AD1volt WRITE setAD1volt NOTIFY AD1voltChanged)
  Q_PROPERTY(QString AD2volt READ AD2volt WRITE setAD2volt NOTIFY AD2voltChanged)
  Q_PROPERTY(QString AD3volt READ AD3volt WRITE setAD3volt NOTIFY AD3voltChanged)
  Q_PROPERTY(QString AD4volt READ AD4volt WRITE setAD4volt NOTIFY AD4voltChanged)
  Q_PROPERTY(QString DITinterval READ DITinterval WRITE setDITinterval NOTIFY DITintervalChanged)
  Q_PROPERTY(QString FWver READ FWver WRITE setFWver NOTIFY FWverChanged)
  Q_PROPERTY(QString DIFcount READ DIFcount WRITE setDIFcount NOTIFY DIFcountChanged)
  Q_PROPERTY(QString PWMduty READ PWMduty WRITE setPWMduty NOTIFY PWMdutyChanged)
  Q_PROPERTY(QString DPWduty READ DPWduty WRITE setDPWduty NOTIFY DPWdutyChanged)
  Q_PROPERTY(QString DOGduty READ DOGduty WRITE setDOGduty NOTIFY DOGdutyChanged)
  Q_PROPERTY(qint16 DONstate READ DONstate WRITE setDONstate NOTIFY DONstateChanged)
  Q_PROPERTY(qint16 DOEstate READ DOEstate WRITE setDOEstate NOTIFY DOEstateChanged)
  Q_PROPERTY(qint16 DOKstate READ DOKstate WRITE setDOKstate NOTIFY DOKstateChanged)
  Q_PROPERTY(qint16 DOSstate READ DOSstate WRITE setDOSstate NOTIFY DOSstateChanged)
  Q_PROPERTY(qint16 DINstate READ DINstate WRITE setDINstate NOTIFY DINstateChanged)
  Q_PROPERTY(qint16 DISstate READ DISstate WRITE setDISstate NOTIFY DISstateChanged)
  Q_PROPERTY(qint16 RSTstate READ RSTstate WRITE setRSTstate NOTIFY RSTstateChanged)
  Q_PROPERTY(qint16 DIFstate READ DIFstate WRITE setDIFstate NOTIFY DIFstateChanged)
  Q_PROPERTY(qint16 DITstate READ DITstate WRITE setDITstate NOTIFY DITstateChanged)
  Q_PROPERTY(bool ZeroCmd READ ZeroCmd WRITE setZeroCmd NOTIFY ZeroCmdChanged)
  Q_PROPERTY(QString CLKtime READ CLKtime WRITE setCLKtime NOTIFY CLKtimeChanged)

 public:
  explicit VyxWidget(QWidget* parent = nullptr);
  ~VyxWidget() override;

  QString CommPort() const;
  QString CommStatus() const;
  QString MicroAddress() const;
  QString MicroStatus() const;
  bool UpdateCmd() const;
  bool ClearCmd() const;
  QString IDstring() const;
  QString Vrefvolt() const;
  QString AD0volt() const;
  QString AD1volt() const;
  QString AD2volt() const;
  QString AD3volt() const;
  QString AD4volt() const;
  QString DITinterval() const;
  QString FWver() const;
  QString DIFcount() const;
  QString PWMduty() const;
  QString DPWduty() const;
  QString DOGduty() const;
  qint16 DONstate() const;
  qint16 DOEstate() const;
  qint16 DOKstate() const;
  qint16 DOSstate() const;
  qint16 DINstate() const;
  qint16 DISstate() const;
  qint16 RSTstate() const;
  qint16 DIFstate() const;
  qint16 DITstate() const;
  bool ZeroCmd() const;
  QString CLKtime() const;

  // The setters drop a refused value; setPropertyValue says why.
  void setCommPort(const QString& value);
  void setCommStatus(const QString& value);
  void setMicroAddress(const QString& value);
  void setMicroStatus(const QString& value);
  void setUpdateCmd(bool value);
  void setClearCmd(bool value);
  void setIDstring(const QString& value);
  void setVrefvolt(const QString& value);
  void setAD0volt(const QString& value);
  void setAD1volt(const QString& value);
  void setAD2volt(const QString& value);
  void setAD3volt(const QString& value);
  void setAD4volt(const QString& value);
  void setDITinterval(const QString& value);
  void setFWver(const QString& value);
  void setDIFcount(const QString& value);
  void setPWMduty(const QString& value);
  void setDPWduty(const QString& value);
  void setDOGduty(const QString& value);
  void setDONstate(qint16 value);
  void setDOEstate(qint16 value);
  void setDOKstate(qint16 value);
  void setDOSstate(qint16 value);
  void setDINstate(qint16 value);
  void setDISstate(qint16 value);
  void setRSTstate(qint16 value);
  void setDIFstate(qint16 value);
  void setDITstate(qint16 value);
  void setZeroCmd(bool value);
  void setCLKtime(const QString& value);

  // A property by name, for hosts that want to hear of a refusal. A text, Boolean, integer or
  // floating-point value is converted to the property's type by the rules documents follow
  // (a String takes a text or a number, an Integer a whole number in -32768..32767, a Boolean
  // true/false or a whole number, 0 being false); any other kind of value is refused. Returns
  // false, with the reason in error, for an unknown name, a value that does not convert or a
  // value the field refuses; nothing is changed and no notification is sent then.
  bool setPropertyValue(const QString& name, const QVariant& value, QString* error = nullptr);
  // The property's value as QString, bool or qint16; an invalid QVariant for an unknown name.
  QVariant propertyValue(const QString& name) const;

  // Saving and restoring the properties with the host's document. A restore that fails
  // stops at the failing key: the keys before it stay restored, the error names the key.
  bool save(vyx::PropertyBag& bag, QString* error = nullptr) const;
  bool restore(vyx::PropertyBag& bag, QString* error = nullptr);

  // Where Comm1 to Comm8 lead. Map before choosing a port; a saved document holds only the
  // position.
  vyx::qt::PortMap& portMap();
  const vyx::qt::PortMap& portMap() const;
  // Why the chosen port did not open, or went away ("/dev/ttyUSB0: in use by another
  // program"); empty while the port is open or when nothing failed.
  QString portError() const;

  // The selected board's readings as numbers, from its last verified reply; none while it is
  // offline. The type is vyx::Readings from control/vyx.h.
  std::optional<vyx::Readings> lastReadings() const;
  // How the last update ended, as updateEnded told it, with the failure as a value.
  const vyx::UpdateEnd& lastUpdateEnd() const;

  // The component behind the widget, for tools and tests.
  vyx::Vyx& component();
  const vyx::Vyx& component() const;

  // The panel, for tools that reach its fields' widgets.
  QWidget* panel() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 Q_SIGNALS:
  // An update delivered fresh readings; every reading is in place and MicroStatus reads
  // "Ready" when it is emitted.
  void NewData();
  // Once for every press of Update (UpdateCmd or the panel's button), when that update has
  // ended: after its NewData when it succeeded, else with the reason ("no reply", "port not
  // open: ..."); reason is empty on success. Emitted synchronously; a slot may press Update
  // again.
  void updateEnded(bool ok, const QString& reason);
  // A property set completed, whether or not the value changed.
  void propertyChanged(const QString& name);

  // The field behind the property was written with a new value, by whoever: a set, an
  // update, the operator, a restore. A new colour or emphasis of a status label counts too.
  void CommPortChanged();
  void CommStatusChanged();
  void MicroAddressChanged();
  void MicroStatusChanged();
  void UpdateCmdChanged();
  void ClearCmdChanged();
  void IDstringChanged();
  void VrefvoltChanged();
  void AD0voltChanged();
  void AD1voltChanged();
  void AD2voltChanged();
  void AD3voltChanged();
  void AD4voltChanged();
  void DITintervalChanged();
  void FWverChanged();
  void DIFcountChanged();
  void PWMdutyChanged();
  void DPWdutyChanged();
  void DOGdutyChanged();
  void DONstateChanged();
  void DOEstateChanged();
  void DOKstateChanged();
  void DOSstateChanged();
  void DINstateChanged();
  void DISstateChanged();
  void RSTstateChanged();
  void DIFstateChanged();
  void DITstateChanged();
  void ZeroCmdChanged();
  void CLKtimeChanged();

 private:
  friend class VyxWidgetPrivate;
  std::unique_ptr<VyxWidgetPrivate> d;
};
