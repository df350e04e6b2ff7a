#pragma once
// Argument checks shared by the Value forms of the global functions (internal to host/value).

#include "host/value/runtime_error.h"
#include "host/value/value.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace hearth::fn::args {

// Whether any of the arguments is null (the function then returns a null result).
inline bool any_null(std::initializer_list<const Value*> values)
{
    for (const Value* value : values) {
        if (value->is_null())
            return true;
    }
    return false;
}

// Raises 25015 for an argument the script compiler would have rejected.
[[noreturn]] void wrong_kind(std::string_view function, int index, std::string_view expected, const Value& got);

// The text of a string argument.
const std::string& text(const Value& value, std::string_view function, int index);
// A count or position: any numeric value, fractions rounded half away from zero, clamped to long.
long count(const Value& value, std::string_view function, int index);
// A boolean flag.
bool flag(const Value& value, std::string_view function, int index);

// Numeric value as a long, rounded half away from zero and clamped (value must be numeric).
long rounded_long(const Value& value);

} // namespace hearth::fn::args
