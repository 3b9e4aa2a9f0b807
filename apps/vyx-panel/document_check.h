// Whether a document restores whole: every key the component reads, converted to its
// field's type and accepted by the field. Checked before the window lets go of the current
// component, so that a document that would stop half-way changes nothing.
#pragma once

#include <QString>

namespace vyx {
class PropertyBag;
}

namespace vyx::panel {

// Empty when every key converts; otherwise the first key that does not, and why.
QString CheckDocument(PropertyBag& bag);

}  // namespace vyx::panel
