// Conversions: Integer, Long, Dec, Double, Real, IsNumber, Long(low, high), String without
// a mask, IsNull, SetNull.

#include "host/value/ascii.h"
#include "host/value/calendar.h"
#include "host/value/convert.h"
#include "host/value/encoding.h"
#include "host/value/fn_args.h"
#include "host/value/functions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fmt/format.h>
#include <limits>
#include <optional>

namespace hearth::fn {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The number inside text without a plus sign, or nullopt when text is not a number as a whole. The grammar:
// [+-] digits [. [digits]] | [+-] . digits, then an optional exponent e[+-]digits.
// Undocumented: blanks (U+0020) before and after the number are accepted (" 12 " is 12); any other
// character, tabs included, makes the text not a number.
std::optional<std::string_view> number_text(std::string_view text)
{
    text = ascii::trim(text, " ");
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && is_digit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t exponent_digits = 0;
        while (i < text.size() && is_digit(text[i]))
            ++i, ++exponent_digits;
        if (exponent_digits == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1); // the parsers below take no plus sign
    return text;
}

// A whole number from text, rounded half away from zero like a stored fraction ("2.5" is 3).
// Undocumented: text whose value lies outside [lowest, highest] ("70000" for an integer) gives 0, as
// text that is not a number does; it does not wrap.
std::int64_t whole_from_text(std::string_view text, std::int64_t lowest, std::int64_t highest)
{
    auto number = number_text(text);
    if (!number)
        return 0;
    auto decimal = Decimal::parse(*number);
    if (!decimal)
        return 0;
    Int128 whole = decimal->rounded(0).coefficient();
    if (whole < lowest || whole > highest)
        return 0;
    return std::int64_t(whole);
}

template <class T> T read_little_endian(const Blob& bytes)
{
    T result {};
    if (bytes.size() >= sizeof(T))
        std::memcpy(&result, bytes.data(), sizeof(T));
    return result;
}

Value null_of(Type type) { return Value::null_of(type); }

} // namespace

