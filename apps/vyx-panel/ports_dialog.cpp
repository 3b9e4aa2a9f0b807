#include "ports_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSerialPortInfo>
#include <QVBoxLayout>

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
         "or give tcp://HOST:PORT for a line served over the network. An empty position takes "
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
    form->addRow(tr("Comm%1").arg(i + 1), box);
    boxes_[i] = box;
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
