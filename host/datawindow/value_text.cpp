#include "host/datawindow/value_text.h"
#include "host/datawindow/row_store.h"

#include "host/value/functions.h"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <iterator>

namespace hearth::dw {

namespace {

bool read_int(std::string_view& text, std::size_t min_digits, std::size_t max_digits, int& value)
{
    std::size_t n = 0;
    while (n < text.size() && n < max_digits && text[n] >= '0' && text[n] <= '9')
        ++n;
    if (n < min_digits)
        return false;
    std::from_chars(text.data(), text.data() + n, value);
    text.remove_prefix(n);
    return true;
}

bool leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap(year) ? 29 : days[month - 1];
}

// Reads a date from the front of text, leaving the rest.
std::optional<Date> read_date(std::string_view& text)
{
    int year = 0, month = 0, day = 0;
    if (!read_int(text, 4, 4, year) || text.empty())
        return std::nullopt;
    char separator = text[0];
    if (separator != '-' && separator != '/' && separator != '.')
        return std::nullopt;
    text.remove_prefix(1);
    if (!read_int(text, 1, 2, month) || text.empty() || text[0] != separator)
        return std::nullopt;
    text.remove_prefix(1);
    if (!read_int(text, 1, 2, day))
        return std::nullopt;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > days_in(year, month))
        return std::nullopt;
    return Date {static_cast<std::int16_t>(year), static_cast<std::uint8_t>(month), static_cast<std::uint8_t>(day)};
}

std::optional<Time> read_time(std::string_view& text)
{
    int hour = 0, minute = 0, second = 0, micro = 0;
    if (!read_int(text, 1, 2, hour) || text.empty() || text[0] != ':')
        return std::nullopt;
    text.remove_prefix(1);
    if (!read_int(text, 2, 2, minute))
        return std::nullopt;
    if (!text.empty() && text[0] == ':') {
        text.remove_prefix(1);
        if (!read_int(text, 2, 2, second))
            return std::nullopt;
        if (!text.empty() && text[0] == '.') {
            text.remove_prefix(1);
            std::size_t before = text.size();
            if (!read_int(text, 1, 6, micro))
                return std::nullopt;
            for (std::size_t digits = before - text.size(); digits < 6; ++digits)
                micro *= 10;
        }
    }
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return Time {static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second),
                 static_cast<std::uint32_t>(micro)};
}

} // namespace

std::optional<Date> parse_date_text(std::string_view text)
{
    auto date = read_date(text);
    return date && text.empty() ? date : std::nullopt;
}

std::optional<Time> parse_time_text(std::string_view text)
{
    auto time = read_time(text);
    return time && text.empty() ? time : std::nullopt;
}

std::optional<DateTime> parse_datetime_text(std::string_view text)
{
    auto date = read_date(text);
    if (!date)
        return std::nullopt;
    if (text.empty())
        return DateTime {*date, Time {}};
    if (text[0] != ' ' && text[0] != 'T')
        return std::nullopt;
    text.remove_prefix(1);
    auto time = read_time(text);
    if (!time || !text.empty())
        return std::nullopt;
    return DateTime {*date, *time};
}

std::optional<Value> parse_item_text(std::string_view text, const ColumnType& type, EmptyText empty)
{
    if (text.empty() && (type.storage() != Storage::String || empty == EmptyText::Null))
        return Value::null_of(type.value_type());
    if (type.storage() == Storage::String)
        return Value(text);
    switch (type.storage()) {
    case Storage::String: break;
    case Storage::Integer: {
        std::int64_t number = 0;
        auto [end, ec] = std::from_chars(text.data() + (text[0] == '+' ? 1 : 0), text.data() + text.size(), number);
        if (ec != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        bool fits = type.kind == ColumnKind::Int ? (number >= -32768 && number <= 32767)
            : type.kind == ColumnKind::ULong     ? (number >= 0 && number <= 4294967295LL)
                                                 : (number >= -2147483648LL && number <= 2147483647LL);
        if (!fits)
            return std::nullopt;
        if (type.kind == ColumnKind::Int)
            return Value::integer(static_cast<std::int16_t>(number));
        if (type.kind == ColumnKind::ULong)
            return Value::ulong(static_cast<std::uint32_t>(number));
        return Value(static_cast<std::int32_t>(number));
    }
    case Storage::Double: {
        double number = 0;
        auto [end, ec] = std::from_chars(text.data() + (text[0] == '+' ? 1 : 0), text.data() + text.size(), number);
        if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(number))
            return std::nullopt;
        return type.kind == ColumnKind::Real ? Value::real(static_cast<float>(number)) : Value(number);
    }
    case Storage::Decimal: {
        auto number = Decimal::parse(text);
        if (!number)
            return std::nullopt;
        return Value(fit_scale(*number, type.size));
    }
    case Storage::Date:
        if (auto date = parse_date_text(text))
            return Value(*date);
        return std::nullopt;
    case Storage::DateTime:
        if (auto stamp = parse_datetime_text(text))
            return Value(*stamp);
        return std::nullopt;
    case Storage::Time:
        if (auto time = parse_time_text(text))
            return Value(*time);
        return std::nullopt;
    }
    return std::nullopt;
}

