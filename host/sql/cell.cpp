#include "host/sql/cell.h"

#include <fmt/format.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace hearth::sql {

namespace {

bool read_digits(std::string_view text, std::size_t& pos, std::size_t count, int& out)
{
    if (pos + count > text.size())
        return false;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    pos += count;
    out = value;
    return true;
}

bool leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap(year) ? 29 : days[month - 1];
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::optional<Date> date_at(std::string_view text, std::size_t& pos)
{
    int year = 0, month = 0, day = 0;
    if (!read_digits(text, pos, 4, year) || pos >= text.size() || text[pos++] != '-'
        || !read_digits(text, pos, 2, month) || pos >= text.size() || text[pos++] != '-'
        || !read_digits(text, pos, 2, day))
        return std::nullopt;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month))
        return std::nullopt;
    return Date {std::int16_t(year), std::uint8_t(month), std::uint8_t(day)};
}

std::optional<Time> time_at(std::string_view text, std::size_t& pos)
{
    int hour = 0, minute = 0, second = 0;
    if (!read_digits(text, pos, 2, hour) || pos >= text.size() || text[pos++] != ':'
        || !read_digits(text, pos, 2, minute))
        return std::nullopt;
    std::uint32_t micro = 0;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!read_digits(text, pos, 2, second))
            return std::nullopt;
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            std::uint32_t scale = 100000;
            std::size_t digits = 0;
            while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
                micro += std::uint32_t(text[pos] - '0') * scale;   // digits beyond microseconds are dropped
                scale /= 10;
                ++pos;
                ++digits;
            }
            if (digits == 0)
                return std::nullopt;
        }
    }
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return Time {std::uint8_t(hour), std::uint8_t(minute), std::uint8_t(second), micro};
}

// A zone offset after a time ("+00", "-05:30") is accepted and ignored.
bool only_zone_left(std::string_view text, std::size_t pos)
{
    text = text.substr(pos);
    if (text.empty())
        return true;
    if (text == "Z")
        return true;
    if (text[0] != '+' && text[0] != '-')
        return false;
    for (char c : text.substr(1))
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != ':')
            return false;
    return text.size() > 1;
}

} // namespace

std::string cell_error(const ResultRow& row, int column, std::string_view want)
{
    std::string shown;
    if (row.kind(column) == CellKind::Blob)
        shown = fmt::format("a blob of {} bytes", row.blob(column).size());
    else
        shown = fmt::format("'{}'", row.text(column).substr(0, 64));
    return fmt::format("Cannot convert {} in column {} ({}) to {}.", shown, column + 1, row.column_name(column), want);
}

bool cell_whole(const ResultRow& row, int column, Int128& out)
{
    switch (row.kind(column)) {
    case CellKind::Integer:
    case CellKind::Boolean:
        out = row.int64(column);
        return true;
    case CellKind::Float: {
        const double d = std::round(row.real(column));
        if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
            return false;
        out = static_cast<std::int64_t>(d);
        return true;
    }
    case CellKind::Numeric:
    case CellKind::Text: {
        const auto dec = Decimal::parse(trim(row.text(column)));
        if (!dec)
            return false;
        out = dec->rounded(0).coefficient();
        return true;
    }
    default:
        return false;
    }
}

namespace {

bool fail(std::string& error, const ResultRow& row, int column, std::string_view want)
{
    error = cell_error(row, column, want);
    return false;
}

template <Type T>
bool read_integral(const ResultRow& row, int column, Value& out, std::string& error)
{
    if (row.is_null(column)) {
        out = Value::null_of(T);
        return true;
    }
    Int128 whole = 0;
    std::int64_t low = 0, high = 0;
    std::string_view name;
    if constexpr (T == Type::Integer) {
        low = -32768, high = 32767, name = "integer";
    } else if constexpr (T == Type::Long) {
        low = std::numeric_limits<std::int32_t>::min(), high = std::numeric_limits<std::int32_t>::max(), name = "long";
    } else {
        low = 0, high = std::numeric_limits<std::uint32_t>::max(), name = "unsignedlong";
    }
    if (!cell_whole(row, column, whole) || whole < low || whole > high)
        return fail(error, row, column, name);
    if constexpr (T == Type::Integer)
        out = Value::integer(std::int16_t(whole));
    else if constexpr (T == Type::Long)
        out = Value(std::int32_t(whole));
    else
        out = Value::ulong(std::uint32_t(whole));
    return true;
}

} // namespace