namespace detail {

std::int16_t to_integer(std::string_view text) { return std::int16_t(whole_from_text(text, -32768, 32767)); }

std::int32_t to_long(std::string_view text)
{
    return std::int32_t(
        whole_from_text(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

Decimal to_dec(std::string_view text)
{
    auto number = number_text(text);
    if (!number)
        return Decimal();
    // Text beyond what a decimal holds is not a decimal number: 0.
    return Decimal::parse(*number).value_or(Decimal());
}

double to_double(std::string_view text)
{
    auto number = number_text(text);
    if (!number)
        return 0;
    std::string_view body = *number;
    double result = 0;
    auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), result);
    // Beyond the range of a double ("1e999"): not a double number, 0. Underflow keeps 0 too.
    if (error != std::errc() || end != body.data() + body.size())
        return 0;
    return result;
}

float to_real(std::string_view text)
{
    double number = to_double(text);
    // Beyond the range of a real: not a real number, 0.
    if (std::fabs(number) > double(std::numeric_limits<float>::max()))
        return 0;
    return float(number);
}

bool is_number(std::string_view text) { return number_text(text).has_value(); }

} // namespace detail

namespace {

// Integer, Long, Dec, Double and Real: a null gives a null of the type, text is read as a
// number (0 when it is not one), a blob by its first bytes, a number is converted as an
// assignment converts it; other kinds are an error.
struct NumberConversion {
    std::string_view function;
    Type type;
    Value (*from_text)(std::string_view text);
    Value (*from_blob)(const Blob& bytes);
};

const NumberConversion number_conversions[] = {
    {"Integer", Type::Integer, [](std::string_view text) { return Value::integer(detail::to_integer(text)); },
     [](const Blob& bytes) { return Value::integer(read_little_endian<std::int16_t>(bytes)); }},
    {"Long", Type::Long, [](std::string_view text) { return Value(detail::to_long(text)); },
     [](const Blob& bytes) { return Value(read_little_endian<std::int32_t>(bytes)); }},
    // A decimal has no binary layout of its own here: Dec(blob) reads the blob's text.
    {"Dec", Type::Decimal, [](std::string_view text) { return Value(detail::to_dec(text)); },
     [](const Blob& bytes) { return Value(detail::to_dec(decode_text(bytes, Encoding::Utf16LE))); }},
    {"Double", Type::Double, [](std::string_view text) { return Value(detail::to_double(text)); },
     [](const Blob& bytes) { return Value(read_little_endian<double>(bytes)); }},
    {"Real", Type::Real, [](std::string_view text) { return Value::real(detail::to_real(text)); },
     [](const Blob& bytes) { return Value::real(read_little_endian<float>(bytes)); }},
};

Value convert_number(Type type, const Value& data)
{
    const NumberConversion& conversion
        = *std::find_if(std::begin(number_conversions), std::end(number_conversions),
                        [&](const NumberConversion& entry) { return entry.type == type; });
    if (data.is_null())
        return null_of(type);
    if (data.is_string())
        return conversion.from_text(data.as_string());
    if (data.type() == Type::Blob) // the first number stored in the blob; 0 when it is shorter
        return conversion.from_blob(data.as_blob());
    if (data.is_numeric())
        return convert(data, type);
    args::wrong_kind(conversion.function, 1, "a string, a number or a blob", data);
}

} // namespace

Value to_integer(const Value& data) { return convert_number(Type::Integer, data); }
Value to_long(const Value& data) { return convert_number(Type::Long, data); }
Value to_dec(const Value& data) { return convert_number(Type::Decimal, data); }
Value to_double(const Value& data) { return convert_number(Type::Double, data); }
Value to_real(const Value& data) { return convert_number(Type::Real, data); }

Value long_from_words(const Value& low, const Value& high)
{
    if (args::any_null({&low, &high}))
        return null_of(Type::Long);
    // Both arguments are unsigned 16-bit words; other numbers wrap as they do when passed.
    std::uint32_t low_word = std::uint16_t(args::count(low, "Long", 1));
    std::uint32_t high_word = std::uint16_t(args::count(high, "Long", 2));
    return Value(std::int32_t(low_word + 65536u * high_word));
}

Value is_number(const Value& text)
{
    if (text.is_null())
        return null_of(Type::Boolean);
    return Value(detail::is_number(args::text(text, "IsNumber", 1)));
}

std::string to_string(double number)
{
    // The runtime shows doubles with 15 significant digits, so 0.1 + 0.2 reads "0.3".
    if (number == 0)
        return "0"; // also for -0
    return fmt::format("{:.15g}", number);
}

std::string to_string(const Decimal& number) { return number.to_string(); }

std::string to_string(Date date) { return iso_text(date); }
// Fractions of a second show only when there are any.
std::string to_string(Time time) { return iso_text(time); }
std::string to_string(DateTime stamp) { return iso_text(stamp); }

Value to_string(const Value& data)
{
    if (data.is_null())
        return null_of(Type::String);
    switch (data.type()) {
    case Type::String: return data;
    case Type::Integer:
    case Type::Long:
    case Type::ULong: return std::to_string(data.as_integral());
    // A decimal keeps its own places (undocumented): 3.50 reads "3.50".
    case Type::Decimal: return data.as_decimal().to_string();
    case Type::Real: {
        // A real holds about 7 significant digits; more would show the binary noise.
        double number = data.as_double();
        return number == 0 ? std::string("0") : fmt::format("{:.7g}", number);
    }
    case Type::Double: return to_string(data.as_double());
    case Type::Boolean: return std::string(data.as_bool() ? "true" : "false");
    // Undocumented: dates, times and datetimes without a mask: yyyy-mm-dd, hh:mm:ss, "<date> <time>".
    case Type::Date: return to_string(data.as_date());
    case Type::Time: return to_string(data.as_time());
    case Type::DateTime: return to_string(data.as_datetime());
    case Type::Blob: return decode_text(data.as_blob(), Encoding::Utf16LE);
    case Type::Any:
    case Type::Object: break;
    }
    return std::string(); // an object has no text: the runtime's "" for a mismatch
}

bool is_null(const Value& value) { return value.is_null(); }

int set_null(Value& variable)
{
    // SetNull returns 1 (undocumented).
    variable = Value::null_of(variable.type()); // the datum goes back to the type's initial one
    return 1;
}

} // namespace hearth::fn
