#include "board_line.h"

#include <algorithm>
#include <utility>

#include "control/vyx.h"
#include "link/shared_line.h"
#include "platform/port_map.h"
#include "platform/qt_clock.h"
#include "platform/qt_reply_timer.h"
#include "platform/qt_serial_port.h"

namespace vyx::boards {

// The line's port and the clock, which every board's component shares.
struct BoardLine::Shared {
  explicit Shared(const qt::PortMap& map) : port(map), line(port) {}
  qt::QtSerialPort port;
  SharedLine line;
  qt::QtClock clock;
};

// One board: its component, its own reply timer, and the host that passes its ends on.
struct BoardLine::Member final : private Host {
  Member(BoardLine& owner, int at)
      : owner_(owner),
        address(at),
        vyx(owner.shared_->line.AddPort(), timer, owner.shared_->clock, this) {}
  ~Member() override { vyx.SetHost(nullptr); }

  void PropertyChanged(std::string_view) override {}
  void NewData() override {}
  void UpdateEnded(const UpdateEnd& end) override { emit owner_.boardEnded(address, end); }

  BoardLine& owner_;
  const int address;
  qt::QtReplyTimer timer;
  Vyx vyx;
};

BoardLine::BoardLine(const qt::PortMap& map, int comm, std::vector<int> addresses, QObject* parent)
    : QObject(parent),
      map_(map),
      comm_(comm),
      addresses_(std::move(addresses)),
      shared_(std::make_unique<Shared>(map)) {
  for (const int a : addresses_) boards_.push_back(std::make_unique<Member>(*this, a));
}

// The components go before the line they share.
BoardLine::~BoardLine() { boards_.clear(); }

std::string BoardLine::Device() const { return map_.Device(comm_); }

Status BoardLine::Open() {
  for (const auto& b : boards_) {
    if (const Status s = b->vyx.Click(Field::CmbComm, comm_); !s) return s;
    if (!b->vyx.Fields().Selected(Field::CmbComm)) {
      const std::string why = shared_->port.LastError();
      return Status::Fail("Comm" + std::to_string(comm_) + " (" + Device() + ") did not open" +
                          (why.empty() ? std::string() : ": " + why));
    }
    if (b->vyx.Fields().Selected(Field::CmbMicro) != b->address) {
      if (const Status s = b->vyx.Click(Field::CmbMicro, b->address); !s) return s;
    }
  }
  return Status::Ok();
}

bool BoardLine::IsOpen() const { return shared_->port.IsOpen(); }

BoardLine::Member* BoardLine::At(int address) {
  const auto it = std::find_if(boards_.begin(), boards_.end(),
                               [address](const auto& b) { return b->address == address; });
  return it == boards_.end() ? nullptr : it->get();
}

Vyx* BoardLine::Board(int address) {
  Member* b = At(address);
  return b != nullptr ? &b->vyx : nullptr;
}

bool BoardLine::Update(int address) {
  Member* b = At(address);
  if (b == nullptr) return false;
  // Every press ends, one that could not start included.
  static_cast<void>(b->vyx.Set("UpdateCmd", PropValue{true}));
  return true;
}

}  // namespace vyx::boards
