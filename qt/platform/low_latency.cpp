#include "platform/low_latency.h"

#include <sys/ioctl.h>

#include "platform/logging.h"

namespace vyx::qt {
namespace {

class SystemDriver final : public SerialDriver {
 public:
  bool Get(int fd, serial_struct& settings) override {
    return ::ioctl(fd, TIOCGSERIAL, &settings) == 0;
  }
  bool Set(int fd, const serial_struct& settings) override {
    return ::ioctl(fd, TIOCSSERIAL, &settings) == 0;
  }
};

}  // namespace

SerialDriver& SerialDriver::System() {
  static SystemDriver driver;
  return driver;
}

bool LowLatency::Engage(int fd) {
  Release();
  serial_struct settings{};
  if (fd < 0 || !driver_.Get(fd, settings)) return false;
  if ((settings.flags & ASYNC_LOW_LATENCY) != 0) return true;
  serial_struct wanted = settings;
  wanted.flags |= ASYNC_LOW_LATENCY;
  if (!driver_.Set(fd, wanted)) {
    qCDebug(lcLink) << "the driver refuses low latency";
    return false;
  }
  fd_ = fd;
  saved_ = settings;
  return true;
}

void LowLatency::Release() {
  if (fd_ < 0) return;
  // Only the flag this line set goes back; other settings may have changed meanwhile.
  serial_struct now{};
  if (driver_.Get(fd_, now)) {
    now.flags = (now.flags & ~ASYNC_LOW_LATENCY) | (saved_.flags & ASYNC_LOW_LATENCY);
    (void)driver_.Set(fd_, now);
  }
  fd_ = -1;
}

}  // namespace vyx::qt