std::optional<Decimal> cell_decimal(const ResultRow& row, int column)
{
    switch (row.kind(column)) {
    case CellKind::Integer:
    case CellKind::Boolean:
        return Decimal(row.int64(column));
    case CellKind::Float:
        return Decimal::from_double(row.real(column));
    case CellKind::Numeric:
    case CellKind::Text:
        return Decimal::parse(trim(row.text(column)));
    default:
        return std::nullopt;
    }
}

namespace {

bool read_decimal(const ResultRow& row, int column, Value& out, std::string& error)
{
    if (row.is_null(column)) {
        out = Value::null_of(Type::Decimal);
        return true;
    }
    const auto dec = cell_decimal(row, column);
    if (!dec)
        return fail(error, row, column, "decimal");
    out = Value(*dec);
    return true;
}

} // namespace

std::optional<double> cell_double(const ResultRow& row, int column)
{
    switch (row.kind(column)) {
    case CellKind::Integer:
    case CellKind::Boolean:
        return double(row.int64(column));
    case CellKind::Float:
        return row.real(column);
    case CellKind::Numeric:
    case CellKind::Text: {
        const std::string_view text = trim(row.text(column));
        double d = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
        if (ec != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return d;
    }
    default:
        return std::nullopt;
    }
}

namespace {

template <Type T>
bool read_floating(const ResultRow& row, int column, Value& out, std::string& error)
{
    if (row.is_null(column)) {
        out = Value::null_of(T);
        return true;
    }
    const auto d = cell_double(row, column);
    if (!d)
        return fail(error, row, column, T == Type::Real ? "real" : "double");
    if constexpr (T == Type::Real) {
        if (std::isfinite(*d) && std::fabs(*d) > double(std::numeric_limits<float>::max()))
            return fail(error, row, column, "real");
        out = Value::real(float(*d));
    } else {
        out = Value(*d);
    }
    return true;
}

bool read_string(const ResultRow& row, int column, Value& out, std::string&)
{
    switch (row.kind(column)) {
    case CellKind::Null:
        out = Value::null_of(Type::String);
        return true;
    case CellKind::Blob: {
        const auto bytes = row.blob(column);
        out = Value(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return true;
    }
    default:
        out = Value(row.text(column));
        return true;
    }
}

} // namespace

std::optional<DateTime> cell_datetime(const ResultRow& row, int column)
{
    if (row.kind(column) != CellKind::Text)
        return std::nullopt;
    return parse_datetime(row.text(column));
}

std::optional<Date> cell_date(const ResultRow& row, int column)
{
    // A datetime text gives its date part.
    if (const auto stamp = cell_datetime(row, column))
        return stamp->date;
    return std::nullopt;
}

std::optional<Time> cell_time(const ResultRow& row, int column)
{
    if (row.kind(column) != CellKind::Text)
        return std::nullopt;
    const std::string_view text = trim(row.text(column));
    if (const auto time = parse_time(text))
        return time;
    if (const auto stamp = parse_datetime(text); stamp && text.size() > 10)
        return stamp->time;
    return std::nullopt;
}

namespace {

bool read_date(const ResultRow& row, int column, Value& out, std::string& error)
{
    if (row.is_null(column)) {
        out = Value::null_of(Type::Date);
        return true;
    }
    if (const auto date = cell_date(row, column)) {
        out = Value(*date);
        return true;
    }
    return fail(error, row, column, "date");
}

bool read_datetime(const ResultRow& row, int column, Value& out, std::string& error)
{
    if (row.is_null(column)) {
        out = Value::null_of(Type::DateTime);
        return true;
    }
    if (const auto stamp = cell_datetime(row, column)) {
        out = Value(*stamp);
        return true;
    }
    return fail(error, row, column, "datetime");
}

bool read_time(const ResultRow& row, int column, Value& out, std::string& error)
{
    if (row.is_null(column)) {
        out = Value::null_of(Type::Time);
        return true;
    }
    if (const auto time = cell_time(row, column)) {
        out = Value(*time);
        return true;
    }
    return fail(error, row, column, "time");
}

bool read_blob(const ResultRow& row, int column, Value& out, std::string&)
{
    switch (row.kind(column)) {
    case CellKind::Null:
        out = Value::null_of(Type::Blob);
        return true;
    case CellKind::Blob: {
        const auto bytes = row.blob(column);
        out = Value(Blob(bytes.begin(), bytes.end()));
        return true;
    }
    default: {
        const std::string_view text = row.text(column);
        out = Value(Blob(text.begin(), text.end()));
        return true;
    }
    }
}

bool read_boolean(const ResultRow& row, int column, Value& out, std::string& error)
{
    switch (row.kind(column)) {
    case CellKind::Null:
        out = Value::null_of(Type::Boolean);
        return true;
    case CellKind::Integer:
    case CellKind::Boolean:
        out = Value(row.int64(column) != 0);
        return true;
    case CellKind::Text: {
        const std::string_view t = trim(row.text(column));
        for (std::string_view yes : {"t", "true", "1", "y", "yes"})
            if (t.size() == yes.size() && std::equal(t.begin(), t.end(), yes.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) == b;
                })) {
                out = Value(true);
                return true;
            }
        for (std::string_view no : {"f", "false", "0", "n", "no"})
            if (t.size() == no.size() && std::equal(t.begin(), t.end(), no.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) == b;
                })) {
                out = Value(false);
                return true;
            }
        return fail(error, row, column, "boolean");
    }
    default:
        return fail(error, row, column, "boolean");
    }
}

