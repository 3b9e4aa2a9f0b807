#include "vyx_widget.h"

#include <QHBoxLayout>
#include <QMetaProperty>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <variant>

#include "control/properties.h"
#include "panel_view.h"
#include "platform/port_map.h"
#include "vyx_widget_p.h"

namespace {

using vyx::PropValue;

QString TextOf(const PropValue& v) {
  const auto* s = std::get_if<std::string>(&v);
  return s ? QString::fromStdString(*s) : QString();
}
bool BoolOf(const PropValue& v) {
  const auto* b = std::get_if<bool>(&v);
  return b && *b;
}
qint16 IntOf(const PropValue& v) {
  const auto* i = std::get_if<std::int16_t>(&v);
  return i ? *i : qint16{0};
}

QVariant ToVariant(const PropValue& v) {
  return std::visit(
      [](const auto& x) -> QVariant {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return QString::fromStdString(x);
        } else if constexpr (std::is_same_v<T, bool>) {
          return x;
        } else {
          return QVariant::fromValue<qint16>(x);
        }
      },
      v);
}

// A host's QVariant as the value a property bag would hold: a text, a Boolean, an integer or
// a floating-point number. Anything else has no place in a property and is refused.
std::optional<vyx::BagValue> ToBagValue(const QVariant& v) {
  switch (v.metaType().id()) {
    case QMetaType::Bool:
      return vyx::BagValue{v.toBool()};
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
      return vyx::BagValue{static_cast<std::int64_t>(v.toLongLong())};
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
      // Past the signed range it fits no property anyway; keep it a number that says so.
      const qulonglong u = v.toULongLong();
      if (u > static_cast<qulonglong>(std::numeric_limits<std::int64_t>::max()))
        return vyx::BagValue{static_cast<double>(u)};
      return vyx::BagValue{static_cast<std::int64_t>(u)};
    }
    case QMetaType::Double:
    case QMetaType::Float:
      return vyx::BagValue{v.toDouble()};
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QChar:
      return vyx::BagValue{v.toString().toStdString()};
    default:
      return std::nullopt;
  }
}

void SetError(QString* error, const QString& message) {
  if (error) *error = message;
}

