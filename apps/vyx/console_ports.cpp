#include "console_ports.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "console_escape.h"
#include "platform/port_map.h"

namespace vyx::console {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Texts a device gives about itself reach the terminal inert.
std::string DeviceLine(const SerialDevice& d) {
  std::string line = "  " + d.location;
  if (!d.description.empty()) line += "  " + d.description;
  if (d.vendor && d.product) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", *d.vendor, *d.product);
    line += std::string("  usb ") + ids;
  }
  if (!d.serial.empty()) line += "  serial " + d.serial;
  return documents::EscapeControls(line);
}

}  // namespace

std::vector<SerialDevice> FindSerialDevices() {
  std::vector<SerialDevice> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    SerialDevice d;
    d.location = info.systemLocation().toStdString();
    d.description = info.description().toStdString();
    if (info.hasVendorIdentifier()) d.vendor = info.vendorIdentifier();
    if (info.hasProductIdentifier()) d.product = info.productIdentifier();
    d.serial = info.serialNumber().toStdString();
    devices.push_back(std::move(d));
  }
  std::sort(devices.begin(), devices.end(),
            [](const SerialDevice& a, const SerialDevice& b) { return a.location < b.location; });
  return devices;
}

std::vector<std::string> PortsReport(const std::vector<SerialDevice>& devices,
                                     const qt::PortMap& map, std::string_view filter) {
  std::vector<std::string> lines{"Serial devices:"};
  const std::string wanted = Lower(filter);
  for (const SerialDevice& d : devices) {
    std::string line = DeviceLine(d);
    if (Lower(line).find(wanted) != std::string::npos) lines.push_back(std::move(line));
  }
  if (lines.size() == 1) {
    lines.push_back(filter.empty()
                        ? "  (none found)"
                        : "  (none match \"" + documents::EscapeControls(filter) + "\")");
  }
  lines.emplace_back("Ports:");
  for (int comm = 1; comm <= qt::PortMap::kPorts; ++comm) {
    lines.push_back(
        "  Comm" + std::to_string(comm) + "  " +
        (map.IsMapped(comm) ? documents::EscapeControls(map.Device(comm)) : "(unmapped)"));
  }
  return lines;
}

}  // namespace vyx::console
