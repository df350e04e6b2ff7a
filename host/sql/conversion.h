#pragma once
// Host values on their way to and from the database: a parameter's text for the backend, and
// a value converted to the type of the variable it is stored into.

#include "host/value/result.h"
#include "host/value/value.h"

#include <string>

namespace hearth::sql {

// Converts a value to the type of the variable it is stored into (SELECT ... INTO and
// FETCH ... INTO keep the target's declared type). The runtime's assignment rules
// (host/value/convert.h) apply where they have one; a value they do not store (text into a
// number, a number into text, a boolean into a number) is read as the backend would read a
// cell holding it. Fails with the reason.
Result<Value> convert_value(const Value& from, Type want);

// The text form of a parameter value that both backends accept for its column type.
// Not for blobs, which are bound as bytes.
std::string parameter_text(const Value& value);

} // namespace hearth::sql
