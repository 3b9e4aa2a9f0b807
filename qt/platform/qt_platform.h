// Everything the component needs from Qt in one object: the port map, the serial port, the
// reply timer and the clock. A host writes
//
//   vyx::qt::Platform p;
//   vyx::Vyx vyx(p.port(), p.timer(), p.clock(), &host);
//
// and keeps the platform alive as long as the component. It needs a QCoreApplication (or a
// QApplication) and runs on its thread.
#pragma once

#include "control/status.h"
#include "platform/port_map.h"
#include "platform/qt_clock.h"
#include "platform/qt_reply_timer.h"
#include "platform/qt_serial_port.h"

namespace vyx::qt {

class Platform {
 public:
  // The ports as VYX_COMM1 to VYX_COMM8 map them; invalid variables are skipped and
  // reported by environmentStatus().
  Platform();
  explicit Platform(PortMap map);
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  // Mappings may change at any time; they count from the next opening of the port.
  PortMap& portMap() { return map_; }
  QtSerialPort& port() { return port_; }
  QtReplyTimer& timer() { return timer_; }
  QtClock& clock() { return clock_; }
  const Status& environmentStatus() const { return environment_; }

 private:
  PortMap map_;
  Status environment_;
  QtSerialPort port_{map_};
  QtReplyTimer timer_;
  QtClock clock_;
};

}  // namespace vyx::qt
