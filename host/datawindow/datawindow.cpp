// The DataWindow engine's object: assigning and clearing it, and what every operation shares.
// Rows, items and the current position live in datawindow_rows.cpp, datawindow_items.cpp and
// datawindow_position.cpp.

#include "host/datawindow/datawindow.h"
#include "host/datawindow/sort_key.h"

#include <fmt/format.h>

namespace hearth::dw {

std::string ColumnRef::text() const { return by_name() ? fmt::format("'{}'", m_name) : std::to_string(m_number); }

Engine::Engine() = default;
Engine::~Engine() = default;

Result<void> Engine::set_object(ObjectDefinition object)
{
    clear_object();
    m_object = std::move(object);
    m_rows = RowStore(m_object.columns);
    m_has_object = true;
    if (!m_object.sort.empty()) {
        auto keys = parse_sort_criteria(m_object.sort, m_object);
        if (!keys) {
            clear_object();
            return Result<void>::failure(fmt::format("sort=\"{}\": {}", m_object.sort, keys.error()));
        }
        m_sort_text = m_object.sort;
        m_sort_keys = std::move(*keys);
    }
    if (auto cycles = check_compute_cycles(m_object); !cycles) {
        clear_object();
        return cycles;
    }
    if (!m_object.filter.empty()) {
        auto filter = Expression::compile(m_object.filter, m_object);
        if (!filter) {
            std::string message = fmt::format("filter=\"{}\": {}", m_object.filter, filter.error());
            clear_object();
            return Result<void>::failure(message);
        }
        m_filter_text = m_object.filter;
        m_filter = std::move(*filter);
    }
    return {};
}

void Engine::clear_object()
{
    m_object = ObjectDefinition();
    m_has_object = false;
    m_rows = RowStore();
    for (auto& slots : m_buffers)
        slots.clear();
    m_current_row = 0;
    m_current_column = 0;
    m_clicked_column = 0;
    m_sort_text.clear();
    m_sort_keys.clear();
    m_filter_text.clear();
    m_filter.reset();
    m_selected_cells.clear();
    m_computes.clear();
}

int Engine::set_redraw(bool on)
{
    m_redraw = on;
    return 1;
}

RowContext Engine::row_context(Buffer buffer, long row) const
{
    RowContext context;
    context.engine = this;
    context.rows = &m_rows;
    const auto& slots = m_buffers[index(buffer)];
    context.slot = row >= 1 && row <= static_cast<long>(slots.size()) ? slots[row - 1] : 0;
    context.row = row;
    context.row_count = row_count();
    context.current_row = m_current_row;
    return context;
}

} // namespace hearth::dw
