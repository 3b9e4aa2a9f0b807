#include "document_check.h"

#include "control/persistence.h"
#include "control/properties.h"
#include "control/value_conversion.h"

namespace vyx::panel {

QString CheckDocument(PropertyBag& bag) {
  for (const BagKey& k : kRestoreKeys) {
    const auto fail = [&](const Status& s) {
      return QStringLiteral("key \"%1\": %2")
          .arg(QString::fromUtf8(k.key.data(), qsizetype(k.key.size())),
               QString::fromStdString(s.message()));
    };
    BagValue stored;
    if (Status s = bag.Read(k.key, DefaultOf(k), stored); !s.ok()) return fail(s);
    PropValue value;
    if (Status s = ConvertValue(stored, TypeOf(k.attribute), value); !s.ok()) return fail(s);
    if (Status s = CheckFieldValue(k.attribute, value); !s.ok()) return fail(s);
  }
  return {};
}

}  // namespace vyx::panel
