#pragma once
// Transaction objects as the runtime has them (`sqlca`, `photosqlca`, or one made by the
// application): DBMS, connection settings, AutoCommit, and after every statement SQLCode
// (0 success, 100 not found, -1 error), SQLNRows, SQLDBCode and SQLErrText. Errors never throw.
//
// Embedded SQL takes the statement text with `:name` host variables and the variables
// themselves; values are always bound as parameters, never spliced into the text.
//
// With AutoCommit off, the transaction begins at the first statement that changes data and
// lasts until COMMIT or ROLLBACK; reads before that see the latest committed data (each read
// is its own snapshot, as PostgreSQL's default isolation gives inside a transaction too). This
// keeps a page that only retrieves from holding a lock or a snapshot on a shared database.

#include "host/sql/driver.h"
#include "host/value/result.h"
#include "host/value/value.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hearth {

namespace sql {
struct Translated;
struct PreparedStatement;
} // namespace sql

enum class AutoCommit : std::uint8_t { Off, On };

// A host variable of an embedded statement: either a value (input only) or a variable that
// is read as input and written by SELECT ... INTO and FETCH ... INTO.
class HostVar {
public:
    HostVar(std::string_view name, Value value);
    HostVar(std::string_view name, Value* variable);
    HostVar(std::string_view name, const char* text) : HostVar(name, Value(text)) {}

    const std::string& name() const { return m_name; } // lower case, without ':'
    const Value& value() const { return m_variable ? *m_variable : m_value; }
    Value* variable() const { return m_variable; }

private:
    std::string m_name;
    Value m_value;
    Value* m_variable = nullptr;
};

using HostVars = std::vector<HostVar>;

// What a row callback of Transaction::query wants next.
enum class RowAction : std::uint8_t { Continue, Stop };

class Cursor;

class Transaction {
public:
    explicit Transaction(std::string name = "sqlca");
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    const std::string& name() const { return m_name; }

    // Settings, as the runtime's properties. DBMS is "SQLite" (default) or "PostgreSQL".
    // SQLite: Database is the file path; DBParm "Create='Yes'" creates a missing file as a WAL
    // database, "BusyTimeout=ms" sets how long a writer waits for another. An existing file is
    // opened as it is, read-only when the process cannot write it. PostgreSQL: Database is a
    // database name or a libpq connection string; ServerName "host[:port]", LogId, LogPass.
    const std::string& dbms() const { return m_dbms; }
    void set_dbms(std::string dbms) { m_dbms = std::move(dbms); }
    const std::string& database() const { return m_params.database; }
    void set_database(std::string database) { m_params.database = std::move(database); }
    const std::string& server_name() const { return m_params.server_name; }
    void set_server_name(std::string server) { m_params.server_name = std::move(server); }
    const std::string& log_id() const { return m_params.log_id; }
    void set_log_id(std::string id) { m_params.log_id = std::move(id); }
    const std::string& log_pass() const { return m_params.log_pass; }
    void set_log_pass(std::string pass) { m_params.log_pass = std::move(pass); }
    const std::string& dbparm() const { return m_params.dbparm; }
    void set_dbparm(std::string dbparm) { m_params.dbparm = std::move(dbparm); }
    AutoCommit autocommit() const { return m_autocommit; }
    // Takes effect at once; switching on commits nothing by itself.
    void set_autocommit(AutoCommit mode) { m_autocommit = mode; }

    // Status of the last statement.
    long sql_code() const { return m_sql_code; }
    long sql_nrows() const { return m_sql_nrows; }
    long sql_db_code() const { return m_sql_db_code; }
    const std::string& sql_err_text() const { return m_sql_err_text; }
    // The five-character SQLSTATE of the last PostgreSQL error, else "".
    const std::string& sql_state() const { return m_sql_state; }

