// JSON scalars as the console reads and writes them: one value per command, no documents.
// Standard C++ only, so that the line parser built on it stays a pure function.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/host.h"
#include "control/properties.h"

namespace vyx::documents {

struct JsonScalar {
  enum class Kind : std::uint8_t { String, Boolean, Integer, Number, Null };
  Kind kind = Kind::Null;
  std::string text;          // String: the decoded text, UTF-8
  bool boolean = false;      // Boolean
  std::int64_t integer = 0;  // Integer: written without fraction or exponent, fits 64 bits
  double number = 0.0;       // Number, and Integer as a double
};

// Parses exactly one JSON scalar (blanks around it allowed). On failure returns nothing and
// says why in `error`.
std::optional<JsonScalar> ParseJsonScalar(std::string_view input, std::string& error);

// The bytes as UTF-8: valid sequences pass through, any other byte is taken as Latin-1,
// since texts that come from the board are single bytes.
std::string ToUtf8(std::string_view bytes);

// A JSON string literal for the bytes, after ToUtf8.
std::string JsonQuote(std::string_view bytes);

// The JSON text of a property value: a string, true/false, or an integer.
std::string JsonOf(const PropValue& value);

// A JSON value as a property bag holds it, for the one conversion every host uses
// (control/value_conversion.h); nothing for null.
std::optional<BagValue> ToBagValue(const JsonScalar& value);

// A property value as a bag holds it: a 16-bit Integer widens to 64 bits.
BagValue BagValueOf(const PropValue& value);

// Why a value does not fit a property, in one wording for every type:
// `DONstate takes a whole number -32768..32767, not "x"`, with the value as it was written.
std::string ValueError(std::string_view property, PropType type, std::string_view given);

}  // namespace vyx::documents
