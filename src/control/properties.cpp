// The property accessors and the NewData event.
#include "control/properties.h"

#include <algorithm>
#include <array>
#include <string>

#include "control/value_conversion.h"
#include "control/vyx.h"

namespace vyx {

std::string_view NameOf(PropType t) {
  switch (t) {
    case PropType::String:
      return "String";
    case PropType::Boolean:
      return "Boolean";
    case PropType::Integer:
      return "Integer";
  }
  return "?";
}

namespace {

// The properties in the order of their names, for a binary search: a host reads them by name
// on every update, a logging host all of them.
constexpr std::array<const PropertySpec*, kPropertyCount> kByName = [] {
  std::array<const PropertySpec*, kPropertyCount> order{};
  for (std::size_t i = 0; i < kPropertyCount; ++i) order[i] = &kProperties[i];
  std::sort(order.begin(), order.end(),
            [](const PropertySpec* a, const PropertySpec* b) { return a->name < b->name; });
  return order;
}();
static_assert(std::adjacent_find(kByName.begin(), kByName.end(),
                                 [](const PropertySpec* a, const PropertySpec* b) {
                                   return a->name == b->name;
                                 }) == kByName.end(),
              "two properties share a name");

}  // namespace

const PropertySpec* PropertyByName(std::string_view name) {
  const auto it =
      std::lower_bound(kByName.begin(), kByName.end(), name,
                       [](const PropertySpec* p, std::string_view n) { return p->name < n; });
  return it != kByName.end() && (*it)->name == name ? *it : nullptr;
}

PropValue ReadField(const FieldStore& fields, Field field, Attribute attribute) {
  switch (attribute) {
    case Attribute::Text:
      return fields.Text(field);
    case Attribute::Caption:
      return fields.Caption(field);
    case Attribute::Value:
      return fields.Value(field);
    case Attribute::State:
      return fields.State(field);
  }
  return std::string();
}

Status CheckFieldValue(Attribute attribute, const PropValue& value) {
  const PropType want = TypeOf(attribute);
  const bool typeOk = (want == PropType::String && std::holds_alternative<std::string>(value)) ||
                      (want == PropType::Boolean && std::holds_alternative<bool>(value)) ||
                      (want == PropType::Integer && std::holds_alternative<std::int16_t>(value));
  if (!typeOk) return Status::Fail("wrong type, expected " + std::string(NameOf(want)));

  if (const auto* text = std::get_if<std::string>(&value); text && text->size() > kMaxTextBytes) {
    return Status::Fail("text of " + std::to_string(text->size()) + " bytes is longer than " +
                        std::to_string(kMaxTextBytes));
  }
  if (const auto* state = std::get_if<std::int16_t>(&value); state && *state != 0 && *state != 1) {
    return Status::Fail("a check box takes 0 or 1, not " + std::to_string(*state));
  }
  return Status::Ok();
}

void WriteField(FieldStore& fields, Field field, Attribute attribute, const PropValue& value) {
  switch (attribute) {
    case Attribute::Text:
      if (const auto* t = std::get_if<std::string>(&value)) fields.SetText(field, *t);
      return;
    case Attribute::Caption:
      if (const auto* t = std::get_if<std::string>(&value)) fields.SetCaption(field, *t);
      return;
    case Attribute::Value:
      if (const auto* b = std::get_if<bool>(&value)) fields.SetValue(field, *b);
      return;
    case Attribute::State:
      if (const auto* s = std::get_if<std::int16_t>(&value)) fields.SetState(field, *s);
      return;
  }
}

Status Vyx::Get(std::string_view name, PropValue& value) const {
  const PropertySpec* p = PropertyByName(name);
  if (!p) return Status::Fail("unknown property \"" + std::string(name) + "\"");
  value = ReadField(fields_, p->field, p->attribute);
  return Status::Ok();
}

Status Vyx::Set(std::string_view name, const PropValue& value) {
  const PropertySpec* p = PropertyByName(name);
  if (!p) return Status::Fail("unknown property \"" + std::string(name) + "\"");
  if (Status s = CheckFieldValue(p->attribute, value); !s) {
    return Status::Fail(std::string(p->name) + ": " + s.message());
  }
  WriteField(fields_, p->field, p->attribute, value);
  // Only now: the host hears of the change after every effect of the write has finished.
  if (host_) host_->PropertyChanged(p->name);
  return Status::Ok();
}

Status Vyx::Assign(std::string_view name, const BagValue& value) {
  const PropertySpec* p = PropertyByName(name);
  if (!p) return Status::Fail("unknown property \"" + std::string(name) + "\"");
  PropValue converted;
  if (Status s = ConvertValue(value, p->type, converted); !s) {
    return Status::Fail(std::string(p->name) + ": " + s.message());
  }
  return Set(name, converted);
}

// Reception advances TxtEvent once per valid status reply; that change, and nothing else,
// tells the host that fresh readings are in their fields.
void Vyx::TxtEvent_Change() {
  if (host_) host_->NewData();
}

}  // namespace vyx
