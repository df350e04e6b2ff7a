#pragma once
// Cursors of embedded SQL: DECLARE, OPEN, FETCH ... INTO, CLOSE.

#include "host/sql/transaction.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace hearth {

// A cursor declared on a transaction (DECLARE c CURSOR FOR SELECT ...). Open, fetch until
// SQLCode is 100, close; every call sets the transaction's SQLCode. A cursor must not outlive
// its transaction; when the transaction disconnects or is destroyed, its cursors are closed.
class Cursor {
public:
    Cursor(Transaction& transaction, std::string select);
    ~Cursor();
    Cursor(Cursor&& other) noexcept;
    Cursor& operator=(Cursor&&) = delete;
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // OPEN: runs the SELECT with the host variables' current values. Returns SQLCode.
    long open(const HostVars& vars = {});
    // FETCH ... INTO: stores the next row into the variables (converted to their types);
    // 0, 100 after the last row (variables untouched), -1 on error.
    long fetch_into(std::initializer_list<Value*> targets);
    long fetch_into(const std::vector<Value*>& targets);
    // CLOSE. Returns SQLCode (-1 when the cursor is not open).
    long close();
    bool is_open() const { return m_prepared != nullptr; }

private:
    friend class Transaction;
    void detach();

    Transaction* m_transaction;
    std::string m_select;
    std::unique_ptr<sql::PreparedStatement> m_prepared;
    bool m_fetched = false; // false until the first FETCH consumed the row OPEN positioned
    sql::Step m_step = sql::Step::Done;
};

} // namespace hearth
