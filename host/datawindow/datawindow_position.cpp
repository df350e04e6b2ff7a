// The DataWindow's current position: current row and column, and the selection.

#include "host/datawindow/datawindow.h"

#include <algorithm>

namespace hearth::dw {

void Engine::change_current_row(long row)
{
    if (row == m_current_row)
        return;
    m_current_row = row;
    if (m_row_focus_changed)
        m_row_focus_changed(row);
}

void Engine::settle_current_row(bool current_row_replaced)
{
    long count = row_count();
    long wanted = m_current_row;
    if (count == 0)
        wanted = 0;
    else if (wanted < 1)
        wanted = 1; // a DataWindow with rows always has a current row
    else if (wanted > count)
        wanted = count;
    if (wanted == m_current_row && current_row_replaced && wanted > 0) {
        if (m_row_focus_changed)
            m_row_focus_changed(wanted);
        return;
    }
    change_current_row(wanted);
}

int Engine::set_row(long row)
{
    if (!m_has_object || row < 1 || row > row_count())
        return -1;
    change_current_row(row);
    return 1;
}

long Engine::scroll_to_row(long row)
{
    if (!m_has_object || row_count() == 0)
        return -1;
    row = std::clamp(row, 1L, row_count());
    change_current_row(row);
    return row;
}

int Engine::select_row(long row, SelectFlag flag)
{
    if (!m_has_object)
        return 1; // kept: SelectRow with no object succeeds
    auto& primary = buffer_slots(Buffer::Primary);
    if (row == 0) {
        // With no row filtered out or deleted every selected slot is a Primary! row.
        if (flag == SelectFlag::Off && buffer_slots(Buffer::Filter).empty() && buffer_slots(Buffer::Delete).empty()) {
            m_rows.deselect_all();
            return 1;
        }
        for (Slot slot : primary)
            m_rows.set_selected(slot, flag == SelectFlag::On);
        return 1;
    }
    if (row < 1 || row > static_cast<long>(primary.size()))
        return -1;
    m_rows.set_selected(primary[row - 1], flag == SelectFlag::On);
    return 1;
}

bool Engine::is_selected(long row) const
{
    const auto& primary = m_buffers[index(Buffer::Primary)];
    return row >= 1 && row <= static_cast<long>(primary.size()) && m_rows.is_selected(primary[row - 1]);
}

long Engine::get_selected_row(long row) const
{
    const auto& primary = m_buffers[index(Buffer::Primary)];
    for (long r = std::max(row, 0L) + 1; r <= static_cast<long>(primary.size()); ++r)
        if (m_rows.is_selected(primary[r - 1]))
            return r;
    return 0;
}

std::string Engine::get_column_name() const
{
    if (m_current_column < 1 || m_current_column > static_cast<int>(column_count()))
        return {};
    return m_object.columns[m_current_column - 1].name;
}

int Engine::set_column(ColumnRef column)
{
    int c = resolve_column(column);
    if (c < 0)
        return -1;
    m_current_column = c + 1;
    return 1;
}

} // namespace hearth::dw
