#include "platform/logging.h"

namespace vyx::qt {

// Warnings are kept for a host's own misconfiguration; port traffic is debug chatter.
Q_LOGGING_CATEGORY(lcLink, "vyx.link", QtWarningMsg)

}  // namespace vyx::qt
