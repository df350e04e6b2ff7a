// DataWindow items: GetItemX checked against the column type, SetItem, computed fields, and
// item and row status.

#include "host/datawindow/datawindow.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"

#include "host/value/runtime_error.h"

#include <fmt/format.h>

#include <algorithm>

namespace hearth::dw {

int Engine::resolve_column(ColumnRef column) const
{
    if (!column.by_name())
        return column.number() >= 1 && column.number() <= static_cast<int>(column_count()) ? column.number() - 1 : -1;
    return m_object.column_index(column.name());
}

Slot Engine::slot_or_throw(std::string_view operation, long row, ColumnRef column, Buffer buffer) const
{
    const auto& slots = m_buffers[index(buffer)];
    if (row < 1 || row > static_cast<long>(slots.size()))
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("{}: Invalid DataWindow row/column specified (row {} of {}, column {})",
                                       operation, row, slots.size(), column.text()));
    return slots[row - 1];
}

const Expression* Engine::compute_expression(const Control& compute) const
{
    std::string key = to_lower(compute.name);
    auto it = m_computes.find(key);
    if (it == m_computes.end()) {
        const Attribute* text = find_attribute(compute.attributes, "expression");
        const Attribute* band = find_attribute(compute.attributes, "band");
        auto compiled = Expression::compile(text ? std::string_view(text->value.text) : std::string_view(), m_object,
                                            band ? std::string_view(band->value.text) : std::string_view());
        if (!compiled)
            return nullptr;
        it = m_computes.emplace(key, std::move(*compiled)).first;
    }
    return &it->second;
}

Value Engine::compute_item(const Control& compute, long row, Buffer buffer) const
{
    const Expression* expression = compute_expression(compute);
    return expression ? expression->evaluate(row_context(buffer, row)) : Value();
}

Value Engine::typed_item(std::string_view operation, long row, ColumnRef column, Buffer buffer, bool original,
                         std::initializer_list<Type> accepted) const
{
    int c = resolve_column(column);
    Value value;
    if (c < 0) {
        const Control* compute = column.by_name() ? m_object.find_compute(column.name()) : nullptr;
        if (!compute)
            throw RuntimeError(ErrorCode::CallFailed,
                               fmt::format("{}: Invalid DataWindow row/column specified (column {} does not exist)",
                                           operation, column.text()));
        slot_or_throw(operation, row, column, buffer);
        value = compute_item(*compute, row, buffer);
    } else {
        Slot slot = slot_or_throw(operation, row, column, buffer);
        const ColumnType& type = m_object.columns[c].type;
        value = original ? m_rows.original(slot, c, type) : m_rows.column(c).get(slot, type);
    }
    if (accepted.size() == 0 || value.type() == Type::Any)
        return value;
    if (std::find(accepted.begin(), accepted.end(), value.type()) == accepted.end())
        throw RuntimeError(
            ErrorCode::CallFailed,
            fmt::format("{}: DataWindow column type does not match GetItem type (column {} is {})", operation,
                        column.text(),
                        c >= 0 ? m_object.columns[c].type.text() : std::string(type_name(value.type()))));
    return value;
}

Value Engine::get_item(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value();
    return typed_item("GetItem", row, column, buffer, original, {});
}

Value Engine::get_item_string(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value(""); // kept: with no object GetItemString gives "", the others null
    return typed_item("GetItemString", row, column, buffer, original, {Type::String});
}

Value Engine::get_item_number(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::Double);
    Value value = typed_item("GetItemNumber", row, column, buffer, original,
                             {Type::Integer, Type::Long, Type::ULong, Type::Real, Type::Double, Type::Decimal});
    if (value.is_null())
        return Value::null_of(Type::Double);
    if (value.type() == Type::Decimal)
        return Value(value.as_decimal().to_double());
    if (value.is_integral())
        return Value(static_cast<double>(value.as_integral()));
    return Value(value.as_double());
}

Value Engine::get_item_decimal(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::Decimal);
    Value value = typed_item("GetItemDecimal", row, column, buffer, original,
                             {Type::Integer, Type::Long, Type::ULong, Type::Real, Type::Double, Type::Decimal});
    if (value.is_null())
        return Value::null_of(Type::Decimal);
    if (value.type() == Type::Decimal)
        return value;
    if (value.is_integral())
        return Value(Decimal(value.as_integral()));
    auto converted = Decimal::from_double(value.as_double());
    return converted ? Value(*converted) : Value::null_of(Type::Decimal);
}

Value Engine::get_item_date(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::Date);
    Value value = typed_item("GetItemDate", row, column, buffer, original, {Type::Date, Type::DateTime});
    if (value.type() == Type::DateTime)
        return value.is_null() ? Value::null_of(Type::Date) : Value(value.as_datetime().date);
    return value;
}

Value Engine::get_item_datetime(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::DateTime);
    Value value = typed_item("GetItemDateTime", row, column, buffer, original, {Type::Date, Type::DateTime});
    if (value.type() == Type::Date)
        return value.is_null() ? Value::null_of(Type::DateTime) : Value(DateTime {value.as_date(), Time {}});
    return value;
}