bool read_any(const ResultRow& row, int column, Value& out, std::string& error)
{
    switch (row.kind(column)) {
    case CellKind::Null:
        out = Value();
        return true;
    case CellKind::Integer: {
        const std::int64_t n = row.int64(column);
        if (n >= std::numeric_limits<std::int32_t>::min() && n <= std::numeric_limits<std::int32_t>::max())
            out = Value(std::int32_t(n));
        else
            out = Value(Decimal(n));
        return true;
    }
    case CellKind::Float:
        out = Value(row.real(column));
        return true;
    case CellKind::Numeric:
        return read_decimal(row, column, out, error);
    case CellKind::Boolean:
        out = Value(row.int64(column) != 0);
        return true;
    case CellKind::Text:
        out = Value(row.text(column));
        return true;
    case CellKind::Blob:
        return read_blob(row, column, out, error);
    }
    return fail(error, row, column, "any");
}

bool read_object(const ResultRow& row, int column, Value&, std::string& error)
{
    return fail(error, row, column, "object");
}

} // namespace

std::optional<Date> parse_date(std::string_view text)
{
    text = trim(text);
    std::size_t pos = 0;
    auto date = date_at(text, pos);
    if (!date || pos != text.size())
        return std::nullopt;
    return date;
}

std::optional<Time> parse_time(std::string_view text)
{
    text = trim(text);
    std::size_t pos = 0;
    auto time = time_at(text, pos);
    if (!time || !only_zone_left(text, pos))
        return std::nullopt;
    return time;
}

std::optional<DateTime> parse_datetime(std::string_view text)
{
    text = trim(text);
    std::size_t pos = 0;
    const auto date = date_at(text, pos);
    if (!date)
        return std::nullopt;
    if (pos == text.size())
        return DateTime {*date, Time {}};
    if (text[pos] != ' ' && text[pos] != 'T')
        return std::nullopt;
    ++pos;
    const auto time = time_at(text, pos);
    if (!time || !only_zone_left(text, pos))
        return std::nullopt;
    return DateTime {*date, *time};
}

std::string format_date(const Date& date) { return fmt::format("{:04}-{:02}-{:02}", date.year, date.month, date.day); }

