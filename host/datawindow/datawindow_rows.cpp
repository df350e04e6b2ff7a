// DataWindow rows: inserting, deleting, copying and moving rows between buffers and engines.

#include "host/datawindow/datawindow.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"

#include <algorithm>

namespace hearth::dw {

long Engine::modified_count() const
{
    long n = 0;
    for (Buffer buffer : {Buffer::Primary, Buffer::Filter})
        for (Slot slot : m_buffers[index(buffer)]) {
            ItemStatus s = m_rows.status(slot);
            n += (s == ItemStatus::DataModified || s == ItemStatus::NewModified) ? 1 : 0;
        }
    return n;
}

bool Engine::is_updatable() const { return !m_object.update_table.empty(); }

void Engine::apply_initial_values(Slot slot)
{
    for (std::size_t c = 0; c < m_object.columns.size(); ++c) {
        const TableColumn& column = m_object.columns[c];
        const Attribute* initial = find_attribute(column.attributes, "initial");
        if (!initial)
            continue;
        std::string_view text = initial->value.text;
        std::optional<Value> value;
        if (iequals(text, "today") || iequals(text, "now")) {
            // Not a stored value: the row starts empty in this column.
            continue;
        }
        value = parse_item_text(text, column.type, EmptyText::EmptyString);
        if (value)
            m_rows.column(c).set(slot, *value);
    }
}

long Engine::insert_row(long row)
{
    if (!m_has_object)
        return -1;
    auto& primary = buffer_slots(Buffer::Primary);
    long count = static_cast<long>(primary.size());
    if (row < 0 || row > count)
        return -1;
    Slot slot = m_rows.allocate(ItemStatus::New);
    apply_initial_values(slot);
    long position = row == 0 ? count + 1 : row;
    primary.insert(primary.begin() + (position - 1), slot);
    // kept: InsertRow does not move the current row, but rows after it shift down
    if (m_current_row >= position && m_current_row > 0)
        ++m_current_row;
    settle_current_row(false);
    return position;
}

int Engine::delete_row(long row)
{
    if (!m_has_object)
        return -1;
    if (row == 0)
        row = m_current_row;
    auto& primary = buffer_slots(Buffer::Primary);
    if (row < 1 || row > static_cast<long>(primary.size()))
        return -1;
    Slot slot = primary[row - 1];
    primary.erase(primary.begin() + (row - 1));
    if (is_updatable())
        buffer_slots(Buffer::Delete).push_back(slot);
    else
        m_rows.release(slot);
    bool replaced = row == m_current_row;
    if (row < m_current_row)
        --m_current_row;
    settle_current_row(replaced);
    return 1;
}

int Engine::reset()
{
    if (!m_has_object)
        return -1;
    rows_changed();
    m_rows.clear();
    for (auto& slots : m_buffers)
        slots.clear();
    change_current_row(0);
    return 1;
}

namespace {

bool compatible(Storage a, Storage b)
{
    auto numeric = [](Storage s) { return s == Storage::Integer || s == Storage::Double || s == Storage::Decimal; };
    auto dated = [](Storage s) { return s == Storage::Date || s == Storage::DateTime; };
    return a == b || (numeric(a) && numeric(b)) || (dated(a) && dated(b));
}

} // namespace

int Engine::rows_copy(long start, long end, Buffer from, Engine& target, long before, Buffer to)
{
    if (!m_has_object || !target.m_has_object)
        return -1;
    const auto& source = m_buffers[index(from)];
    long count = static_cast<long>(source.size());
    if (start < 1 || start > count || end < start || before < 1)
        return -1;
    end = std::min(end, count);
    if (target.column_count() != column_count())
        return -1;
    for (std::size_t c = 0; c < column_count(); ++c)
        if (!compatible(m_object.columns[c].type.storage(), target.m_object.columns[c].type.storage()))
            return -1;
    // Snapshot the slots first: the target may be this engine.
    std::vector<Slot> picked(source.begin() + (start - 1), source.begin() + end);
    std::vector<Slot> copies;
    copies.reserve(picked.size());
    for (Slot slot : picked) {
        Slot copy = target.m_rows.allocate(ItemStatus::NewModified);
        for (std::size_t c = 0; c < column_count(); ++c) {
            const TableColumn& to_column = target.m_object.columns[c];
            if (m_object.columns[c].type.storage() == to_column.type.storage()) {
                target.m_rows.column(c).copy_item(copy, m_rows.column(c), slot);
            } else {
                Value value = m_rows.column(c).get(slot, m_object.columns[c].type);
                if (auto converted = convert_for_column(value, to_column.type))
                    target.m_rows.column(c).set(copy, *converted);
            }
        }
        copies.push_back(copy);
    }
    auto& destination = target.buffer_slots(to);
    long position = std::min<long>(before, static_cast<long>(destination.size()) + 1);
    destination.insert(destination.begin() + (position - 1), copies.begin(), copies.end());
    if (to == Buffer::Primary) {
        if (target.m_current_row >= position && target.m_current_row > 0)
            target.m_current_row += static_cast<long>(copies.size());
        target.settle_current_row(false);
    }
    return 1;
}

int Engine::rows_move(long start, long end, Buffer from, Engine& target, long before, Buffer to)
{
    if (&target == this && from == to)
        return -1;
    long count = this->count(from);
    if (rows_copy(start, end, from, target, before, to) != 1)
        return -1;
    return rows_discard(start, std::min(end, count), from);
}

int Engine::rows_discard(long start, long end, Buffer buffer)
{
    if (!m_has_object)
        return -1;
    auto& slots = buffer_slots(buffer);
    long count = static_cast<long>(slots.size());
    if (start < 1 || start > count || end < start)
        return -1;
    end = std::min(end, count);
    for (long r = start; r <= end; ++r)
        m_rows.release(slots[r - 1]);
    slots.erase(slots.begin() + (start - 1), slots.begin() + end);
    if (buffer == Buffer::Primary) {
        bool replaced = m_current_row >= start && m_current_row <= end;
        if (m_current_row > end)
            m_current_row -= end - start + 1;
        else if (replaced)
            m_current_row = start;
        settle_current_row(replaced);
    }
    return 1;
}

} // namespace hearth::dw
