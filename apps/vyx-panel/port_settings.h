// Where Comm1 to Comm8 lead, as the application keeps it in its settings: a device path, a
// tcp://HOST:PORT address, or nothing for "leave it as the environment or the default has
// it".
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <array>

namespace vyx::qt {
class PortMap;
}

namespace vyx::panel {

using PortMapping = std::array<QString, 8>;  // index 0 is Comm1

PortMapping LoadPortMapping(QSettings& settings);
void SavePortMapping(QSettings& settings, const PortMapping& mapping);

// Applies every non-empty entry; the refused ones are named in the result, one line each,
// and leave their position as it was.
QStringList ApplyPortMapping(const PortMapping& mapping, vyx::qt::PortMap& map);

}  // namespace vyx::panel
