#pragma once
// Assignment conversion: what the runtime does when a value is stored into a variable,
// argument or column of another type. Fractions stored into integer types are rounded half
// away from zero (2.5 -> 3, -2.5 -> -3), integers that do not fit wrap (an integer holding
// 32000 + 1000 becomes -32536), a date stored into a datetime gets 00:00:00.

#include "host/value/value.h"

#include <cstdint>
#include <optional>

namespace hearth {

// The value converted for storing into `target`; a null stays null (of the target type),
// Type::Any keeps the value as it is. nullopt when the runtime rejects the store (text into
// a number, a boolean into a date ...) or when a decimal cannot hold the number.
std::optional<Value> try_convert(const Value& value, Type target);
// Same, raising 25015 naming both types when the store is rejected.
Value convert(const Value& value, Type target);
// Store into a decimal{places} variable: converted, then rounded to that many places.
Value convert_to_decimal(const Value& value, int places);

// Two's-complement wrapping as the runtime stores integers.
std::int16_t wrap_to_integer(std::int64_t number);
std::int32_t wrap_to_long(std::int64_t number);
std::uint32_t wrap_to_ulong(std::int64_t number);

// A fraction rounded half away from zero and wrapped into 64 bits, as the integer stores use.
std::int64_t round_to_int64(double number);
std::int64_t round_to_int64(const Decimal& number);

} // namespace hearth