std::string format_time(const Time& time)
{
    if (time.microsecond == 0)
        return fmt::format("{:02}:{:02}:{:02}", time.hour, time.minute, time.second);
    return fmt::format("{:02}:{:02}:{:02}.{:06}", time.hour, time.minute, time.second, time.microsecond);
}

std::string format_datetime(const DateTime& stamp)
{
    return format_date(stamp.date) + ' ' + format_time(stamp.time);
}

CellReader cell_reader(Type want)
{
    switch (want) {
    case Type::String: return &read_string;
    case Type::Integer: return &read_integral<Type::Integer>;
    case Type::Long: return &read_integral<Type::Long>;
    case Type::ULong: return &read_integral<Type::ULong>;
    case Type::Boolean: return &read_boolean;
    case Type::Decimal: return &read_decimal;
    case Type::Real: return &read_floating<Type::Real>;
    case Type::Double: return &read_floating<Type::Double>;
    case Type::Date: return &read_date;
    case Type::Time: return &read_time;
    case Type::DateTime: return &read_datetime;
    case Type::Blob: return &read_blob;
    case Type::Any: return &read_any;
    case Type::Object: return &read_object;
    }
    return &read_any;
}

bool read_cell(const ResultRow& row, int column, Type want, Value& out, std::string& error)
{
    return cell_reader(want)(row, column, out, error);
}

namespace {

// A one-cell row over a host value, so value-to-value conversion reuses the cell readers.
class ValueRow final : public ResultRow {
public:
    explicit ValueRow(const Value& value) : m_value(value)
    {
        if (value.is_null())
            m_kind = CellKind::Null;
        else if (value.is_integral())
            m_kind = CellKind::Integer;
        else if (value.type() == Type::Boolean)
            m_kind = CellKind::Boolean;
        else if (value.type() == Type::Real || value.type() == Type::Double)
            m_kind = CellKind::Float;
        else if (value.type() == Type::Decimal)
            m_kind = CellKind::Numeric;
        else if (value.type() == Type::Blob)
            m_kind = CellKind::Blob;
        else
            m_kind = CellKind::Text;
        if (m_kind != CellKind::Null && m_kind != CellKind::Blob)
            m_text = value.type() == Type::String ? value.as_string() : parameter_text(value);
    }
    int column_count() const override { return 1; }
    std::string column_name(int) const override { return "value"; }
    CellKind kind(int) const override { return m_kind; }
    std::int64_t int64(int) const override
    {
        return m_kind == CellKind::Boolean ? std::int64_t(m_value.as_bool()) : m_value.as_integral();
    }
    double real(int) const override { return m_value.as_double(); }
    std::string_view text(int) const override { return m_text; }
    std::span<const std::uint8_t> blob(int) const override { return m_value.as_blob(); }

private:
    const Value& m_value;
    CellKind m_kind;
    std::string m_text;
};

} // namespace

bool convert_value(const Value& from, Type want, Value& out, std::string& error)
{
    if (want == Type::Any || want == from.type()) {
        out = from;
        return true;
    }
    if (from.type() == Type::Object)
        return false;
    if (from.type() == Type::Any) {   // a null of type any
        out = Value::null_of(want);
        return true;
    }
    const ValueRow row(from);
    return read_cell(row, 0, want, out, error);
}

std::string parameter_text(const Value& value)
{
    switch (value.type()) {
    case Type::String: return value.as_string();
    case Type::Integer:
    case Type::Long:
    case Type::ULong: return fmt::format("{}", value.as_integral());
    case Type::Boolean: return value.as_bool() ? "1" : "0";
    case Type::Decimal: return value.as_decimal().to_string();
    case Type::Real: return fmt::format("{}", float(value.as_double()));
    case Type::Double: return fmt::format("{}", value.as_double());
    case Type::Date: return format_date(value.as_date());
    case Type::Time: return format_time(value.as_time());
    case Type::DateTime: return format_datetime(value.as_datetime());
    case Type::Blob: {
        const Blob& bytes = value.as_blob();
        return std::string(bytes.begin(), bytes.end());
    }
    case Type::Any:
    case Type::Object: break;
    }
    return std::string();
}

} // namespace hearth::sql
