#include "ports_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSerialPortInfo>
#include <QToolButton>
#include <QVBoxLayout>

#include "line_scan.h"
#include "platform/port_map.h"

namespace vyx::panel {

QList<FoundPort> FindSerialPorts() {
  QList<FoundPort> found;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    found.append({info.systemLocation(), info.description(), info.serialNumber()});
  }
  return found;
}

QString DescribePort(const FoundPort& port) {
  QString text = port.path;
  if (!port.description.isEmpty()) text += QStringLiteral(" - ") + port.description;
  if (!port.serialNumber.isEmpty()) text += QStringLiteral(" (%1)").arg(port.serialNumber);
  return text;
}

QString PortsDialog::DeviceOf(const QString& entry, const QList<FoundPort>& found) {
  const QString text = entry.trimmed();
  for (const FoundPort& p : found) {
    if (text == DescribePort(p)) return p.path;
  }
  return text;
}

PortsDialog::PortsDialog(const PortMapping& current, const QList<FoundPort>& found,
                         const SessionPorts& session, QWidget* parent)
    : QDialog(parent), found_(found), current_(current), session_(session) {
  setWindowTitle(tr("Ports"));
  auto* intro = new QLabel(
      tr("Lead each port position to a device: pick one found on this machine, type a path, "
         "or give tcp://HOST:PORT (raw) or rfc2217://HOST:PORT (Telnet, which takes the line "
         "settings from here) for a line served over the network. An empty position takes "
         "its VYX_COMMn variable, if set; a position mapped by neither leads to no device."));
  intro->setWordWrap(true);

  auto* form = new QFormLayout;
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    auto* box = new QComboBox;
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(36);
    box->addItem(QString());
    for (const FoundPort& p : found_) box->addItem(DescribePort(p), p.path);
    box->lineEdit()->setPlaceholderText(tr("VYX_COMM%1 if set, else no device").arg(i + 1));
    box->setEditText(current[i]);
    const SessionPort& fixed = session_[i];
    if (!fixed.device.isEmpty()) {
      box->setEditText(tr("%1 (%2, for this run)").arg(fixed.device, fixed.origin));
      box->setEnabled(false);
      box->setToolTip(
          tr("Mapped by %1 for this run; the settings keep \"%2\"").arg(fixed.origin, current[i]));
    }
    box->setAccessibleName(tr("Comm%1 device").arg(i + 1));
    auto* scan = new QToolButton;
    scan->setText(tr("Scan"));
    scan->setAccessibleName(tr("Scan Comm%1").arg(i + 1));
    scan->setToolTip(tr("Ask addresses 0 to 3 on this device which boards answer"));
    connect(scan, &QToolButton::clicked, this, [this, i] { Scan(i); });
    auto* row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(scan);
    auto* boards = new QLabel;
    boards->setWordWrap(true);
    boards->setTextInteractionFlags(Qt::TextSelectableByMouse);
    boards->setAccessibleName(tr("Comm%1 boards").arg(i + 1));
    boards->hide();
    form->addRow(tr("Comm%1").arg(i + 1), row);
    form->addRow(QString(), boards);
    boxes_[i] = box;
    scanButtons_[i] = scan;
    scanned_[i] = boards;
  }
  if (found_.isEmpty()) form->addRow(new QLabel(tr("No serial devices were found.")));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &PortsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &PortsDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

PortsDialog::~PortsDialog() = default;

// The device as the entry stands now, on a map of its own: the scan opens it as the
// component would, and nothing is kept once the dialog closes.
void PortsDialog::Scan(std::size_t position) {
  if (scan_) return;
  const int comm = static_cast<int>(position) + 1;
  const QString device = session_[position].device.isEmpty()
                             ? DeviceOf(boxes_[position]->currentText(), found_)
                             : session_[position].device;
  QLabel* label = scanned_[position];
  label->show();
  scanMap_ = std::make_unique<vyx::qt::PortMap>();
  if (const Status s = scanMap_->Set(comm, device.toStdString()); !s) {
    label->setText(tr("Not a device: %1").arg(QString::fromStdString(s.message())));
    return;
  }
  label->setText(tr("Scanning addresses 0 to 3..."));
  for (QToolButton* b : scanButtons_) b->setEnabled(false);
  scan_ = std::make_unique<boards::LineScan>(*scanMap_, comm);
  connect(scan_.get(), &boards::LineScan::finished, this,
          [this, label](const Status& opened, const std::vector<boards::BoardFound>& boards) {
            QStringList lines;
            if (!opened) lines << QString::fromStdString(opened.message());
            for (const boards::BoardFound& b : boards) {
              lines << (b.answered ? tr("Addr%1: firmware %2, identifier \"%3\", calibration %4 V")
                                         .arg(b.address)
                                         .arg(QString::fromStdString(b.firmware),
                                              QString::fromStdString(b.identifier),
                                              QString::fromStdString(b.calibration))
                                   : tr("Addr%1: no board (%2)")
                                         .arg(b.address)
                                         .arg(QString::fromStdString(b.failure)));
            }
            label->setText(lines.join(u'\n'));
            for (QToolButton* b : scanButtons_) b->setEnabled(true);
            scan_.release()->deleteLater();
          });
  scan_->Start();
}

PortMapping PortsDialog::mapping() const {
  PortMapping m;
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    m[i] = session_[i].device.isEmpty() ? DeviceOf(boxes_[i]->currentText(), found_) : current_[i];
  }
  return m;
}

void PortsDialog::accept() {
  // Checked on a scratch map, so that a refused entry is fixed here rather than lost later.
  vyx::qt::PortMap scratch;
  const QStringList errors = ApplyPortMapping(mapping(), scratch);
  if (!errors.isEmpty()) {
    QMessageBox::warning(this, tr("Ports"),
                         tr("These entries are not devices:\n\n%1").arg(errors.join(u'\n')));
    return;
  }
  QDialog::accept();
}

}  // namespace vyx::panel
