#include "host/sql/conversion.h"

#include "host/sql/cell.h"
#include "host/value/calendar.h"
#include "host/value/convert.h"

#include <fmt/format.h>

namespace hearth::sql {

namespace {

// A one-cell row over a host value: what the assignment rules do not store is read as the
// backend would read a cell holding that value.
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

Result<Value> convert_value(const Value& from, Type want)
{
    if (from.type() == Type::Object && want != Type::Any)
        return Result<Value>::failure(fmt::format("Cannot convert an object to {}.", type_name(want)));
    if (from.type() == Type::Any) // a null of type any
        return want == Type::Any ? from : Value::null_of(want);
    if (auto converted = try_convert(from, want))
        return std::move(*converted);
    return read_cell(ValueRow(from), 0, want);
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
    case Type::Date: return iso_text(value.as_date());
    case Type::Time: return iso_text(value.as_time());
    case Type::DateTime: return iso_text(value.as_datetime());
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
