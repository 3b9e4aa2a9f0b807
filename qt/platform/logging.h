// Logging categories of the Qt platform. Silent by default; enable with
// QT_LOGGING_RULES="vyx.link.debug=true".
#pragma once

#include <QLoggingCategory>

namespace vyx::qt {

Q_DECLARE_LOGGING_CATEGORY(lcLink)

}  // namespace vyx::qt