    bool is_connected() const { return m_driver != nullptr; }
    // The backend of the connected transaction (SQLite when not connected).
    sql::Dbms backend() const { return m_driver ? m_driver->dbms() : sql::Dbms::SQLite; }
    // True while a transaction is open on the database (a change not yet committed).
    bool in_transaction() const { return m_in_transaction; }

    // CONNECT: 0, or -1 with the reason. A transaction whose connection was lost may connect
    // again; one that is connected and alive gives -1.
    long connect();
    // DISCONNECT: commits pending changes (as the runtime does), closes cursors, disconnects.
    long disconnect();
    // COMMIT / ROLLBACK: end the current transaction; no effect with AutoCommit on.
    long commit();
    long rollback();

    // EXECUTE IMMEDIATE: a statement text without host variables and without a result.
    long execute_immediate(std::string_view text);
    // INSERT, UPDATE, DELETE (or any statement) with host variables. SQLNRows: rows affected.
    long execute(std::string_view text, const HostVars& vars = {});
    // SELECT ... INTO :a, :b FROM ...: 0 with the row stored, 100 when there is none
    // (variables untouched), -1 when there is more than one (the first row is stored).
    long select_into(std::string_view text, const HostVars& vars);
    // DECLARE ... CURSOR FOR select (host/sql/cursor.h).
    Cursor declare_cursor(std::string select);

    // The fast path for retrieving many rows: runs a SELECT and calls on_row for each row
    // with typed access to its cells (sql::read_cell / sql::cell_reader convert them).
    // Returns 0 when rows were read, 100 when none, -1 on error. SQLNRows: rows read.
    using RowCallback = std::function<RowAction(const sql::ResultRow&)>;
    long query(std::string_view text, const HostVars& vars, const RowCallback& on_row);

    // Sets SQLCode -1 with a message, for a caller that detects an error while reading rows.
    long fail(std::string text);

    // Builds the driver at the next connect; tests use it to wrap the real driver.
    void set_driver_factory(sql::DriverFactory factory) { m_factory = std::move(factory); }

private:
    friend class Cursor;

    using Prepared = sql::PreparedStatement;
    void clear_status();
    long set_error(const sql::DbError& error);
    long runtime_error(std::string text);
    long success(long nrows);
    // EXECUTE IMMEDIATE (prepared once) and execute (prepared statements kept for reuse).
    long run_change(std::string_view text, const HostVars& vars, sql::Reuse reuse);
    // Translates, checks, binds and prepares; nullptr after setting the error status.
    std::unique_ptr<Prepared> prepare(std::string_view text, const HostVars& vars, std::vector<Value>& params,
                                      sql::Reuse reuse);
    void release(std::unique_ptr<Prepared> prepared);
    bool begin_if_needed(const sql::Translated& translated);
    void forget_statements();
    void connection_lost();
    long finish_transaction(bool commit);

    std::string m_name;
    std::string m_dbms = "SQLite";
    sql::ConnectParams m_params;
    AutoCommit m_autocommit = AutoCommit::Off;

    long m_sql_code = 0;
    long m_sql_nrows = 0;
    long m_sql_db_code = 0;
    std::string m_sql_err_text;
    std::string m_sql_state;

    sql::DriverFactory m_factory;
    std::unique_ptr<sql::Driver> m_driver;
    bool m_in_transaction = false;
    // Prepared statements by original text; one in use is taken out and put back afterwards.
    std::unordered_map<std::string, std::unique_ptr<Prepared>> m_cache;
    // Translations of recent statement texts, by backend and text: a query whose literals are
    // bound is cached above under its translated text, so sending the same text again (a
    // page's first retrieval, a refresh) would otherwise tokenize it every time.
    std::unordered_map<std::string, sql::Translated> m_translations;
    // The translation of `text` for the connected backend, made once; an error when the text
    // cannot be translated.
    Result<const sql::Translated*> translation(std::string_view text);
    std::vector<Cursor*> m_cursors;
};

} // namespace hearth
