#include "platform/qt_platform.h"

#include <utility>

#include "platform/logging.h"

namespace vyx::qt {

Platform::Platform() {
  environment_ = map_.LoadEnvironment();
  if (!environment_) qCWarning(lcLink) << "ignored:" << environment_.message().c_str();
}

Platform::Platform(PortMap map) : map_(std::move(map)) {}

}  // namespace vyx::qt
