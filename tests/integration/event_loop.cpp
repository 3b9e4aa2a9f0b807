#include "event_loop.h"

#include <QEventLoop>
#include <QTimer>

namespace vyx::test {

void Turn(std::chrono::milliseconds time) {
  QEventLoop loop;
  QTimer::singleShot(time, &loop, &QEventLoop::quit);
  loop.exec();
}

bool TurnUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Turn(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace vyx::test
