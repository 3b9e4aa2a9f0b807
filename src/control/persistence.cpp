// Save and restore. Neither traps anything: the first failure ends the operation at its key
// and goes back to the host, and what was done before it stays done.
#include "control/persistence.h"

#include <string>

#include "control/value_conversion.h"
#include "control/vyx.h"

namespace vyx {
namespace {

Status AtKey(std::string_view key, const Status& failure) {
  return Status::Fail("key \"" + std::string(key) + "\": " + failure.message());
}

}  // namespace

PropValue DefaultOf(const BagKey& k) {
  if (TypeOf(k.attribute) == PropType::String) return std::string(k.defaultText);
  return std::int16_t{0};
}

Status Vyx::Save(PropertyBag& bag) const {
  for (const BagKey& k : kSaveKeys) {
    const PropValue value = ReadField(fields_, k.field, k.attribute);
    if (Status s = bag.Write(k.key, value, DefaultOf(k)); !s) return AtKey(k.key, s);
  }
  return Status::Ok();
}

// Writes go straight to the fields, so every handler runs as for a property set, but the
// host is not told of each: it is loading its own document.
Status Vyx::Restore(PropertyBag& bag) {
  for (const BagKey& k : kRestoreKeys) {
    BagValue stored;
    if (Status s = bag.Read(k.key, DefaultOf(k), stored); !s) return AtKey(k.key, s);
    PropValue value;
    if (Status s = ConvertValue(stored, TypeOf(k.attribute), value); !s) return AtKey(k.key, s);
    if (Status s = CheckFieldValue(k.attribute, value); !s) return AtKey(k.key, s);
    WriteField(fields_, k.field, k.attribute, value);
  }
  return Status::Ok();
}

}  // namespace vyx
