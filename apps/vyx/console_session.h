// One component on the Qt platform, as the console drives it: the port map, the component,
// and the log of what it raised, its update ends included.
#pragma once

#include <QObject>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "control/host.h"
#include "control/status.h"
#include "control/update_end.h"

namespace vyx {
class Vyx;
namespace qt {
class Platform;
class PortMap;
}  // namespace qt
}  // namespace vyx

namespace vyx::console {

class Session : public QObject, private Host {
  Q_OBJECT
 public:
  // Events kept for `events`; older ones are dropped when nobody asks for a long time.
  static constexpr std::size_t kMaxEvents = 100000;

  explicit Session(QObject* parent = nullptr);
  ~Session() override;

  qt::PortMap& Ports();
  // Whether VYX_COMM1 to VYX_COMM8 were all usable.
  const Status& EnvironmentStatus() const;
  Vyx& Component() { return *vyx_; }
  const Vyx& Component() const { return *vyx_; }
  // Whether the platform's port is open, whatever the panel shows.
  bool PortOpen() const;

  // "NewData", "changed NAME" and "ended ok" or "ended failed: REASON", oldest first, since
  // the last call. Only the shell reads them, so they are kept only once it asks for them;
  // read and monitor keep nothing.
  std::vector<std::string> TakeEvents();
  void SetRecording(bool on) { recording_ = on; }

  // Picks CommN and address A in the panel's lists, as the operator would. Fails, naming
  // the device, when the port does not open.
  Status Connect(int comm, int address);

  // Presses Update; updateEnded follows, perhaps before this returns.
  void RunUpdate();

 signals:
  void newData();
  // Once per press of Update, after its newData when it succeeded. Emitted from within the
  // component's call: a slot may press Update again, and should leave anything else to a
  // later turn of the event loop.
  void updateEnded(const vyx::UpdateEnd& end);

 private:
  void PropertyChanged(std::string_view name) override;
  void NewData() override;
  void UpdateEnded(const UpdateEnd& end) override;
  void Record(std::string event);

  std::deque<std::string> events_;
  bool recording_ = false;
  Status environment_;
  // Last, so that the component goes first and never calls into a half-destroyed host.
  std::unique_ptr<qt::Platform> platform_;
  std::unique_ptr<Vyx> vyx_;
};

}  // namespace vyx::console
