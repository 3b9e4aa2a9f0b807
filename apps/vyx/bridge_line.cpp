#include "bridge_line.h"

#include <algorithm>
#include <utility>

namespace vyx::console {

BridgeLine::BridgeLine(const qt::PortMap& map, int comm, std::vector<int> addresses, int intervalMs,
                       QObject* parent)
    : QObject(parent), line_(map, comm, std::move(addresses), this), intervalMs_(intervalMs) {
  round_.setSingleShot(true);
  round_.setTimerType(Qt::PreciseTimer);
  retry_.setSingleShot(true);
  connect(&round_, &QTimer::timeout, this, [this] {
    roundStart_.start();
    Next();
  });
  connect(&retry_, &QTimer::timeout, this, &BridgeLine::Open);
  connect(&line_, &boards::BoardLine::boardEnded, this, &BridgeLine::OnEnded);
}

void BridgeLine::Start() {
  running_ = true;
  Open();
}

void BridgeLine::Stop() {
  running_ = false;
  round_.stop();
  retry_.stop();
}

void BridgeLine::Open() {
  if (!running_) return;
  if (const Status s = line_.Open(); !s) return Down(s.message());
  retryMs_ = kFirstRetryMs;
  next_ = 0;
  roundStart_.start();
  Next();
}

void BridgeLine::Down(const std::string& reason) {
  emit lineDown(QString::fromStdString(reason));
  if (!running_) return;
  retry_.start(retryMs_);
  retryMs_ = std::min(retryMs_ * 2, kLastRetryMs);
}

void BridgeLine::Next() {
  if (!running_) return;
  const auto& addresses = line_.Addresses();
  if (next_ >= addresses.size()) {
    // A round is over: the next starts on the interval's beat, never before this one ended.
    next_ = 0;
    const qint64 wait = intervalMs_ - roundStart_.elapsed();
    if (wait > 0) return round_.start(static_cast<int>(wait));
    roundStart_.start();
  }
  line_.Update(addresses[next_++]);
}

void BridgeLine::OnEnded(int address, const UpdateEnd& end) {
  if (!running_) return;
  const bool gone = end.failure == UpdateFailure::DeviceGone ||
                    end.failure == UpdateFailure::PortNotOpen || !line_.IsOpen();
  if (gone) {
    // The whole line is down, this board with the others. The end is heard before the
    // component closes the port: the opening comes from a later turn.
    next_ = 0;
    return Down("Comm" + std::to_string(Comm()) + " (" + line_.Device() + "): " + end.Describe());
  }
  emit boardEnded(address, end);
  // A failure that ends at once must not keep the loop from everything else.
  if (end.ok()) return Next();
  QTimer::singleShot(0, this, &BridgeLine::Next);
}

}  // namespace vyx::console
