#include "host/value/value.h"

#include "host/value/runtime_error.h"

#include <fmt/format.h>

#include <cassert>
#include <cmath>

namespace hearth {

void require_string_length(std::size_t length, std::string_view operation)
{
    if (length > max_string_length)
        throw RuntimeError(
            ErrorCode::CallFailed,
            fmt::format("{}: a string cannot be longer than {} characters", operation, max_string_length));
}

std::string_view type_name(Type type)
{
    switch (type) {
    case Type::Any: return "any";
    case Type::String: return "string";
    case Type::Integer: return "integer";
    case Type::Long: return "long";
    case Type::ULong: return "unsignedlong";
    case Type::Boolean: return "boolean";
    case Type::Decimal: return "decimal";
    case Type::Real: return "real";
    case Type::Double: return "double";
    case Type::Date: return "date";
    case Type::Time: return "time";
    case Type::DateTime: return "datetime";
    case Type::Blob: return "blob";
    case Type::Object: return "object";
    }
    return "any";
}

Value Value::initial_of(Type type)
{
    switch (type) {
    case Type::Any: return Value();
    case Type::String: return Value(std::string());
    case Type::Integer: return integer(0);
    case Type::Long: return Value(std::int32_t(0));
    case Type::ULong: return ulong(0);
    case Type::Boolean: return Value(false);
    case Type::Decimal: return Value(Decimal());
    case Type::Real: return real(0.0f);
    case Type::Double: return Value(0.0);
    case Type::Date: return Value(Date {});
    case Type::Time: return Value(Time {});
    case Type::DateTime: return Value(DateTime {});
    case Type::Blob: return Value(Blob {});
    case Type::Object: return Value(ObjectRef {});
    }
    return Value();
}

Value Value::null_of(Type type)
{
    Value value = initial_of(type);
    value.m_null = true;
    return value;
}

Value Value::integer(std::int16_t number) { return Value(Type::Integer, false, std::int64_t(number)); }
Value Value::ulong(std::uint32_t number) { return Value(Type::ULong, false, std::int64_t(number)); }
Value Value::real(float number) { return Value(Type::Real, false, double(number)); }

bool Value::is_numeric() const
{
    return is_integral() || m_type == Type::Decimal || m_type == Type::Real || m_type == Type::Double;
}

const std::string& Value::as_string() const
{
    assert(m_type == Type::String);
    return std::get<std::string>(m_data);
}

std::int64_t Value::as_integral() const
{
    assert(is_integral());
    return std::get<std::int64_t>(m_data);
}

bool Value::as_bool() const
{
    assert(m_type == Type::Boolean);
    return std::get<bool>(m_data);
}

const Decimal& Value::as_decimal() const
{
    assert(m_type == Type::Decimal);
    return std::get<Decimal>(m_data);
}

double Value::as_double() const
{
    assert(m_type == Type::Real || m_type == Type::Double);
    return std::get<double>(m_data);
}

const Date& Value::as_date() const
{
    assert(m_type == Type::Date);
    return std::get<Date>(m_data);
}

const Time& Value::as_time() const
{
    assert(m_type == Type::Time);
    return std::get<Time>(m_data);
}

const DateTime& Value::as_datetime() const
{
    assert(m_type == Type::DateTime);
    return std::get<DateTime>(m_data);
}

const Blob& Value::as_blob() const
{
    assert(m_type == Type::Blob);
    return std::get<Blob>(m_data);
}

const ObjectRef& Value::as_object() const
{
    assert(m_type == Type::Object);
    return std::get<ObjectRef>(m_data);
}

bool Value::operator==(const Value& other) const
{
    if (m_type != other.m_type || m_null != other.m_null)
        return false;
    if (m_null)
        return true;
    if (m_type == Type::Object)
        return as_object().same_as(other.as_object());
    return m_data == other.m_data;
}

} // namespace hearth
