#include "host/datawindow/value_text.h"
#include "host/datawindow/row_store.h"

#include "host/value/calendar.h"
#include "host/value/functions.h"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <iterator>

namespace hearth::dw {

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
        if (auto date = parse_iso_date(text, IsoForm::Loose))
            return Value(*date);
        return std::nullopt;
    case Storage::DateTime:
        if (auto stamp = parse_iso_datetime(text, IsoForm::Loose))
            return Value(*stamp);
        return std::nullopt;
    case Storage::Time:
        if (auto time = parse_iso_time(text, IsoForm::Loose))
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
    case Type::Date: append_iso(out, value.as_date()); break;
    case Type::Time: append_iso(out, value.as_time()); break;
    case Type::DateTime: append_iso(out, value.as_datetime()); break;
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
    case Storage::Date: append_iso(out, column.dates()[slot]); break;
    case Storage::DateTime: append_iso(out, column.datetimes()[slot]); break;
    case Storage::Time: append_iso(out, column.times()[slot]); break;
    }
}

std::string item_text(const Value& value)
{
    std::string out;
    append_item_text(out, value);
    return out;
}

} // namespace hearth::dw
