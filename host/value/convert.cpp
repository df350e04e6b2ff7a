#include "host/value/convert.h"

#include "host/value/runtime_error.h"

#include <cmath>
#include <fmt/format.h>

namespace hearth {

std::int16_t wrap_to_integer(std::int64_t number) { return std::int16_t(std::uint16_t(std::uint64_t(number))); }
std::int32_t wrap_to_long(std::int64_t number) { return std::int32_t(std::uint32_t(std::uint64_t(number))); }
std::uint32_t wrap_to_ulong(std::int64_t number) { return std::uint32_t(std::uint64_t(number)); }

std::int64_t round_to_int64(double number)
{
    if (!std::isfinite(number))
        return 0;
    double whole = std::round(number); // exact halves round away from zero (undocumented): 2.5 -> 3, -2.5 -> -3
    // Beyond 2^63 only the low bits survive the wrap; keep them without overflowing the cast.
    double wrapped = std::fmod(whole, 18446744073709551616.0);
    if (wrapped >= 9223372036854775808.0)
        wrapped -= 18446744073709551616.0;
    else if (wrapped < -9223372036854775808.0)
        wrapped += 18446744073709551616.0;
    return std::int64_t(wrapped);
}

std::int64_t round_to_int64(const Decimal& number)
{
    __extension__ typedef unsigned __int128 UInt128;
    // Exact halves round away from zero, as for doubles (undocumented).
    return std::int64_t(std::uint64_t(UInt128(number.rounded(0).coefficient())));
}

namespace {

std::optional<Value> to_integral(std::int64_t number, Type target)
{
    switch (target) {
    case Type::Integer: return Value::integer(wrap_to_integer(number));
    case Type::Long: return Value(wrap_to_long(number));
    case Type::ULong: return Value::ulong(wrap_to_ulong(number));
    default: return std::nullopt;
    }
}

std::optional<Value> convert_number(const Value& value, Type target)
{
    bool integral_target = target == Type::Integer || target == Type::Long || target == Type::ULong;
    if (value.is_integral()) {
        std::int64_t number = value.as_integral();
        if (integral_target)
            return to_integral(number, target);
        if (target == Type::Decimal)
            return Value(Decimal(number));
        if (target == Type::Real)
            return Value::real(float(number));
        return Value(double(number));
    }
    if (value.type() == Type::Decimal) {
        const Decimal& number = value.as_decimal();
        if (integral_target)
            return to_integral(round_to_int64(number), target);
        if (target == Type::Decimal)
            return value;
        if (target == Type::Real)
            return Value::real(float(number.to_double()));
        return Value(number.to_double());
    }
    double number = value.as_double();
    if (integral_target)
        return to_integral(round_to_int64(number), target);
    if (target == Type::Decimal) {
        auto decimal = Decimal::from_double(number);
        if (!decimal)
            return std::nullopt;
        return Value(*decimal);
    }
    if (target == Type::Real)
        return Value::real(float(number));
    return Value(number);
}

bool is_numeric_type(Type type)
{
    switch (type) {
    case Type::Integer:
    case Type::Long:
    case Type::ULong:
    case Type::Decimal:
    case Type::Real:
    case Type::Double: return true;
    default: return false;
    }
}

} // namespace

std::optional<Value> try_convert(const Value& value, Type target)
{
    if (target == Type::Any)
        return value;
    if (value.is_null())
        return Value::null_of(target);
    if (value.type() == target)
        return value;
    if (value.is_numeric() && is_numeric_type(target))
        return convert_number(value, target);
    switch (value.type()) {
    case Type::Date:
        if (target == Type::DateTime)
            return Value(DateTime {value.as_date(), Time {}});
        break;
    case Type::DateTime:
        if (target == Type::Date)
            return Value(value.as_datetime().date);
        if (target == Type::Time)
            return Value(value.as_datetime().time);
        break;
    default: break;
    }
    return std::nullopt;
}

Value convert(const Value& value, Type target)
{
    if (auto converted = try_convert(value, target))
        return *converted;
    throw RuntimeError(ErrorCode::CallFailed,
                       fmt::format("cannot store a {} value into a {}", type_name(value.type()), type_name(target)));
}

Value convert_to_decimal(const Value& value, int places)
{
    Value converted = convert(value, Type::Decimal);
    if (converted.is_null())
        return converted;
    return Value(converted.as_decimal().rounded(places));
}

} // namespace hearth
