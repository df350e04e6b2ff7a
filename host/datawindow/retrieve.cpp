// Retrieve: the current SELECT through a transaction into typed column storage.
#include "host/datawindow/database.h"

#include "host/sql/cell.h"

#include <fmt/format.h>

#include <limits>

namespace hearth::dw {

// Reaches the engine's rows for the database operations (declared a friend of Engine).
struct DatabaseAccess {
    static long retrieve(Engine& engine, Transaction& tx, const std::vector<Value>& arguments,
                         const DatabaseEvents& events);
    static void replace_rows(Engine& engine, RowStore rows, std::size_t count);
};

namespace {

struct Range {
    std::int64_t low;
    std::int64_t high;
};

Range range_of(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Int: return {-32768, 32767};
    case ColumnKind::ULong: return {0, std::numeric_limits<std::uint32_t>::max()};
    default: return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
    }
}

// Fills one item of a slot from a result cell; false with the message for a value the
// column cannot hold. Typed all the way: no Value is built per cell.
bool load_cell(ColumnValues& column, Slot slot, const ColumnType& type, const sql::ResultRow& row, int c)
{
    if (row.is_null(c))
        return true;   // a fresh slot is null already
    switch (type.storage()) {
    case Storage::String:
        if (row.kind(c) == sql::CellKind::Blob) {
            const auto bytes = row.blob(c);
            column.set_string(slot, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        } else {
            column.set_string(slot, row.text(c));
        }
        return true;
    case Storage::Integer: {
        Int128 whole = 0;
        const Range range = range_of(type.kind);
        if (!sql::cell_whole(row, c, whole) || whole < range.low || whole > range.high)
            break;
        column.set_integer(slot, std::int64_t(whole));
        return true;
    }
    case Storage::Double:
        if (const auto d = sql::cell_double(row, c)) {
            column.set_double(slot, *d);
            return true;
        }
        break;
    case Storage::Decimal:
        if (const auto d = sql::cell_decimal(row, c)) {
            column.set_decimal(slot, fit_scale(*d, type.size));   // decimal(n) items keep n places
            return true;
        }
        break;
    case Storage::Date:
        if (const auto d = sql::cell_date(row, c)) {
            column.set_date(slot, *d);
            return true;
        }
        break;
    case Storage::DateTime:
        if (const auto d = sql::cell_datetime(row, c)) {
            column.set_datetime(slot, *d);
            return true;
        }
        break;
    case Storage::Time:
        if (const auto d = sql::cell_time(row, c)) {
            column.set_time(slot, *d);
            return true;
        }
        break;
    }
    return false;
}

long report(Transaction& tx, const DatabaseEvents& events)
{
    if (events.db_error)
        events.db_error(tx.sql_db_code() != 0 ? tx.sql_db_code() : -1, tx.sql_err_text());
    return -1;
}

} // namespace

void DatabaseAccess::replace_rows(Engine& engine, RowStore rows, std::size_t count)
{
    engine.m_rows = std::move(rows);
    for (auto& slots : engine.m_buffers)
        slots.clear();
    auto& primary = engine.m_buffers[Engine::index(Buffer::Primary)];
    primary.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        primary[i] = Slot(i);
    engine.m_edit_text.reset();
    // The current row starts over at the first row, telling the owner even when the number
    // stays 1 (it is another row now).
    engine.m_current_row = 0;
    engine.settle_current_row(false);
}

long DatabaseAccess::retrieve(Engine& engine, Transaction& tx, const std::vector<Value>& arguments,
                              const DatabaseEvents& events)
{
    if (!engine.has_object())
        return -1;
    const ObjectDefinition& object = engine.object();
    RetrieveStartAction start = RetrieveStartAction::Continue;
    if (events.retrieve_start)
        start = events.retrieve_start();
    if (start == RetrieveStartAction::Cancel)
        return -1;   // kept: the runtime does not retrieve when RetrieveStart returns 1

    if (arguments.size() < object.arguments.size()) {
        tx.fail(fmt::format("Retrieve expects {} arguments, {} given.", object.arguments.size(), arguments.size()));
        return report(tx, events);
    }
    HostVars vars;
    vars.reserve(object.arguments.size());
    for (std::size_t i = 0; i < object.arguments.size(); ++i) {
        if (object.arguments[i].type.size() > 4 && object.arguments[i].type.ends_with("list")) {
            tx.fail(fmt::format("Retrieval argument {} is a list, which is not supported.", object.arguments[i].name));
            return report(tx, events);
        }
        vars.emplace_back(object.arguments[i].name, arguments[i]);
    }

    const std::size_t columns = object.columns.size();
    std::vector<ColumnType> types;
    types.reserve(columns);
    for (const TableColumn& column : object.columns)
        types.push_back(column.type);

    const bool append = start == RetrieveStartAction::Append;
    RowStore fresh(object.columns);
    RowStore& target = append ? engine.m_rows : fresh;
    // A page is usually retrieved again with about as many rows as before.
    if (!append)
        fresh.reserve(std::size_t(engine.row_count() + engine.filtered_count() + engine.deleted_count()));
    std::vector<Slot> loaded;
    constexpr std::size_t block_size = 4096;
    Slot block_next = 0;
    std::size_t block_left = 0;
    bool checked = false;
    const long code = tx.query(object.select, vars, [&](const sql::ResultRow& row) {
        if (!checked) {
            checked = true;
            if (row.column_count() < int(columns)) {
                tx.fail(fmt::format("The SELECT returns {} columns but the DataWindow object has {}.",
                                    row.column_count(), columns));
                return RowAction::Stop;
            }
        }
        Slot slot;
        if (append) {
            slot = target.allocate(ItemStatus::NotModified);
        } else {
            // A new store grows a block of slots at a time, not a slot per row.
            if (block_left == 0) {
                block_next = target.allocate_block(block_size, ItemStatus::NotModified);
                block_left = block_size;
            }
            slot = block_next++;
            --block_left;
        }
        loaded.push_back(slot);
        for (std::size_t c = 0; c < columns; ++c) {
            if (!load_cell(target.column(c), slot, types[c], row, int(c))) {
                // Named by the DataWindow's column: the database's own names differ by backend.
                const std::string_view text = row.kind(int(c)) == sql::CellKind::Blob ? "a blob" : row.text(int(c));
                tx.fail(fmt::format("Cannot convert '{}' in column {} ({}) to {}.", text.substr(0, 64), c + 1,
                                    object.columns[c].name, types[c].text()));
                return RowAction::Stop;
            }
        }
        return RowAction::Continue;
    });
    if (code == -1) {
        if (append)
            for (Slot slot : loaded)
                engine.m_rows.release(slot);
        return report(tx, events);
    }
    if (append) {
        auto& primary = engine.m_buffers[Engine::index(Buffer::Primary)];
        primary.insert(primary.end(), loaded.begin(), loaded.end());
        engine.settle_current_row(false);
    } else {
        // The unused end of the last block becomes free slots for later inserts.
        for (; block_left > 0; --block_left)
            fresh.release(block_next++);
        replace_rows(engine, std::move(fresh), loaded.size());
    }
    if (!engine.sort_criteria().empty())
        engine.sort();
    if (!engine.filter_criteria().empty())
        engine.filter();
    // RetrieveEnd tells how many rows came from the database; Retrieve answers the rows left
    // in Primary! after the filter.
    if (events.retrieve_end)
        events.retrieve_end(long(loaded.size()));
    return engine.row_count();
}

long retrieve(Engine& engine, Transaction& transaction, const std::vector<Value>& arguments,
              const DatabaseEvents& events)
{
    return DatabaseAccess::retrieve(engine, transaction, arguments, events);
}

} // namespace hearth::dw
