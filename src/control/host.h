// What the embedding host supplies: property-changed notifications, the NewData event and
// the property bag that keeps the saved properties with its document.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "control/status.h"
#include "control/update_end.h"

namespace vyx {

// A property value: String, Boolean or 16-bit Integer.
using PropValue = std::variant<std::string, bool, std::int16_t>;

class Host {
 public:
  virtual ~Host() = default;
  virtual void PropertyChanged(std::string_view name) = 0;
  // Runs before the raise returns; it may call any property, UpdateCmd included.
  virtual void NewData() = 0;
  // Once per update, after it has ended: success comes after its NewData. Runs before the
  // raise returns, like NewData, and may start the next update.
  virtual void UpdateEnded(const UpdateEnd& end) { (void)end; }
};

// A value as a property bag stores it, before it is converted to the field's type.
using BagValue = std::variant<std::string, bool, std::int64_t, double>;

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  // The stored value, or the default when the key is absent.
  virtual Status Read(std::string_view key, const PropValue& def, BagValue& out) = 0;
  // A value equal to its default may be left out.
  virtual Status Write(std::string_view key, const PropValue& value, const PropValue& def) = 0;
};

}  // namespace vyx
