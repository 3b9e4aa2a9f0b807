#include "port_settings.h"

#include "platform/port_map.h"

namespace vyx::panel {

namespace {
QString Key(std::size_t i) { return QStringLiteral("ports/comm%1").arg(i + 1); }
}  // namespace

PortMapping LoadPortMapping(QSettings& settings) {
  PortMapping m;
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = settings.value(Key(i)).toString().trimmed();
  return m;
}

void SavePortMapping(QSettings& settings, const PortMapping& mapping) {
  for (std::size_t i = 0; i < mapping.size(); ++i) {
    const QString device = mapping[i].trimmed();
    if (device.isEmpty()) {
      settings.remove(Key(i));
    } else {
      settings.setValue(Key(i), device);
    }
  }
}

QStringList ApplyPortMapping(const PortMapping& mapping, vyx::qt::PortMap& map) {
  QStringList errors;
  for (std::size_t i = 0; i < mapping.size(); ++i) {
    const QString device = mapping[i].trimmed();
    if (device.isEmpty()) continue;
    const int comm = static_cast<int>(i) + 1;
    const Status s = map.Set(comm, device.toStdString());
    if (!s.ok()) {
      errors << QStringLiteral("Comm%1 = %2: %3")
                    .arg(comm)
                    .arg(device, QString::fromStdString(s.message()));
    }
  }
  return errors;
}

}  // namespace vyx::panel
