// The DataWindow engine's object: assigning and clearing it, and what every operation shares.
// Rows, items and the current position live in datawindow_rows.cpp, datawindow_items.cpp and
// datawindow_position.cpp.

#include "host/datawindow/datawindow.h"
#include "host/datawindow/sort_key.h"
#include "host/datawindow/text_util.h"

#include <fmt/format.h>

namespace hearth::dw {

std::string ColumnRef::text() const { return by_name() ? fmt::format("'{}'", m_name) : std::to_string(m_number); }

Engine::Engine() = default;
Engine::~Engine() = default;

Result<void> Engine::set_object(ObjectDefinition object)
{
    clear_object();
    rows_changed();
    m_object = std::move(object);
    m_rows = RowStore(m_object.columns);
    m_has_object = true;
    // The designed criteria go in as SetSort and SetFilter put them; a failure names the
    // attribute and where it stands in the source.
    auto refuse = [&](std::string_view attribute, SourcePos pos, const std::string& text, const std::string& why) {
        std::string message
            = located_message(m_object.name, pos, fmt::format("{}=\"{}\": {}", attribute, excerpt(text), why));
        clear_object();
        return Result<void>::failure(std::move(message));
    };
    if (auto cycles = check_compute_cycles(m_object); !cycles) {
        clear_object();
        return cycles;
    }
    if (auto sorted = install_sort(m_object.sort); !sorted)
        return refuse("sort", m_object.sort_pos, m_object.sort, sorted.error());
    if (auto filtered = install_filter(m_object.filter); !filtered)
        return refuse("filter", m_object.filter_pos, m_object.filter, filtered.error());
    // kept: rows stored in the object are there without a Retrieve, as retrieved rows
    if (!m_object.data_rows.empty()) {
        RowLoader loader = load_rows(ItemStatus::NotModified);
        for (const auto& row : m_object.data_rows) {
            loader.begin_row();
            for (std::size_t column = 0; column < row.size(); ++column)
                loader.set_value(column, row[column]);
        }
        loader.commit();
    }
    return {};
}

void Engine::clear_object()
{
    m_object = ObjectDefinition();
    m_has_object = false;
    rows_changed();
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