namespace {

// The text forms, shared by values and row-store items.
void append_integer(std::string& out, std::int64_t number)
{
    fmt::format_to(std::back_inserter(out), FMT_COMPILE("{}"), number);
}

void append_double(std::string& out, double number, bool real)
{
    if (real)
        fmt::format_to(std::back_inserter(out), FMT_COMPILE("{}"), static_cast<float>(number));
    else
        fmt::format_to(std::back_inserter(out), FMT_COMPILE("{}"), number);
}

// Two decimal digits of a value below 100.
char* put_two_digits(char* at, unsigned value)
{
    at[0] = char('0' + value / 10);
    at[1] = char('0' + value % 10);
    return at + 2;
}

// Dates and times are written digit by digit: an export writes one per cell, and fmt's
// width handling cost more than the rest of the row. Values outside the fixed widths (which
// a valid date or time never has) go through fmt.
void append_date(std::string& out, const Date& d)
{
    if (d.year < 0 || d.year > 9999 || d.month > 99 || d.day > 99) {
        fmt::format_to(std::back_inserter(out), FMT_COMPILE("{:04}-{:02}-{:02}"), d.year, d.month, d.day);
        return;
    }
    char text[10];
    char* at = put_two_digits(text, unsigned(d.year) / 100);
    at = put_two_digits(at, unsigned(d.year) % 100);
    *at++ = '-';
    at = put_two_digits(at, d.month);
    *at++ = '-';
    put_two_digits(at, d.day);
    out.append(text, sizeof text);
}

void append_time(std::string& out, const Time& t)
{
    if (t.hour > 99 || t.minute > 99 || t.second > 99 || t.microsecond > 999999) {
        if (t.microsecond)
            fmt::format_to(std::back_inserter(out), FMT_COMPILE("{:02}:{:02}:{:02}.{:06}"), t.hour, t.minute, t.second,
                           t.microsecond);
        else
            fmt::format_to(std::back_inserter(out), FMT_COMPILE("{:02}:{:02}:{:02}"), t.hour, t.minute, t.second);
        return;
    }
    char text[15];
    char* at = put_two_digits(text, t.hour);
    *at++ = ':';
    at = put_two_digits(at, t.minute);
    *at++ = ':';
    at = put_two_digits(at, t.second);
    if (t.microsecond) {
        *at++ = '.';
        at = put_two_digits(at, t.microsecond / 10000);
        at = put_two_digits(at, t.microsecond / 100 % 100);
        at = put_two_digits(at, t.microsecond % 100);
    }
    out.append(text, std::size_t(at - text));
}

void append_datetime(std::string& out, const DateTime& stamp)
{
    append_date(out, stamp.date);
    out += ' ';
    append_time(out, stamp.time);
}

} // namespace

void append_item_text(std::string& out, const Value& value)
{
    if (value.is_null())
        return;
    switch (value.type()) {
    case Type::String: out += value.as_string(); break;
    case Type::Integer:
    case Type::Long:
    case Type::ULong: append_integer(out, value.as_integral()); break;
    case Type::Real: append_double(out, value.as_double(), true); break;
    case Type::Double: append_double(out, value.as_double(), false); break;
    case Type::Decimal: out += value.as_decimal().to_string(); break;
    case Type::Date: append_date(out, value.as_date()); break;
    case Type::Time: append_time(out, value.as_time()); break;
    case Type::DateTime: append_datetime(out, value.as_datetime()); break;
    case Type::Boolean: out += value.as_bool() ? "true" : "false"; break;
    default: break;
    }
}

void append_item_text(std::string& out, const ColumnValues& column, Slot slot, const ColumnType& type)
{
    if (column.is_null(slot))
        return;
    switch (column.storage()) {
    case Storage::String: out += column.string(slot); break;
    case Storage::Integer:
        // As the item reads back: an integer or unsigned long column wraps like its type.
        append_integer(out, column.get(slot, type).as_integral());
        break;
    case Storage::Double: append_double(out, column.doubles()[slot], type.kind == ColumnKind::Real); break;
    case Storage::Decimal: out += column.decimals()[slot].to_string(); break;
    case Storage::Date: append_date(out, column.dates()[slot]); break;
    case Storage::DateTime: append_datetime(out, column.datetimes()[slot]); break;
    case Storage::Time: append_time(out, column.times()[slot]); break;
    }
}

std::string item_text(const Value& value)
{
    std::string out;
    append_item_text(out, value);
    return out;
}

} // namespace hearth::dw
