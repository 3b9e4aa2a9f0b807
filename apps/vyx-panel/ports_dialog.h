// The port dialog: Comm1 to Comm8, each led to a serial device found on this machine, a
// typed path, or tcp://HOST:PORT; an empty entry keeps the environment's device or none.
// Positions the host mapped for this run only (the simulated board, --port) are shown as
// they lead now, and cannot be edited here.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <array>

#include "port_settings.h"

class QComboBox;

namespace vyx::panel {

// A serial device as the dialog offers it.
struct FoundPort {
  QString path;
  QString description;
  QString serialNumber;
};

// A position mapped for this run only: the device, and who mapped it ("the simulated board").
struct SessionPort {
  QString device;
  QString origin;
};
using SessionPorts = std::array<SessionPort, 8>;  // index 0 is Comm1; no device: not mapped

// The devices QSerialPortInfo finds now.
QList<FoundPort> FindSerialPorts();
// "/dev/ttyUSB0 - FT232R USB UART (A5XK3RJT)"
QString DescribePort(const FoundPort& port);

class PortsDialog : public QDialog {
  Q_OBJECT

 public:
  PortsDialog(const PortMapping& current, const QList<FoundPort>& found,
              const SessionPorts& session = {}, QWidget* parent = nullptr);

  // What the settings should keep; a position mapped for this run keeps what they held.
  PortMapping mapping() const;
  // The device an entry stands for: a found device's path, or the text as typed.
  static QString DeviceOf(const QString& entry, const QList<FoundPort>& found);

  void accept() override;

 private:
  QList<FoundPort> found_;
  PortMapping current_;
  SessionPorts session_;
  std::array<QComboBox*, 8> boxes_{};
};

}  // namespace vyx::panel
