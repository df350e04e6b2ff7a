#include "host/value/fn_args.h"

#include <cmath>
#include <fmt/format.h>
#include <limits>

namespace hearth::fn::args {

void wrong_kind(std::string_view function, int index, std::string_view expected, const Value& got)
{
    throw RuntimeError(
        ErrorCode::CallFailed,
        fmt::format("{}: argument {} must be {}, not {}", function, index, expected, type_name(got.type())));
}

const std::string& text(const Value& value, std::string_view function, int index)
{
    if (!value.is_string())
        wrong_kind(function, index, "a string", value);
    return value.as_string();
}

long rounded_long(const Value& value)
{
    constexpr long lowest = std::numeric_limits<long>::min();
    constexpr long highest = std::numeric_limits<long>::max();
    if (value.is_integral())
        return long(value.as_integral());
    if (value.type() == Type::Decimal) {
        Int128 whole = value.as_decimal().rounded(0).coefficient();
        return whole < lowest ? lowest : whole > highest ? highest : long(whole);
    }
    double number = std::round(value.as_double()); // std::round rounds halves away from zero
    if (std::isnan(number))
        return 0;
    if (number <= double(lowest))
        return lowest;
    if (number >= double(highest))
        return highest;
    return long(number);
}

long count(const Value& value, std::string_view function, int index)
{
    if (!value.is_numeric())
        wrong_kind(function, index, "a number", value);
    return rounded_long(value);
}

bool flag(const Value& value, std::string_view function, int index)
{
    if (value.type() != Type::Boolean)
        wrong_kind(function, index, "a boolean", value);
    return value.as_bool();
}

} // namespace hearth::fn::args
