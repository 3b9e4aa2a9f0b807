#include "platform/qt_clock.h"

#include <QTime>

namespace vyx::qt {

float QtClock::SecondsSinceMidnight() {
  return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

std::chrono::steady_clock::time_point QtClock::Now() { return std::chrono::steady_clock::now(); }

}  // namespace vyx::qt
