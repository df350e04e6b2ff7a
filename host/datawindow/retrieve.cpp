// Retrieve: the current SELECT through a transaction into typed column storage.
#include "host/datawindow/database.h"

#include "host/sql/cell.h"
#include "host/sql/dialect.h"

#include <fmt/format.h>

#include <limits>

namespace hearth::dw {

// Reaches the engine's rows for the database operations (declared a friend of Engine).
struct DatabaseAccess {
    static long retrieve(Engine& engine, Transaction& tx, const std::vector<RetrievalArgument>& arguments,
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

// Appends one non-null result cell to a column; false when the column cannot hold the
// value. Chosen once per column, typed all the way: no Value is built per cell.
using CellLoader
    = bool (*)(ColumnValues& column, const ColumnType& type, const sql::ResultRow& row, int c, sql::CellKind kind);

bool load_string(ColumnValues& column, const ColumnType&, const sql::ResultRow& row, int c, sql::CellKind kind)
{
    if (kind == sql::CellKind::Blob) {
        const auto bytes = row.blob(c);
        column.append_string(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } else {
        column.append_string(row.text(c));
    }
    return true;
}

bool load_integer(ColumnValues& column, const ColumnType& type, const sql::ResultRow& row, int c, sql::CellKind kind)
{
    Int128 whole = 0;
    if (kind == sql::CellKind::Integer)
        whole = row.int64(c);
    else if (!sql::cell_whole(row, c, whole))
        return false;
    const Range range = range_of(type.kind);
    if (whole < range.low || whole > range.high)
        return false;
    column.append_integer(std::int64_t(whole));
    return true;
}

bool load_double(ColumnValues& column, const ColumnType&, const sql::ResultRow& row, int c, sql::CellKind kind)
{
    if (kind == sql::CellKind::Float) {
        column.append_double(row.real(c));
        return true;
    }
    const auto d = sql::cell_double(row, c);
    if (d)
        column.append_double(*d);
    return d.has_value();
}

bool load_decimal(ColumnValues& column, const ColumnType& type, const sql::ResultRow& row, int c, sql::CellKind kind)
{
    // A stored amount comes back from SQLite as a double; most have no more places than the
    // column, which takes them without any rounding.
    if (kind == sql::CellKind::Float)
        if (const auto exact = Decimal::exact_from_double(row.real(c), type.size)) {
            column.append_decimal(*exact);
            return true;
        }
    const auto d
        = kind == sql::CellKind::Integer ? std::optional<Decimal>(Decimal(row.int64(c))) : sql::cell_decimal(row, c);
    if (d)
        column.append_decimal(fit_scale(*d, type.size)); // decimal(n) items keep n places
    return d.has_value();
}

bool load_date(ColumnValues& column, const ColumnType&, const sql::ResultRow& row, int c, sql::CellKind)
{
    const auto d = sql::cell_date(row, c);
    if (d)
        column.append_date(*d);
    return d.has_value();
}

bool load_datetime(ColumnValues& column, const ColumnType&, const sql::ResultRow& row, int c, sql::CellKind)
{
    const auto d = sql::cell_datetime(row, c);
    if (d)
        column.append_datetime(*d);
    return d.has_value();
}

bool load_time(ColumnValues& column, const ColumnType&, const sql::ResultRow& row, int c, sql::CellKind)
{
    const auto d = sql::cell_time(row, c);
    if (d)
        column.append_time(*d);
    return d.has_value();
}

CellLoader loader_for(Storage storage)
{
    switch (storage) {
    case Storage::String: return load_string;
    case Storage::Integer: return load_integer;
    case Storage::Double: return load_double;
    case Storage::Decimal: return load_decimal;
    case Storage::Date: return load_date;
    case Storage::DateTime: return load_datetime;
    case Storage::Time: return load_time;
    }
    return load_string;
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
    engine.rows_changed();
    for (auto& slots : engine.m_buffers)
        slots.clear();
    auto& primary = engine.m_buffers[Engine::index(Buffer::Primary)];
    primary.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        primary[i] = Slot(i);
    // The current row starts over at the first row, telling the owner even when the number
    // stays 1 (it is another row now).
    engine.m_current_row = 0;
    engine.settle_current_row(false);
}

long DatabaseAccess::retrieve(Engine& engine, Transaction& tx, const std::vector<RetrievalArgument>& arguments,
                              const DatabaseEvents& events)
{
    if (!engine.has_object())
        return -1;
    const ObjectDefinition& object = engine.object();
    RetrieveStartAction start = RetrieveStartAction::Continue;
    if (events.retrieve_start)
        start = events.retrieve_start();
    if (start == RetrieveStartAction::Cancel)
        return -1; // kept: the runtime does not retrieve when RetrieveStart returns 1

    if (arguments.size() < object.arguments.size()) {
        tx.fail(fmt::format("Retrieve expects {} arguments, {} given.", object.arguments.size(), arguments.size()));
        return report(tx, events);
    }
    std::string select = object.select;
    HostVars vars;
    vars.reserve(object.arguments.size());
    for (std::size_t i = 0; i < object.arguments.size(); ++i) {
        const RetrieveArgument& declared = object.arguments[i];
        if (!declared.is_list()) {
            if (arguments[i].is_list) {
                tx.fail(fmt::format("Retrieval argument {} takes one value, not a list.", declared.name));
                return report(tx, events);
            }
            vars.emplace_back(declared.name, arguments[i].value);
            continue;
        }
        // A single value given for a list argument is a list of one.
        const std::vector<Value> one {arguments[i].value};
        const std::vector<Value>& elements = arguments[i].is_list ? arguments[i].elements : one;
        auto expanded = sql::expand_list_variable(select, declared.name, elements.size());
        if (!expanded)
            break; // the SELECT does not tokenize: the query reports why
        select = std::move(*expanded);
        for (std::size_t e = 0; e < elements.size(); ++e)
            vars.emplace_back(fmt::format("{}#{}", declared.name, e + 1), elements[e]);
    }

    const std::size_t columns = object.columns.size();
    std::vector<ColumnType> types;
    std::vector<CellLoader> loaders;
    types.reserve(columns);
    loaders.reserve(columns);
    for (const TableColumn& column : object.columns) {
        types.push_back(column.type);
        loaders.push_back(loader_for(column.type.storage()));
    }

    const bool append = start == RetrieveStartAction::Append;
    RowStore fresh(object.columns);
    RowStore& target = append ? engine.m_rows : fresh;
    // A page is usually retrieved again with about as many rows as before.
    target.reserve(append ? 0 : std::size_t(engine.row_count() + engine.filtered_count() + engine.deleted_count()));
    std::size_t loaded = 0;
    const long code = tx.query(select, vars, [&](const sql::ResultRow& row) {
        if (loaded == 0 && row.column_count() < int(columns)) {
            tx.fail(fmt::format("The SELECT returns {} columns but the DataWindow object has {}.", row.column_count(),
                                columns));
            return RowAction::Stop;
        }
        for (std::size_t c = 0; c < columns; ++c) {
            ColumnValues& column = target.column(c);
            const sql::CellKind kind = row.kind(int(c));
            if (kind == sql::CellKind::Null) {
                column.append_null();
            } else if (!loaders[c](column, types[c], row, int(c), kind)) {
                // Named by the DataWindow's column: the database's own names differ by backend.
                const std::string_view text = kind == sql::CellKind::Blob ? "a blob" : row.text(int(c));
                tx.fail(fmt::format("Cannot convert '{}' in column {} ({}) to {}.", text.substr(0, 64), c + 1,
                                    object.columns[c].name, types[c].text()));
                return RowAction::Stop;
            }
        }
        ++loaded;
        return RowAction::Continue;
    });
    if (code == -1) {
        target.drop_appended();
        return report(tx, events);
    }
    const Slot first = target.add_appended(loaded, ItemStatus::NotModified);
    if (append) {
        auto& primary = engine.buffer_slots(Buffer::Primary);
        for (std::size_t i = 0; i < loaded; ++i)
            primary.push_back(first + Slot(i));
        engine.settle_current_row(false);
    } else {
        replace_rows(engine, std::move(fresh), loaded);
    }
    if (!engine.sort_criteria().empty())
        engine.sort();
    if (!engine.filter_criteria().empty())
        engine.filter();
    // RetrieveEnd tells how many rows came from the database; Retrieve answers the rows left
    // in Primary! after the filter.
    if (events.retrieve_end)
        events.retrieve_end(long(loaded));
    return engine.row_count();
}

long retrieve(Engine& engine, Transaction& transaction, const std::vector<RetrievalArgument>& arguments,
              const DatabaseEvents& events)
{
    return DatabaseAccess::retrieve(engine, transaction, arguments, events);
}

} // namespace hearth::dw
