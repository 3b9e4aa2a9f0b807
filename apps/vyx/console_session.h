// One component on the Qt platform, as the console drives it: the port map, the component,
// the log of what it raised, and the end of each update seen from the event loop.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "control/host.h"
#include "control/status.h"
#include "panel/field.h"

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

  // "NewData" and "changed NAME", oldest first, since the last call. Only the shell reads
  // them, so they are kept only once it asks for them; read and monitor keep nothing.
  std::vector<std::string> TakeEvents();
  void SetRecording(bool on) { recording_ = on; }

  // Picks CommN and address A in the panel's lists, as the operator would. Fails, naming
  // the device, when the port does not open.
  Status Connect(int comm, int address);

  // Presses Update; updateEnded follows once no reply is awaited, true when NewData came.
  void RunUpdate();

 signals:
  void newData();
  void updateEnded(bool gotNewData);
  // After anything the component did, once no update is in progress.
  void settled();

 private:
  void PropertyChanged(std::string_view name) override;
  void NewData() override;
  void Record(std::string event);
  void ScheduleCheck();
  void Check();

  std::deque<std::string> events_;
  bool recording_ = false;
  bool updating_ = false;  // RunUpdate's update has not ended yet
  bool gotNewData_ = false;
  QTimer check_;  // looks once the write that may have ended an update has unwound
  // A backstop for an update that ends without any field write to tell of it.
  QTimer backstop_;
  Status environment_;
  // Last, so that the component goes first and never calls into a half-destroyed host.
  std::unique_ptr<qt::Platform> platform_;
  std::unique_ptr<Vyx> vyx_;
};

}  // namespace vyx::console
