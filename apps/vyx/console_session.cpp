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
                                 static_cast<Host*>(this))) {}

Session::~Session() { vyx_->SetHost(nullptr); }

qt::PortMap& Session::Ports() { return platform_->portMap(); }

const Status& Session::EnvironmentStatus() const { return environment_; }

bool Session::PortOpen() const { return platform_->port().IsOpen(); }

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
  emit newData();
}

void Session::UpdateEnded(const UpdateEnd& end) {
  Record(end.ok() ? "ended ok" : "ended failed: " + end.Describe());
  emit updateEnded(end);
}

Status Session::Connect(int comm, int address) {
  const std::string device = platform_->portMap().Device(comm);
  if (const Status s = vyx_->Click(Field::CmbComm, comm); !s) return s;
  if (!PortOpen()) {
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
  // Every press is answered with an end, one that could not start (a panel restored in the
  // middle of an update, no port) as well.
  static_cast<void>(vyx_->Set("UpdateCmd", PropValue{true}));
}

}  // namespace vyx::console