QString FromStd(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

// --- private -------------------------------------------------------------------------------

VyxWidgetPrivate::VyxWidgetPrivate(VyxWidget* owner)
    : q(owner), component(port, platform.timer(), platform.clock()) {
  const QMetaObject* meta = q->metaObject();
  for (const vyx::PropertySpec& p : vyx::kProperties) {
    const int index = meta->indexOfProperty(std::string(p.name).c_str());
    if (index >= 0)
      notifyOf[static_cast<std::size_t>(p.field)] = meta->property(index).notifySignal();
  }
}

VyxWidgetPrivate::~VyxWidgetPrivate() {
  // The platform outlives the component by a moment; nothing it says then may reach it.
  platform.port().SetListener({});
  platform.timer().SetListener({});
}

void VyxWidgetPrivate::PropertyChanged(std::string_view name) {
  Q_EMIT q->propertyChanged(FromStd(name));
}

void VyxWidgetPrivate::NewData() { Q_EMIT q->NewData(); }

void VyxWidgetPrivate::UpdateEnded(const vyx::UpdateEnd& end) {
  lastEnd = end;
  Q_EMIT q->updateEnded(end.ok(), end.ok() ? QString() : FromStd(end.Describe()));
}

void VyxWidgetPrivate::fieldWritten(vyx::Field field) {
  if (view) view->mirror(field);
  const QMetaMethod& notify = notifyOf[static_cast<std::size_t>(field)];
  if (notify.isValid()) notify.invoke(q, Qt::DirectConnection);
}

PropValue VyxWidgetPrivate::get(std::string_view name) const {
  PropValue v;
  (void)component.Get(name, v);  // every name passed here is one of the 30
  return v;
}

void VyxWidgetPrivate::set(std::string_view name, PropValue value) {
  // The Q_PROPERTY setters have no way to report a refusal; setPropertyValue does.
  (void)component.Set(name, value);
}

// --- public --------------------------------------------------------------------------------

VyxWidget::VyxWidget(QWidget* parent)
    : QWidget(parent), d(std::make_unique<VyxWidgetPrivate>(this)) {
  d->view = new vyx::qt::PanelView(d->component, this);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(d->view, 0, Qt::AlignLeft | Qt::AlignTop);
  setFocusProxy(d->view->widgetOf(vyx::Field::CmbComm));
  d->component.SetFieldObserver([p = d.get()](vyx::Field f) { p->fieldWritten(f); });
  d->component.SetHost(d.get());
}

VyxWidget::~VyxWidget() {
  d->component.SetFieldObserver({});
  d->component.SetHost(nullptr);
  delete d->view;  // before the component: its widgets' last events must find it alive
  d->view = nullptr;
}

bool VyxWidget::setPropertyValue(const QString& name, const QVariant& value, QString* error) {
  const std::string key = name.toStdString();
  const std::optional<vyx::BagValue> bag = ToBagValue(value);
  if (!bag) {
    const char* type = value.isValid() ? value.metaType().name() : "no value";
    SetError(error, QStringLiteral("%1: a %2 is not a text, number or Boolean")
                        .arg(name, QString::fromLatin1(type)));
    return false;
  }
  const vyx::Status status = d->component.Assign(key, *bag);
  if (!status.ok()) SetError(error, FromStd(status.message()));
  return status.ok();
}

QVariant VyxWidget::propertyValue(const QString& name) const {
  PropValue v;
  if (!d->component.Get(name.toStdString(), v).ok()) return {};
  return ToVariant(v);
}

bool VyxWidget::save(vyx::PropertyBag& bag, QString* error) const {
  const vyx::Status status = d->component.Save(bag);
  if (!status.ok()) SetError(error, QString::fromStdString(status.message()));
  return status.ok();
}

bool VyxWidget::restore(vyx::PropertyBag& bag, QString* error) {
  const vyx::Status status = d->component.Restore(bag);
  if (!status.ok()) SetError(error, QString::fromStdString(status.message()));
  return status.ok();
}

vyx::qt::PortMap& VyxWidget::portMap() { return d->platform.portMap(); }
const vyx::qt::PortMap& VyxWidget::portMap() const { return d->platform.portMap(); }
QString VyxWidget::portError() const { return QString::fromStdString(d->port.WhyNotOpen()); }
std::optional<vyx::Readings> VyxWidget::lastReadings() const { return d->component.LastReadings(); }
const vyx::UpdateEnd& VyxWidget::lastUpdateEnd() const { return d->lastEnd; }
vyx::Vyx& VyxWidget::component() { return d->component; }
const vyx::Vyx& VyxWidget::component() const { return d->component; }
QWidget* VyxWidget::panel() const { return d->view; }
QSize VyxWidget::sizeHint() const { return d->view->sizeHint(); }
QSize VyxWidget::minimumSizeHint() const { return d->view->minimumSizeHint(); }

// The 30 accessors: one pattern over the component's properties.
QString VyxWidget::CommPort() const { return TextOf(d->get("CommPort")); }
QString VyxWidget::CommStatus() const { return TextOf(d->get("CommStatus")); }
QString VyxWidget::MicroAddress() const { return TextOf(d->get("MicroAddress")); }
QString VyxWidget::MicroStatus() const { return TextOf(d->get("MicroStatus")); }
bool VyxWidget::UpdateCmd() const { return BoolOf(d->get("UpdateCmd")); }
bool VyxWidget::ClearCmd() const { return BoolOf(d->get("ClearCmd")); }
QString VyxWidget::IDstring() const { return TextOf(d->get("IDstring")); }
QString VyxWidget::Vrefvolt() const { return TextOf(d->get("Vrefvolt")); }
QString VyxWidget::AD0volt() const { return TextOf(d->get("AD0volt")); }
QString VyxWidget::AD1volt() const { return TextOf(d->get("AD1volt")); }
QString VyxWidget::AD2volt() const { return TextOf(d->get("AD2volt")); }
QString VyxWidget::AD3volt() const { return TextOf(d->get("AD3volt")); }
QString VyxWidget::AD4volt() const { return TextOf(d->get("AD4volt")); }
QString VyxWidget::DITinterval() const { return TextOf(d->get("DITinterval")); }
QString VyxWidget::FWver() const { return TextOf(d->get("FWver")); }
QString VyxWidget::DIFcount() const { return TextOf(d->get("DIFcount")); }
QString VyxWidget::PWMduty() const { return TextOf(d->get("PWMduty")); }
QString VyxWidget::DPWduty() const { return TextOf(d->get("DPWduty")); }
QString VyxWidget::DOGduty() const { return TextOf(d->get("DOGduty")); }
qint16 VyxWidget::DONstate() const { return IntOf(d->get("DONstate")); }
qint16 VyxWidget::DOEstate() const { return IntOf(d->get("DOEstate")); }
qint16 VyxWidget::DOKstate() const { return IntOf(d->get("DOKstate")); }
qint16 VyxWidget::DOSstate() const { return IntOf(d->get("DOSstate")); }
qint16 VyxWidget::DINstate() const { return IntOf(d->get("DINstate")); }
qint16 VyxWidget::DISstate() const { return IntOf(d->get("DISstate")); }
qint16 VyxWidget::RSTstate() const { return IntOf(d->get("RSTstate")); }
qint16 VyxWidget::DIFstate() const { return IntOf(d->get("DIFstate")); }
qint16 VyxWidget::DITstate() const { return IntOf(d->get("DITstate")); }
bool VyxWidget::ZeroCmd() const { return BoolOf(d->get("ZeroCmd")); }
QString VyxWidget::CLKtime() const { return TextOf(d->get("CLKtime")); }
void VyxWidget::setCommPort(const QString& value) { d->set("CommPort", value.toStdString()); }
void VyxWidget::setCommStatus(const QString& value) { d->set("CommStatus", value.toStdString()); }
void VyxWidget::setMicroAddress(const QString& value) {
  d->set("MicroAddress", value.toStdString());
}
void VyxWidget::setMicroStatus(const QString& value) { d->set("MicroStatus", value.toStdString()); }
void VyxWidget::setUpdateCmd(bool value) { d->set("UpdateCmd", value); }
void VyxWidget::setClearCmd(bool value) { d->set("ClearCmd", value); }
void VyxWidget::setIDstring(const QString& value) { d->set("IDstring", value.toStdString()); }
void VyxWidget::setVrefvolt(const QString& value) { d->set("Vrefvolt", value.toStdString()); }
void VyxWidget::setAD0volt(const QString& value) { d->set("AD0volt", value.toStdString()); }
void VyxWidget::setAD1volt(const QString& value) { d->set("AD1volt", value.toStdString()); }
void VyxWidget::setAD2volt(const QString& value) { d->set("AD2volt", value.toStdString()); }
void VyxWidget::setAD3volt(const QString& value) { d->set("AD3volt", value.toStdString()); }
void VyxWidget::setAD4volt(const QString& value) { d->set("AD4volt", value.toStdString()); }
void VyxWidget::setDITinterval(const QString& value) { d->set("DITinterval", value.toStdString()); }
void VyxWidget::setFWver(const QString& value) { d->set("FWver", value.toStdString()); }
void VyxWidget::setDIFcount(const QString& value) { d->set("DIFcount", value.toStdString()); }
void VyxWidget::setPWMduty(const QString& value) { d->set("PWMduty", value.toStdString()); }
void VyxWidget::setDPWduty(const QString& value) { d->set("DPWduty", value.toStdString()); }
void VyxWidget::setDOGduty(const QString& value) { d->set("DOGduty", value.toStdString()); }
void VyxWidget::setDONstate(qint16 value) { d->set("DONstate", value); }
void VyxWidget::setDOEstate(qint16 value) { d->set("DOEstate", value); }
void VyxWidget::setDOKstate(qint16 value) { d->set("DOKstate", value); }
void VyxWidget::setDOSstate(qint16 value) { d->set("DOSstate", value); }
void VyxWidget::setDINstate(qint16 value) { d->set("DINstate", value); }
void VyxWidget::setDISstate(qint16 value) { d->set("DISstate", value); }
void VyxWidget::setRSTstate(qint16 value) { d->set("RSTstate", value); }
void VyxWidget::setDIFstate(qint16 value) { d->set("DIFstate", value); }
void VyxWidget::setDITstate(qint16 value) { d->set("DITstate", value); }
void VyxWidget::setZeroCmd(bool value) { d->set("ZeroCmd", value); }
void VyxWidget::setCLKtime(const QString& value) { d->set("CLKtime", value.toStdString()); }
