#pragma once
// The runtime's typed value: a type tag, a null flag and the datum. Every host operation and
// every script argument and result passes through this type.

#include "host/value/decimal.h"

#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace hearth {

class Object;

enum class Type : std::uint8_t {
    Any,
    String,
    Integer, // 16-bit signed
    Long,    // 32-bit signed
    ULong,   // 32-bit unsigned
    Boolean,
    Decimal,
    Real, // single precision, held as a double rounded to float
    Double,
    Date,
    Time,
    DateTime,
    Blob,
    Object,
};

// The runtime's own type name ("string", "integer", "long", ...).
std::string_view type_name(Type type);

// The longest string the runtime holds: its documented 1,073,741,823 characters, counted here
// in bytes of UTF-8 (one per character for ASCII text; wider characters reach it sooner).
inline constexpr std::size_t max_string_length = 1'073'741'823;
// Raises 25015 ("<operation>: a string cannot be longer than ...") when a string of `length`
// bytes would pass max_string_length.
void require_string_length(std::size_t length, std::string_view operation);

struct Date {
    std::int16_t year = 1900;
    std::uint8_t month = 1;
    std::uint8_t day = 1;
    auto operator<=>(const Date&) const = default;
};

struct Time {
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint32_t microsecond = 0;
    auto operator<=>(const Time&) const = default;
};

struct DateTime {
    Date date;
    Time time;
    auto operator<=>(const DateTime&) const = default;
};

using Blob = std::vector<std::uint8_t>;

// A reference to a host object. It never keeps the object alive: once the object is
// destroyed the reference is no longer valid, and a call through it raises 20502.
class ObjectRef {
public:
    ObjectRef() = default;
    explicit ObjectRef(std::weak_ptr<Object> target) : m_target(std::move(target)) {}

    // The object, or nullptr when the reference was never set or the object is destroyed.
    // Defined beside Object (host/object), which knows when an object is destroyed.
    Object* get() const;
    std::shared_ptr<Object> lock() const;
    bool is_valid() const { return get() != nullptr; }
    bool operator==(const ObjectRef& other) const { return same_as(other); }
    bool same_as(const ObjectRef& other) const
    {
        return !m_target.owner_before(other.m_target) && !other.m_target.owner_before(m_target);
    }

private:
    std::weak_ptr<Object> m_target;
};

class Value {
public:
    // A null value of type any, as a failed script or a bare RETURN gives.
    Value() = default;
    static Value null_of(Type type);
    // The initial value of a declared variable of that type ("" , 0, false, 1900-01-01 ...).
    static Value initial_of(Type type);

    Value(std::string text) : m_type(Type::String), m_null(false), m_data(std::move(text)) {}
    Value(std::string_view text) : Value(std::string(text)) {}
    Value(const char* text) : Value(std::string(text)) {}
    Value(bool flag) : m_type(Type::Boolean), m_null(false), m_data(flag) {}
    Value(std::int32_t number) : m_type(Type::Long), m_null(false), m_data(std::int64_t(number)) {}
    Value(Decimal number) : m_type(Type::Decimal), m_null(false), m_data(number) {}
    Value(double number) : m_type(Type::Double), m_null(false), m_data(number) {}
    Value(Date date) : m_type(Type::Date), m_null(false), m_data(date) {}
    Value(Time time) : m_type(Type::Time), m_null(false), m_data(time) {}
    Value(DateTime stamp) : m_type(Type::DateTime), m_null(false), m_data(stamp) {}
    Value(Blob bytes) : m_type(Type::Blob), m_null(false), m_data(std::move(bytes)) {}
    Value(ObjectRef ref) : m_type(Type::Object), m_null(false), m_data(std::move(ref)) {}

    static Value integer(std::int16_t number);
    static Value long_(std::int32_t number) { return Value(number); }
    static Value ulong(std::uint32_t number);
    static Value real(float number);

    Type type() const { return m_type; }
    bool is_null() const { return m_null; }
    void set_null() { m_null = true; }

    bool is_string() const { return m_type == Type::String; }
    // Integer, Long and ULong.
    bool is_integral() const { return m_type == Type::Integer || m_type == Type::Long || m_type == Type::ULong; }
    // Integral, Decimal, Real and Double.
    bool is_numeric() const;

    // Typed access; the value must hold that kind of datum (asserted). A null value still
    // holds the datum of its type's initial value.
    const std::string& as_string() const;
    std::int64_t as_integral() const;
    bool as_bool() const;
    const Decimal& as_decimal() const;
    double as_double() const; // Real or Double
    const Date& as_date() const;
    const Time& as_time() const;
    const DateTime& as_datetime() const;
    const Blob& as_blob() const;
    const ObjectRef& as_object() const;

    // Same type, same null flag and equal datum; for tests and containers, not script '='.
    bool operator==(const Value& other) const;

    using Data = std::variant<std::monostate, std::string, std::int64_t, bool, Decimal, double, Date, Time, DateTime,
                              Blob, ObjectRef>;

private:
    Value(Type type, bool null, Data data) : m_type(type), m_null(null), m_data(std::move(data)) {}

    Type m_type = Type::Any;
    bool m_null = true;
    Data m_data;
};

} // namespace hearth
