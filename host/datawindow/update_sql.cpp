// Update: INSERT, UPDATE and DELETE statements generated from the update settings and each
// row's status, original and current values (the statement steps are kept apart: delete,
// insert, update), sent through the transaction with bound host variables.
#include "host/datawindow/database.h"
#include "host/sql/dialect.h"

#include <fmt/format.h>

namespace hearth::dw {

std::string sql_column_name(const TableColumn& column)
{
    const std::string& db = column.dbname.empty() ? column.name : column.dbname;
    const auto dot = db.rfind('.');
    return dot == std::string::npos ? db : db.substr(dot + 1);
}

namespace {

class Planner {
public:
    explicit Planner(const Engine& engine) : m_engine(engine), m_object(engine.object()), m_rows(engine.rows())
    {
        for (std::size_t c = 0; c < m_object.columns.size(); ++c) {
            const TableColumn& column = m_object.columns[c];
            m_names.push_back(sql::quote_identifier(sql_column_name(column)));
            if (column.key)
                m_keys.push_back(c);
        }
    }

    std::optional<std::string> plan(std::vector<PlannedStatement>& out)
    {
        // Delete! first, then Primary! and Filter! in row order. (Order is the runtime's
        // choice; deleting first frees keys that a new row may reuse.)
        for (Slot slot : m_engine.slots(Buffer::Delete)) {
            const ItemStatus status = m_rows.status(slot);
            if (status == ItemStatus::New || status == ItemStatus::NewModified)
                continue; // never in the database
            if (auto error = delete_row(slot, out))
                return error;
        }
        for (Buffer buffer : {Buffer::Primary, Buffer::Filter}) {
            for (Slot slot : m_engine.slots(buffer)) {
                std::optional<std::string> error;
                switch (m_rows.status(slot)) {
                case ItemStatus::NewModified: error = insert_row(slot, out); break;
                case ItemStatus::DataModified: error = update_row(slot, out); break;
                case ItemStatus::New:
                case ItemStatus::NotModified: break;
                }
                if (error)
                    return error;
            }
        }
        return std::nullopt;
    }

private:
    bool updatable(std::size_t c) const
    {
        const TableColumn& column = m_object.columns[c];
        return column.update && !column.identity;
    }

    std::optional<std::string> check_table() const
    {
        if (m_object.update_table.empty())
            return std::string("The DataWindow object has no update table.");
        return std::nullopt;
    }

    std::string param(HostVars& vars, Value value)
    {
        std::string name = fmt::format("p{}", vars.size() + 1);
        vars.emplace_back(name, std::move(value));
        return ":" + name;
    }

    // WHERE for a row as it was retrieved: key columns, and by updatewhere the updatable
    // (1) or the modified (2) columns, each with its original value.
    std::optional<std::string> where(Slot slot, std::string& text, HostVars& vars)
    {
        if (m_keys.empty())
            return std::string("The DataWindow object has no key columns.");
        text += " WHERE ";
        bool first = true;
        for (std::size_t c = 0; c < m_object.columns.size(); ++c) {
            const TableColumn& column = m_object.columns[c];
            bool include = column.key;
            if (!include && column.updatewhereclause) {
                if (m_object.update_where == 1)
                    include = column.update;
                else if (m_object.update_where == 2)
                    include = m_rows.is_modified(slot, c);
            }
            if (!include)
                continue;
            if (!first)
                text += " AND ";
            first = false;
            const Value original = m_rows.original(slot, c, column.type);
            if (original.is_null())
                text += m_names[c] + " IS NULL";
            else
                text += m_names[c] + " = " + param(vars, original);
        }
        return std::nullopt;
    }

    std::optional<std::string> delete_row(Slot slot, std::vector<PlannedStatement>& out)
    {
        if (auto error = check_table())
            return error;
        PlannedStatement statement;
        statement.text = "DELETE FROM " + sql::quote_identifier(m_object.update_table);
        if (auto error = where(slot, statement.text, statement.vars))
            return error;
        statement.must_change_a_row = true;
        out.push_back(std::move(statement));
        return std::nullopt;
    }

    std::optional<std::string> insert_row(Slot slot, std::vector<PlannedStatement>& out)
    {
        if (auto error = check_table())
            return error;
        PlannedStatement statement;
        std::string columns, values;
        for (std::size_t c = 0; c < m_object.columns.size(); ++c) {
            if (!updatable(c))
                continue;
            if (!columns.empty()) {
                columns += ", ";
                values += ", ";
            }
            columns += m_names[c];
            values += param(statement.vars, m_rows.column(c).get(slot, m_object.columns[c].type));
        }
        if (columns.empty())
            return std::string("The DataWindow object has no updatable columns.");
        statement.text = fmt::format("INSERT INTO {} ({}) VALUES ({})", sql::quote_identifier(m_object.update_table),
                                     columns, values);
        out.push_back(std::move(statement));
        return std::nullopt;
    }

    std::optional<std::string> update_row(Slot slot, std::vector<PlannedStatement>& out)
    {
        if (auto error = check_table())
            return error;
        bool key_changed = false;
        for (std::size_t c : m_keys)
            key_changed = key_changed || m_rows.is_modified(slot, c);
        if (key_changed && !m_object.update_key_in_place) {
            // kept: with updatekeyinplace=no a changed key is written as DELETE then INSERT.
            if (auto error = delete_row(slot, out))
                return error;
            return insert_row(slot, out);
        }
        PlannedStatement statement;
        std::string set;
        for (std::size_t c = 0; c < m_object.columns.size(); ++c) {
            if (!updatable(c) || !m_rows.is_modified(slot, c))
                continue;
            if (!set.empty())
                set += ", ";
            set += m_names[c] + " = " + param(statement.vars, m_rows.column(c).get(slot, m_object.columns[c].type));
        }
        if (set.empty())
            return std::nullopt; // only columns that are not written back changed
        statement.text = "UPDATE " + sql::quote_identifier(m_object.update_table) + " SET " + set;
        if (auto error = where(slot, statement.text, statement.vars))
            return error;
        statement.must_change_a_row = true;
        out.push_back(std::move(statement));
        return std::nullopt;
    }

    const Engine& m_engine;
    const ObjectDefinition& m_object;
    const RowStore& m_rows;
    std::vector<std::string> m_names;
    std::vector<std::size_t> m_keys;
};

int report(Transaction& tx, const DatabaseEvents& events)
{
    if (events.db_error)
        events.db_error(tx.sql_db_code() != 0 ? tx.sql_db_code() : -1, tx.sql_err_text());
    return -1;
}

} // namespace

Result<std::vector<PlannedStatement>> plan_update(const Engine& engine)
{
    std::vector<PlannedStatement> statements;
    if (!engine.has_object())
        return statements;
    Planner planner(engine);
    if (auto error = planner.plan(statements))
        return Result<std::vector<PlannedStatement>>::failure(*error);
    return statements;
}

int update(Engine& engine, Transaction& transaction, ResetFlags reset, const DatabaseEvents& events)
{
    if (!engine.has_object())
        return 1;
    auto plan = plan_update(engine);
    if (!plan) {
        transaction.fail(plan.error());
        return report(transaction, events);
    }
    for (const PlannedStatement& statement : *plan) {
        if (transaction.execute(statement.text, statement.vars) != 0)
            return report(transaction, events);
        if (statement.must_change_a_row && transaction.sql_nrows() == 0) {
            transaction.fail(row_changed_error);
            return report(transaction, events);
        }
    }
    if (reset == ResetFlags::Yes)
        engine.reset_update();
    return 1;
}

} // namespace hearth::dw
