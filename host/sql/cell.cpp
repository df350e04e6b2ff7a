#include "host/sql/cell.h"

#include "host/value/ascii.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace hearth::sql {

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
    case CellKind::Boolean: out = row.int64(column); return true;
    case CellKind::Float: {
        const double d = std::round(row.real(column));
        if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
            return false;
        out = static_cast<std::int64_t>(d);
        return true;
    }
    case CellKind::Numeric:
    case CellKind::Text: {
        const auto dec = Decimal::parse(ascii::trim(row.text(column)));
        if (!dec)
            return false;
        out = dec->rounded(0).coefficient();
        return true;
    }
    default: return false;
    }
}

namespace {

Result<void> fail(const ResultRow& row, int column, std::string_view want)
{
    return Result<void>::failure(cell_error(row, column, want));
}

template <Type T> Result<void> read_integral(const ResultRow& row, int column, Value& out)
{
    if (row.is_null(column)) {
        out = Value::null_of(T);
        return {};
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
        return fail(row, column, name);
    if constexpr (T == Type::Integer)
        out = Value::integer(std::int16_t(whole));
    else if constexpr (T == Type::Long)
        out = Value(std::int32_t(whole));
    else
        out = Value::ulong(std::uint32_t(whole));
    return {};
}

} // namespace

std::optional<Decimal> cell_decimal(const ResultRow& row, int column)
{
    switch (row.kind(column)) {
    case CellKind::Integer:
    case CellKind::Boolean: return Decimal(row.int64(column));
    case CellKind::Float: return Decimal::from_double(row.real(column));
    case CellKind::Numeric:
    case CellKind::Text: return Decimal::parse(ascii::trim(row.text(column)));
    default: return std::nullopt;
    }
}

namespace {

Result<void> read_decimal(const ResultRow& row, int column, Value& out)
{
    if (row.is_null(column)) {
        out = Value::null_of(Type::Decimal);
        return {};
    }
    const auto dec = cell_decimal(row, column);
    if (!dec)
        return fail(row, column, "decimal");
    out = Value(*dec);
    return {};
}

} // namespace

std::optional<double> cell_double(const ResultRow& row, int column)
{
    switch (row.kind(column)) {
    case CellKind::Integer:
    case CellKind::Boolean: return double(row.int64(column));
    case CellKind::Float: return row.real(column);
    case CellKind::Numeric:
    case CellKind::Text: {
        const std::string_view text = ascii::trim(row.text(column));
        double d = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
        if (ec != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return d;
    }
    default: return std::nullopt;
    }
}

namespace {

template <Type T> Result<void> read_floating(const ResultRow& row, int column, Value& out)
{
    if (row.is_null(column)) {
        out = Value::null_of(T);
        return {};
    }
    const auto d = cell_double(row, column);
    if (!d)
        return fail(row, column, T == Type::Real ? "real" : "double");
    if constexpr (T == Type::Real) {
        if (std::isfinite(*d) && std::fabs(*d) > double(std::numeric_limits<float>::max()))
            return fail(row, column, "real");
        out = Value::real(float(*d));
    } else {
        out = Value(*d);
    }
    return {};
}

Result<void> read_string(const ResultRow& row, int column, Value& out)
{
    switch (row.kind(column)) {
    case CellKind::Null: out = Value::null_of(Type::String); return {};
    case CellKind::Blob: {
        const auto bytes = row.blob(column);
        out = Value(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return {};
    }
    default: out = Value(row.text(column)); return {};
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
    const std::string_view text = ascii::trim(row.text(column));
    if (const auto time = parse_time(text))
        return time;
    if (const auto stamp = parse_datetime(text); stamp && text.size() > 10)
        return stamp->time;
    return std::nullopt;
}

namespace {

Result<void> read_date(const ResultRow& row, int column, Value& out)
{
    if (row.is_null(column)) {
        out = Value::null_of(Type::Date);
        return {};
    }
    if (const auto date = cell_date(row, column)) {
        out = Value(*date);
        return {};
    }
    return fail(row, column, "date");
}

Result<void> read_datetime(const ResultRow& row, int column, Value& out)
{
    if (row.is_null(column)) {
        out = Value::null_of(Type::DateTime);
        return {};
    }
    if (const auto stamp = cell_datetime(row, column)) {
        out = Value(*stamp);
        return {};
    }
    return fail(row, column, "datetime");
}

Result<void> read_time(const ResultRow& row, int column, Value& out)
{
    if (row.is_null(column)) {
        out = Value::null_of(Type::Time);
        return {};
    }
    if (const auto time = cell_time(row, column)) {
        out = Value(*time);
        return {};
    }
    return fail(row, column, "time");
}

Result<void> read_blob(const ResultRow& row, int column, Value& out)
{
    switch (row.kind(column)) {
    case CellKind::Null: out = Value::null_of(Type::Blob); return {};
    case CellKind::Blob: {
        const auto bytes = row.blob(column);
        out = Value(Blob(bytes.begin(), bytes.end()));
        return {};
    }
    default: {
        const std::string_view text = row.text(column);
        out = Value(Blob(text.begin(), text.end()));
        return {};
    }
    }
}

Result<void> read_boolean(const ResultRow& row, int column, Value& out)
{
    switch (row.kind(column)) {
    case CellKind::Null: out = Value::null_of(Type::Boolean); return {};
    case CellKind::Integer:
    case CellKind::Boolean: out = Value(row.int64(column) != 0); return {};
    case CellKind::Text: {
        const std::string_view t = ascii::trim(row.text(column));
        for (std::string_view yes : {"t", "true", "1", "y", "yes"})
            if (ascii::iequals(t, yes)) {
                out = Value(true);
                return {};
            }
        for (std::string_view no : {"f", "false", "0", "n", "no"})
            if (ascii::iequals(t, no)) {
                out = Value(false);
                return {};
            }
        return fail(row, column, "boolean");
    }
    default: return fail(row, column, "boolean");
    }
}

Result<void> read_any(const ResultRow& row, int column, Value& out)
{
    switch (row.kind(column)) {
    case CellKind::Null: out = Value(); return {};
    case CellKind::Integer: {
        const std::int64_t n = row.int64(column);
        if (n >= std::numeric_limits<std::int32_t>::min() && n <= std::numeric_limits<std::int32_t>::max())
            out = Value(std::int32_t(n));
        else
            out = Value(Decimal(n));
        return {};
    }
    case CellKind::Float: out = Value(row.real(column)); return {};
    case CellKind::Numeric: return read_decimal(row, column, out);
    case CellKind::Boolean: out = Value(row.int64(column) != 0); return {};
    case CellKind::Text: out = Value(row.text(column)); return {};
    case CellKind::Blob: return read_blob(row, column, out);
    }
    return fail(row, column, "any");
}

Result<void> read_object(const ResultRow& row, int column, Value&) { return fail(row, column, "object"); }

} // namespace

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

Result<Value> read_cell(const ResultRow& row, int column, Type want)
{
    Value out;
    if (auto read = cell_reader(want)(row, column, out); !read)
        return Result<Value>::failure(read.error());
    return out;
}

Result<void> store_row(const ResultRow& row, const std::vector<Value*>& targets)
{
    if (row.column_count() != int(targets.size()))
        return Result<void>::failure(fmt::format("The SELECT returns {} columns but INTO names {} variables.",
                                                 row.column_count(), targets.size()));
    std::vector<Value> values(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        auto value = read_cell(row, int(i), targets[i]->type());
        if (!value)
            return value;
        values[i] = std::move(*value);
    }
    for (std::size_t i = 0; i < targets.size(); ++i)
        *targets[i] = std::move(values[i]);
    return {};
}

} // namespace hearth::sql