Value Engine::get_item_time(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::Time);
    Value value = typed_item("GetItemTime", row, column, buffer, original, {Type::Time, Type::DateTime});
    if (value.type() == Type::DateTime)
        return value.is_null() ? Value::null_of(Type::Time) : Value(value.as_datetime().time);
    return value;
}

int Engine::set_item(long row, ColumnRef column, const Value& value, Buffer buffer)
{
    if (!m_has_object)
        return -1;
    int c = resolve_column(column);
    if (c < 0)
        throw RuntimeError(
            ErrorCode::CallFailed,
            fmt::format("SetItem: Invalid DataWindow row/column specified (column {} does not exist)", column.text()));
    Slot slot = slot_or_throw("SetItem", row, column, buffer);
    const ColumnType& type = m_object.columns[c].type;
    auto converted = convert_for_column(value, type);
    if (!converted)
        return -1; // a value of another kind (text into a number column): the runtime's -1, not an error
    rows_changed();
    m_rows.mark_modified(slot, c, type);
    m_rows.column(c).set(slot, *converted);
    ItemStatus status = m_rows.status(slot);
    if (status == ItemStatus::New)
        m_rows.set_status(slot, ItemStatus::NewModified);
    else if (status == ItemStatus::NotModified)
        m_rows.set_status(slot, ItemStatus::DataModified);
    return 1;
}

ItemStatus Engine::get_item_status(long row, int column, Buffer buffer) const
{
    Slot slot = slot_or_throw("GetItemStatus", row, column, buffer);
    if (column == 0)
        return m_rows.status(slot);
    if (column < 1 || column > static_cast<int>(column_count()))
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("GetItemStatus: Invalid DataWindow row/column specified (column {})", column));
    return m_rows.is_modified(slot, column - 1) ? ItemStatus::DataModified : ItemStatus::NotModified;
}

bool Engine::is_item_modified(long row, int column, Buffer buffer) const
{
    return get_item_status(row, column, buffer) == ItemStatus::DataModified;
}

int Engine::set_item_status(long row, int column, Buffer buffer, ItemStatus status)
{
    if (!m_has_object)
        return -1;
    const auto& slots = m_buffers[index(buffer)];
    if (row < 1 || row > static_cast<long>(slots.size()))
        return -1;
    Slot slot = slots[row - 1];
    if (column != 0) {
        if (column < 1 || column > static_cast<int>(column_count()))
            return -1;
        std::size_t c = static_cast<std::size_t>(column - 1);
        if (status == ItemStatus::DataModified) {
            m_rows.mark_modified(slot, c, m_object.columns[c].type);
            ItemStatus row_status = m_rows.status(slot);
            if (row_status == ItemStatus::NotModified)
                m_rows.set_status(slot, ItemStatus::DataModified);
            else if (row_status == ItemStatus::New)
                m_rows.set_status(slot, ItemStatus::NewModified);
            return 1;
        }
        if (status == ItemStatus::NotModified) {
            m_rows.clear_modified(slot, c);
            return 1;
        }
        return -1; // columns are only NotModified! or DataModified!
    }
    // The row status table of the runtime: some changes are refused or land elsewhere.
    ItemStatus from = m_rows.status(slot);
    ItemStatus result = status;
    if (from == ItemStatus::New && status == ItemStatus::NotModified)
        result = ItemStatus::New;
    else if (from == ItemStatus::NewModified && status == ItemStatus::New)
        return -1;
    else if (from == ItemStatus::NewModified && status == ItemStatus::NotModified)
        result = ItemStatus::New;
    else if (from == ItemStatus::DataModified && status == ItemStatus::New)
        result = ItemStatus::NewModified;
    m_rows.set_status(slot, result);
    for (std::size_t c = 0; c < column_count(); ++c)
        m_rows.clear_modified(slot, c);
    return 1;
}

int Engine::reset_update()
{
    if (!m_has_object)
        return -1;
    for (Slot slot : m_buffers[index(Buffer::Delete)])
        m_rows.release(slot);
    buffer_slots(Buffer::Delete).clear();
    for (Buffer buffer : {Buffer::Primary, Buffer::Filter})
        for (Slot slot : m_buffers[index(buffer)]) {
            ItemStatus s = m_rows.status(slot);
            if (s == ItemStatus::DataModified || s == ItemStatus::NewModified)
                m_rows.set_status(slot, ItemStatus::NotModified);
            for (std::size_t c = 0; c < column_count(); ++c)
                m_rows.clear_modified(slot, c);
        }
    return 1;
}

long Engine::get_next_modified(long row, Buffer buffer) const
{
    const auto& slots = m_buffers[index(buffer)];
    for (long r = std::max(row, 0L) + 1; r <= static_cast<long>(slots.size()); ++r) {
        ItemStatus s = m_rows.status(slots[r - 1]);
        if (s == ItemStatus::DataModified || s == ItemStatus::NewModified)
            return r;
    }
    return 0;
}

} // namespace hearth::dw
