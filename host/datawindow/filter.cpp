// SetFilter/Filter, Find and Evaluate: one compiled expression per call, tested per row.
#include "host/datawindow/datawindow.h"
#include "host/datawindow/text_util.h"
#include "host/value/runtime_error.h"

#include <fmt/format.h>

#include <new>

namespace hearth::dw {

Result<void> Engine::set_filter_checked(std::string_view criteria)
{
    auto installed = install_filter(criteria);
    if (!installed)
        return Result<void>::failure(
            fmt::format("bad filter expression '{}': {}", excerpt(criteria), installed.error()));
    store_syntax_modified(); // the filter criteria are part of the object's syntax
    return {};
}

Result<void> Engine::install_filter(std::string_view criteria)
{
    if (!m_has_object)
        return Result<void>::failure("no DataWindow object");
    if (trim_blanks(criteria).empty()) {
        m_filter_text.clear();
        m_filter.reset();
        return {};
    }
    auto expression = Expression::compile(criteria, m_object);
    if (!expression)
        return expression;
    if (expression->kind() != ExprKind::Bool && expression->kind() != ExprKind::Any)
        return Result<void>::failure("the expression is not true or false");
    m_filter_text = std::string(criteria);
    m_filter = std::move(*expression);
    return {};
}

int Engine::filter()
{
    if (!m_has_object)
        return -1;
    auto& primary = buffer_slots(Buffer::Primary);
    auto& filtered = buffer_slots(Buffer::Filter);
    std::vector<Slot> kept, failed;
    kept.reserve(primary.size() + filtered.size());
    RowContext context = row_context(Buffer::Primary, 0);
    // The row count an expression sees is the count before filtering.
    long row = 0;
    auto passes = [&](Slot slot) {
        context.slot = slot;
        context.row = ++row;
        return !m_filter || m_filter->test(context);
    };
    Slot current = m_current_row > 0 ? primary[m_current_row - 1] : 0;
    bool had_current = m_current_row > 0;
    try {
        for (Slot slot : primary)
            (passes(slot) ? kept : failed).push_back(slot);
        // kept: rows coming back from Filter! follow the rows that stayed in Primary!
        row = 0;
        for (Slot slot : filtered)
            (passes(slot) ? kept : failed).push_back(slot);
    } catch (const RuntimeError&) { // a string past the runtime's limit: the buffers stay as they were
        return -1;
    } catch (const std::bad_alloc&) {
        return -1;
    }
    primary = std::move(kept);
    filtered = std::move(failed);
    rows_changed(); // again: the filter ran, perhaps with aggregates, on the rows before
    long new_row = 0;
    if (had_current)
        for (std::size_t i = 0; i < primary.size(); ++i)
            if (primary[i] == current) {
                new_row = static_cast<long>(i) + 1;
                break;
            }
    if (new_row > 0) {
        change_current_row(new_row);
    } else {
        m_current_row = had_current ? std::min(m_current_row, row_count()) : 0;
        settle_current_row(had_current);
    }
    return 1;
}

long Engine::find(std::string_view expression, long start, long end) const
{
    if (!m_has_object)
        return -1;
    auto compiled = Expression::compile(expression, m_object);
    if (!compiled)
        return -1;
    long count = row_count();
    if (start < 0 || end < 0)
        return -5;
    if (count == 0)
        return 0;
    RowContext context = row_context(Buffer::Primary, 0);
    const auto& primary = m_buffers[index(Buffer::Primary)];
    auto test = [&](long row) {
        context.slot = primary[row - 1];
        context.row = row;
        return compiled->test(context);
    };
    try {
        if (end >= start) {
            for (long row = std::max(start, 1L); row <= std::min(end, count); ++row)
                if (test(row))
                    return row;
        } else {
            for (long row = std::min(start, count); row >= std::max(end, 1L); --row)
                if (test(row))
                    return row;
        }
    } catch (const RuntimeError&) { // a string past the runtime's limit
        return -1;
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 0;
}

Result<Value> Engine::evaluate(std::string_view expression, long row) const
{
    if (!m_has_object)
        return Result<Value>::failure("no DataWindow object");
    auto compiled = Expression::compile(expression, m_object);
    if (!compiled)
        return Result<Value>::failure(compiled.error());
    if (row < 0 || row > row_count())
        return Result<Value>::failure(fmt::format("row {} does not exist", row));
    if (row == 0) {
        // Without a row an expression may still be evaluated if it reads no column; a
        // scratch context points at no slot, so refuse when there are no rows at all.
        if (row_count() == 0)
            return Result<Value>::failure("no row to evaluate at");
        row = 1;
    }
    try {
        return compiled->evaluate(row_context(Buffer::Primary, row));
    } catch (const RuntimeError& error) { // a string past the runtime's limit
        return Result<Value>::failure(error.context());
    } catch (const std::bad_alloc&) {
        return Result<Value>::failure("not enough memory to evaluate the expression");
    }
}

} // namespace hearth::dw
