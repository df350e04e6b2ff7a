#include "host/sql/cursor.h"

#include "host/sql/cell.h"
#include "host/sql/prepared.h"

#include <algorithm>

namespace hearth {

Cursor Transaction::declare_cursor(std::string select) { return Cursor(*this, std::move(select)); }

Cursor::Cursor(Transaction& transaction, std::string select) : m_transaction(&transaction), m_select(std::move(select))
{
}

Cursor::Cursor(Cursor&& other) noexcept
    : m_transaction(other.m_transaction), m_select(std::move(other.m_select)), m_prepared(std::move(other.m_prepared)),
      m_fetched(other.m_fetched), m_step(other.m_step)
{
    if (m_transaction) {
        auto& list = m_transaction->m_cursors;
        std::replace(list.begin(), list.end(), &other, this);
    }
    other.m_transaction = nullptr;
}

Cursor::~Cursor()
{
    if (m_prepared && m_transaction)
        close();
}

void Cursor::detach()
{
    if (m_prepared && m_prepared->statement)
        m_prepared->statement->reset();
    m_prepared.reset();
}

long Cursor::open(const HostVars& vars)
{
    if (!m_transaction)
        return -1;
    Transaction& tx = *m_transaction;
    tx.clear_status();
    if (m_prepared)
        return tx.runtime_error("Cursor is already open.");
    std::vector<Value> params;
    auto prepared = tx.prepare(m_select, vars, params, sql::Reuse::Cached);
    if (!prepared)
        return -1;
    if (prepared->translated.kind != sql::StatementKind::Query || !prepared->translated.into.empty()) {
        tx.release(std::move(prepared));
        return tx.runtime_error("A cursor is declared for a SELECT without INTO.");
    }
    sql::DbError error;
    m_step = prepared->statement->execute(params, error);
    if (m_step == sql::Step::Error) {
        tx.release(std::move(prepared));
        return tx.set_error(error);
    }
    m_prepared = std::move(prepared);
    m_fetched = false;
    tx.m_cursors.push_back(this);
    return tx.success(0);
}

long Cursor::fetch_into(std::initializer_list<Value*> targets) { return fetch_into(std::vector<Value*>(targets)); }

long Cursor::fetch_into(const std::vector<Value*>& targets)
{
    if (!m_transaction)
        return -1;
    Transaction& tx = *m_transaction;
    tx.clear_status();
    if (!m_prepared)
        return tx.runtime_error("Cursor is not open.");
    sql::Statement& statement = *m_prepared->statement;
    if (m_fetched && m_step == sql::Step::Row) {
        sql::DbError error;
        m_step = statement.next(error);
        if (m_step == sql::Step::Error)
            return tx.set_error(error);
    }
    if (m_step != sql::Step::Row) {
        m_fetched = true;
        tx.m_sql_code = 100;
        return 100;
    }
    // A row that cannot be stored is not consumed: the next FETCH tries it again.
    m_fetched = false;
    if (auto stored = sql::store_row(statement, targets); !stored)
        return tx.runtime_error(stored.error());
    m_fetched = true;
    return tx.success(1);
}

long Cursor::close()
{
    if (!m_transaction)
        return -1;
    Transaction& tx = *m_transaction;
    tx.clear_status();
    if (!m_prepared)
        return tx.runtime_error("Cursor is not open.");
    auto& list = tx.m_cursors;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    tx.release(std::move(m_prepared));
    return tx.success(0);
}

} // namespace hearth
