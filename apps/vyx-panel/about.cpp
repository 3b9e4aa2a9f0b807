#include "about.h"

#include <QObject>

#include "control/identity.h"

namespace vyx::panel {

QString PanelVersion() {
  return QString::fromUtf8(identity::kVersion.data(), qsizetype(identity::kVersion.size()));
}

QString AboutText() {
  return QObject::tr(
             "<h3>Vyx Panel %1</h3>"
             "<p>The desktop host for the Vyx I/O board: the instrument's panel beside a live "
             "chart of AD0 to AD4, with documents and CSV logging.</p>"
             "<p>Licence: MIT. This program comes with no warranty; see the LICENSE file that "
             "comes with it.</p>")
      .arg(PanelVersion());
}

}  // namespace vyx::panel
