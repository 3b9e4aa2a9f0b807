#include "platform/qt_clock.h"

#include <QDateTime>

namespace vyx::qt {

float QtClock::SecondsSinceMidnight() {
  using namespace std::chrono;
  const steady_clock::time_point now = steady_clock::now();
  if (!haveOffset_ || now - offsetFresh_ > minutes(1)) {
    offset_ = seconds(QDateTime::currentDateTime().offsetFromUtc());
    offsetFresh_ = now;
    haveOffset_ = true;
  }
  constexpr long long kDay = 86400LL * 1000;
  const long long local =
      duration_cast<milliseconds>(system_clock::now().time_since_epoch() + offset_).count();
  const long long ms = ((local % kDay) + kDay) % kDay;
  return static_cast<float>(ms) / 1000.0f;
}

std::chrono::steady_clock::time_point QtClock::Now() { return std::chrono::steady_clock::now(); }

}  // namespace vyx::qt
