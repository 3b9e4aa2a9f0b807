#include "line_scan.h"

#include <QMetaObject>

#include "board_line.h"
#include "control/vyx.h"

namespace vyx::boards {
namespace {

std::vector<int> EveryAddress() {
  std::vector<int> all;
  for (int a = 0; a < LineScan::kAddresses; ++a) all.push_back(a);
  return all;
}

std::string Text(const Vyx& vyx, std::string_view name) {
  PropValue v;
  if (!vyx.Get(name, v)) return {};
  const auto* s = std::get_if<std::string>(&v);
  return s != nullptr ? *s : std::string();
}

}  // namespace

LineScan::LineScan(const qt::PortMap& map, int comm, QObject* parent)
    : QObject(parent), comm_(comm), line_(std::make_unique<BoardLine>(map, comm, EveryAddress())) {
  connect(line_.get(), &BoardLine::boardEnded, this, &LineScan::OnEnded);
}

LineScan::~LineScan() = default;

void LineScan::Start() {
  found_.clear();
  if (const Status s = line_->Open(); !s) return Finish(s);
  line_->Update(0);
}

void LineScan::OnEnded(int address, const UpdateEnd& end) {
  BoardFound b;
  b.address = address;
  b.answered = end.ok();
  if (b.answered) {
    // The first answer of a board reads its EEPROM records into the panel.
    const Vyx& vyx = *line_->Board(address);
    b.firmware = Text(vyx, "FWver");
    b.identifier = Text(vyx, "IDstring");
    b.calibration = Text(vyx, "Vrefvolt");
  } else {
    b.failure = end.Describe();
  }
  found_.push_back(std::move(b));
  // A line that went away has nothing more to say.
  if (address + 1 < kAddresses && line_->IsOpen()) {
    line_->Update(address + 1);
    return;
  }
  for (int a = address + 1; a < kAddresses; ++a) {
    found_.push_back({a, false, end.Describe(), {}, {}, {}});
  }
  Finish(Status::Ok());
}

// The scan's owner may delete it from the slot; the signal comes from the loop, never from
// inside a component.
void LineScan::Finish(const Status& opened) {
  QMetaObject::invokeMethod(
      this, [this, opened] { emit finished(opened, opened ? found_ : std::vector<BoardFound>{}); },
      Qt::QueuedConnection);
}

}  // namespace vyx::boards
