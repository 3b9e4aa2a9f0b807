#include "console_ports.h"

#include <QSerialPortInfo>
#include <algorithm>

#include "platform/port_map.h"

namespace vyx::console {

std::string PortsReport(const qt::PortMap& map) {
  std::string out = "Serial devices:\n";
  auto infos = QSerialPortInfo::availablePorts();
  std::sort(infos.begin(), infos.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
    return a.systemLocation() < b.systemLocation();
  });
  if (infos.isEmpty()) out += "  (none found)\n";
  for (const QSerialPortInfo& info : infos) {
    out += "  " + info.systemLocation().toStdString();
    if (!info.description().isEmpty()) out += "  " + info.description().toStdString();
    if (!info.serialNumber().isEmpty()) out += "  serial " + info.serialNumber().toStdString();
    out += "\n";
  }
  out += "Ports:\n";
  for (int comm = 1; comm <= qt::PortMap::kPorts; ++comm) {
    out += "  Comm" + std::to_string(comm) + "  " +
           (map.IsMapped(comm) ? map.Device(comm) : std::string("(unmapped)")) + "\n";
  }
  return out;
}

}  // namespace vyx::console
