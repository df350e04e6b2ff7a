#include "host/datawindow/row_store.h"

#include "host/value/convert.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <stdexcept>

namespace hearth::dw {

namespace {
// Bytes a text column's item is reckoned to take when room is reserved for rows to come.
constexpr std::size_t typical_text_bytes = 16;
} // namespace

void ColumnValues::resize(std::size_t slots)
{
    m_nulls.resize(slots, 1);
    switch (m_storage) {
    case Storage::String:
        for (std::size_t slot = slots; slot < m_text_refs.size(); ++slot)
            forget_text(Slot(slot));
        m_text_refs.resize(slots);
        if (m_dead_text * 2 > m_text.size())
            compact_text();
        break;
    case Storage::Integer: m_integers.resize(slots); break;
    case Storage::Double: m_doubles.resize(slots); break;
    case Storage::Decimal: m_decimals.resize(slots); break;
    case Storage::Date: m_dates.resize(slots); break;
    case Storage::DateTime: m_datetimes.resize(slots); break;
    case Storage::Time: m_times.resize(slots); break;
    }
}

void ColumnValues::reserve(std::size_t slots)
{
    m_nulls.reserve(slots);
    switch (m_storage) {
    case Storage::String:
        // Room for texts of a typical length too: a store filled from empty would otherwise
        // grow its text several times on the first rows of every retrieve.
        m_text_refs.reserve(slots);
        m_text.reserve(slots * typical_text_bytes);
        break;
    case Storage::Integer: m_integers.reserve(slots); break;
    case Storage::Double: m_doubles.reserve(slots); break;
    case Storage::Decimal: m_decimals.reserve(slots); break;
    case Storage::Date: m_dates.reserve(slots); break;
    case Storage::DateTime: m_datetimes.reserve(slots); break;
    case Storage::Time: m_times.reserve(slots); break;
    }
}

void ColumnValues::append_typed_default()
{
    switch (m_storage) {
    case Storage::String: m_text_refs.push_back({}); break;
    case Storage::Integer: m_integers.push_back(0); break;
    case Storage::Double: m_doubles.push_back(0); break;
    case Storage::Decimal: m_decimals.push_back({}); break;
    case Storage::Date: m_dates.push_back({}); break;
    case Storage::DateTime: m_datetimes.push_back({}); break;
    case Storage::Time: m_times.push_back({}); break;
    }
}

ColumnValues::TextRef ColumnValues::add_text(std::string_view text)
{
    if (m_text.size() + text.size() > std::numeric_limits<std::uint32_t>::max()) {
        compact_text();
        if (m_text.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("the text of a DataWindow column exceeds 4 GiB");
    }
    const TextRef ref {std::uint32_t(m_text.size()), std::uint32_t(text.size())};
    m_text.append(text.data(), text.size());
    return ref;
}

void ColumnValues::forget_text(Slot slot)
{
    m_dead_text += m_text_refs[slot].size;
    m_text_refs[slot] = TextRef();
}

void ColumnValues::compact_text()
{
    ItemBuffer<char> live;
    live.reserve(m_text.size() - m_dead_text);
    for (std::size_t slot = 0; slot < m_text_refs.size(); ++slot) {
        TextRef& ref = m_text_refs[slot];
        const std::uint32_t offset = std::uint32_t(live.size());
        live.append(m_text.data() + ref.offset, ref.size);
        ref.offset = offset;
    }
    m_text = std::move(live);
    m_dead_text = 0;
}

void ColumnValues::set_null(Slot slot)
{
    m_nulls[slot] = 1;
    if (m_storage == Storage::String)
        forget_text(slot); // a null item keeps no text
}

void ColumnValues::set_string(Slot slot, std::string_view text)
{
    assert(m_storage == Storage::String);
    m_nulls[slot] = 0;
    TextRef& ref = m_text_refs[slot];
    if (text.size() <= ref.size) {
        // Shorter or as long: written over the old bytes (memmove: it may be a part of them).
        std::char_traits<char>::move(m_text.data() + ref.offset, text.data(), text.size());
        m_dead_text += ref.size - text.size();
        ref.size = std::uint32_t(text.size());
        return;
    }
    // The text may be another item of this column, which growing the arena would move.
    const bool inside = !m_text.empty() && std::less_equal<>()(m_text.data(), text.data())
        && std::less<>()(text.data(), m_text.data() + m_text.size());
    const std::string copy = inside ? std::string(text) : std::string();
    forget_text(slot);
    m_text_refs[slot] = add_text(inside ? std::string_view(copy) : text);
    if (m_dead_text * 2 > m_text.size())
        compact_text();
}

void ColumnValues::set_integer(Slot slot, std::int64_t number)
{
    assert(m_storage == Storage::Integer);
    m_integers[slot] = number;
    m_nulls[slot] = 0;
}

void ColumnValues::set_double(Slot slot, double number)
{
    assert(m_storage == Storage::Double);
    m_doubles[slot] = number;
    m_nulls[slot] = 0;
}

void ColumnValues::set_decimal(Slot slot, const Decimal& number)
{
    assert(m_storage == Storage::Decimal);
    m_decimals[slot] = number;
    m_nulls[slot] = 0;
}

void ColumnValues::set_date(Slot slot, Date date)
{
    assert(m_storage == Storage::Date);
    m_dates[slot] = date;
    m_nulls[slot] = 0;
}

void ColumnValues::set_datetime(Slot slot, DateTime stamp)
{
    assert(m_storage == Storage::DateTime);
    m_datetimes[slot] = stamp;
    m_nulls[slot] = 0;
}

void ColumnValues::set_time(Slot slot, Time time)
{
    assert(m_storage == Storage::Time);
    m_times[slot] = time;
    m_nulls[slot] = 0;
}

Value ColumnValues::get(Slot slot, const ColumnType& type) const
{
    if (is_null(slot))
        return Value::null_of(type.value_type());
    switch (m_storage) {
    case Storage::String: return Value(std::string(string(slot)));
    case Storage::Integer:
        switch (type.kind) {
        case ColumnKind::Int: return Value::integer(static_cast<std::int16_t>(m_integers[slot]));
        case ColumnKind::ULong: return Value::ulong(static_cast<std::uint32_t>(m_integers[slot]));
        default: return Value(static_cast<std::int32_t>(m_integers[slot]));
        }
    case Storage::Double:
        return type.kind == ColumnKind::Real ? Value::real(static_cast<float>(m_doubles[slot]))
                                             : Value(m_doubles[slot]);
    case Storage::Decimal: return Value(m_decimals[slot]);
    case Storage::Date: return Value(m_dates[slot]);
    case Storage::DateTime: return Value(m_datetimes[slot]);
    case Storage::Time: return Value(m_times[slot]);
    }
    return {};
}

void ColumnValues::set(Slot slot, const Value& value)
{
    if (value.is_null()) {
        set_null(slot);
        return;
    }
    switch (m_storage) {
    case Storage::String: set_string(slot, value.as_string()); break;
    case Storage::Integer: set_integer(slot, value.as_integral()); break;
    case Storage::Double: set_double(slot, value.as_double()); break;
    case Storage::Decimal: set_decimal(slot, value.as_decimal()); break;
    case Storage::Date: set_date(slot, value.as_date()); break;
    case Storage::DateTime: set_datetime(slot, value.as_datetime()); break;
    case Storage::Time: set_time(slot, value.as_time()); break;
    }
}

void ColumnValues::copy_item(Slot slot, const ColumnValues& from, Slot from_slot)
{
    assert(from.m_storage == m_storage);
    if (m_storage != Storage::String)
        m_nulls[slot] = from.m_nulls[from_slot];
    switch (m_storage) {
    case Storage::String:
        if (from.is_null(from_slot))
            set_null(slot);
        else
            set_string(slot, from.string(from_slot));
        return;
    case Storage::Integer: m_integers[slot] = from.m_integers[from_slot]; break;
    case Storage::Double: m_doubles[slot] = from.m_doubles[from_slot]; break;
    case Storage::Decimal: m_decimals[slot] = from.m_decimals[from_slot]; break;
    case Storage::Date: m_dates[slot] = from.m_dates[from_slot]; break;
    case Storage::DateTime: m_datetimes[slot] = from.m_datetimes[from_slot]; break;
    case Storage::Time: m_times[slot] = from.m_times[from_slot]; break;
    }
}

Decimal fit_scale(const Decimal& number, int places)
{
    Decimal rounded = number.rounded(places);
    Int128 coefficient = rounded.coefficient();
    for (int scale = rounded.scale(); scale < places; ++scale) {
        if (coefficient > Int128(1e36) || coefficient < -Int128(1e36))
            return rounded;
        coefficient *= 10;
    }
    return Decimal::from_parts(coefficient, std::max(places, rounded.scale()));
}

std::optional<Value> convert_for_column(const Value& value, const ColumnType& type)
{
    if (value.is_null())
        return Value::null_of(type.value_type());
    if (value.type() == Type::String && type.storage() != Storage::String)
        return std::nullopt;
    if (value.type() != Type::String && type.storage() == Storage::String)
        return std::nullopt;
    auto converted = try_convert(value, type.value_type());
    if (!converted)
        return std::nullopt;
    if (type.kind == ColumnKind::Decimal && !converted->is_null())
        return Value(fit_scale(converted->as_decimal(), type.size));
    return converted;
}

RowStore::RowStore(const std::vector<TableColumn>& columns)
{
    m_columns.reserve(columns.size());
    for (const TableColumn& column : columns)
        m_columns.emplace_back(column.type.storage());
    m_modified.resize(columns.size());
    m_originals.resize(columns.size());
}

Slot RowStore::allocate(ItemStatus status)
{
    Slot slot;
    if (!m_free.empty()) {
        slot = m_free.back();
        m_free.pop_back();
        for (auto& column : m_columns)
            column.set_null(slot);
        m_status[slot] = status;
        m_selected[slot] = 0;
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            clear_modified(slot, c);
        return slot;
    }
    slot = static_cast<Slot>(m_status.size());
    m_status.push_back(status);
    m_selected.push_back(0);
    for (auto& column : m_columns)
        column.resize(slot + 1);
    return slot;
}

Slot RowStore::add_appended(std::size_t count, ItemStatus status)
{
    const Slot first = static_cast<Slot>(m_status.size());
    const std::size_t size = first + count;
    assert(std::all_of(m_columns.begin(), m_columns.end(), [&](const ColumnValues& c) { return c.size() == size; }));
    m_status.resize(size, status);
    m_selected.resize(size, 0);
    return first;
}

void RowStore::drop_appended()
{
    for (auto& column : m_columns)
        column.resize(m_status.size());
}

void RowStore::reserve(std::size_t count)
{
    std::size_t target = m_status.size() + count;
    m_status.reserve(target);
    m_selected.reserve(target);
    for (auto& column : m_columns)
        column.reserve(target);
}

void RowStore::release(Slot slot)
{
    for (auto& column : m_columns)
        column.set_null(slot);
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        clear_modified(slot, c);
    m_free.push_back(slot);
}

void RowStore::set_selected(Slot slot, bool selected)
{
    if (selected && !m_selected[slot]) {
        // Rows selected and deselected one by one leave entries behind: keep them in bounds.
        if (m_selected_slots.size() > 2 * m_selected.size() + 16)
            std::erase_if(m_selected_slots, [&](Slot s) { return !m_selected[s]; });
        m_selected_slots.push_back(slot);
    }
    m_selected[slot] = selected ? 1 : 0;
}

void RowStore::deselect_all()
{
    for (Slot slot : m_selected_slots)
        m_selected[slot] = 0;
    m_selected_slots.clear();
}

void RowStore::clear()
{
    for (auto& column : m_columns)
        column = ColumnValues(column.storage());
    m_status.clear();
    m_selected.clear();
    m_selected_slots.clear();
    for (auto& flags : m_modified)
        flags.clear();
    for (auto& originals : m_originals)
        originals.clear();
    m_free.clear();
}

void RowStore::mark_modified(Slot slot, std::size_t column, const ColumnType& type)
{
    if (is_modified(slot, column))
        return;
    auto& flags = m_modified[column];
    if (flags.size() <= slot)
        flags.resize(m_status.size(), 0);
    flags[slot] = 1;
    m_originals[column][slot] = m_columns[column].get(slot, type);
}

void RowStore::clear_modified(Slot slot, std::size_t column)
{
    if (!is_modified(slot, column))
        return;
    m_modified[column][slot] = 0;
    m_originals[column].erase(slot);
}

Value RowStore::original(Slot slot, std::size_t column, const ColumnType& type) const
{
    if (is_modified(slot, column)) {
        auto it = m_originals[column].find(slot);
        assert(it != m_originals[column].end()); // kept by mark_modified with the flag
        return it->second;
    }
    return m_columns[column].get(slot, type);
}

} // namespace hearth::dw
