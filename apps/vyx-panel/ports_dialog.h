// The port dialog: Comm1 to Comm8, each led to a serial device found on this machine, a
// typed path, or tcp://HOST:PORT; an empty entry keeps the environment's device or none.
// Positions the host mapped for this run only (the simulated board, --port) are shown as
// they lead now, and cannot be edited here. Each position's Scan asks addresses 0 to 3 of its
// device which boards answer, with their firmware, identifier and calibration.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <array>
#include <memory>

#include "port_settings.h"

namespace vyx::qt {
class PortMap;
}

class QComboBox;
class QLabel;
class QToolButton;

namespace vyx::boards {
class LineScan;
}

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
  ~PortsDialog() override;

 private:
  void Scan(std::size_t position);

  QList<FoundPort> found_;
  PortMapping current_;
  SessionPorts session_;
  std::array<QComboBox*, 8> boxes_{};
  std::array<QToolButton*, 8> scanButtons_{};
  std::array<QLabel*, 8> scanned_{};
  std::unique_ptr<vyx::qt::PortMap> scanMap_;  // the device under scan, at its position
  std::unique_ptr<boards::LineScan> scan_;
};

}  // namespace vyx::panel
