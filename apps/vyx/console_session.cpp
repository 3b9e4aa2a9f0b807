#include "console_session.h"

#include <utility>

#include "control/vyx.h"
#include "platform/qt_platform.h"

namespace vyx::console {
namespace {

// The console names a bad VYX_COMMn itself, in its own words; the platform's log line for it
// would say it a second time.
std::unique_ptr<qt::Platform> PlatformFromEnvironment(Status& environment) {
  qt::PortMap map;
  environment = map.LoadEnvironment();
  return std::make_unique<qt::Platform>(std::move(map));
}

}  // namespace

Session::Session(QObject* parent)
    : QObject(parent),
      platform_(PlatformFromEnvironment(environment_)),
      vyx_(std::make_unique<Vyx>(platform_->port(), platform_->timer(), platform_->clock(),
                                 static_cast<Host*>(this))) {
  // Every field write may be the end of an update; look once the write has unwound.
  vyx_->SetFieldObserver([this](Field) { ScheduleCheck(); });
  check_.setSingleShot(true);
  check_.setInterval(0);
  connect(&check_, &QTimer::timeout, this, &Session::Check);
  backstop_.setInterval(100);
  connect(&backstop_, &QTimer::timeout, this, &Session::Check);
}

Session::~Session() {
  vyx_->SetFieldObserver({});
  vyx_->SetHost(nullptr);
}

qt::PortMap& Session::Ports() { return platform_->portMap(); }

const Status& Session::EnvironmentStatus() const { return environment_; }

std::vector<std::string> Session::TakeEvents() {
  std::vector<std::string> out(std::make_move_iterator(events_.begin()),
                               std::make_move_iterator(events_.end()));
  events_.clear();
  return out;
}

void Session::Record(std::string event) {
  if (!recording_) return;
  if (events_.size() == kMaxEvents) events_.pop_front();
  events_.push_back(std::move(event));
}

void Session::PropertyChanged(std::string_view name) { Record("changed " + std::string(name)); }

void Session::NewData() {
  Record("NewData");
  gotNewData_ = true;
  emit newData();
  // NewData comes once the update has ended, so a run may start its next update from here,
  // while the reply that ended this one is just in, rather than a turn of the loop later.
  if (updating_ && !vyx_->UpdateInProgress()) {
    updating_ = false;
    emit updateEnded(true);
  }
  ScheduleCheck();
}

Status Session::Connect(int comm, int address) {
  const std::string device = platform_->portMap().Device(comm);
  if (const Status s = vyx_->Click(Field::CmbComm, comm); !s) return s;
  if (vyx_->Fields().Caption(Field::LblComm) != "Connect") {
    const std::string why = platform_->port().LastError();
    return Status::Fail("Comm" + std::to_string(comm) + " (" + device + ") did not open" +
                        (why.empty() ? std::string() : ": " + why));
  }
  if (vyx_->Fields().Selected(Field::CmbMicro) != address) {
    if (const Status s = vyx_->Click(Field::CmbMicro, address); !s) return s;
  }
  return Status::Ok();
}

void Session::RunUpdate() {
  updating_ = true;
  gotNewData_ = false;
  // Not Ready (a restored "Busy", say) starts nothing, and a refused set starts nothing
  // either; the check below then ends the update as failed.
  static_cast<void>(vyx_->Set("UpdateCmd", PropValue{true}));
  ScheduleCheck();
}

void Session::ScheduleCheck() {
  // A zero timer, started from the loop's own thread, costs no wake-up of the loop as a
  // posted call does; this runs on every field write of every update.
  if (!check_.isActive()) check_.start();
}

void Session::Check() {
  if (vyx_->UpdateInProgress()) {
    if (!backstop_.isActive()) backstop_.start();
    return;
  }
  backstop_.stop();
  if (updating_) {
    updating_ = false;
    emit updateEnded(gotNewData_);
  }
  emit settled();
}

}  // namespace vyx::console
