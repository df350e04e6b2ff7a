// The embedded backend: one SQLite database file per transaction, with a busy timeout so that
// several processes wait for one another rather than fail. Databases created here use WAL, so
// that several processes can read while one writes.

#include "host/sql/backends.h"
#include "host/sql/conversion.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace hearth::sql {

namespace {

constexpr int default_busy_timeout_ms = 10000;

DbError sqlite_error(sqlite3* db, int code)
{
    DbError error;
    error.code = db ? sqlite3_extended_errcode(db) : code;
    error.text = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return error;
}

class SqliteStatement final : public Statement {
public:
    SqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    Step execute(std::span<const Value> params, DbError& error) override
    {
        sqlite3_reset(m_stmt);
        m_changes = 0;
        const int count = sqlite3_bind_parameter_count(m_stmt);
        if (count != int(params.size())) {
            error = {-1, {}, fmt::format("statement expects {} parameters, {} given", count, params.size())};
            return Step::Error;
        }
        for (int i = 0; i < count; ++i) {
            const int rc = bind(i + 1, params[std::size_t(i)]);
            if (rc != SQLITE_OK) {
                error = sqlite_error(m_db, rc);
                return Step::Error;
            }
        }
        return step(error);
    }

    Step next(DbError& error) override { return step(error); }

    long changes() const override { return m_changes; }
    void reset() override
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

    int column_count() const override { return sqlite3_column_count(m_stmt); }
    std::string column_name(int column) const override
    {
        const char* name = sqlite3_column_name(m_stmt, column);
        return name ? name : "";
    }
    CellKind kind(int column) const override
    {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_INTEGER: return CellKind::Integer;
        case SQLITE_FLOAT: return CellKind::Float;
        case SQLITE_TEXT: return CellKind::Text;
        case SQLITE_BLOB: return CellKind::Blob;
        default: return CellKind::Null;
        }
    }
    std::int64_t int64(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    double real(int column) const override { return sqlite3_column_double(m_stmt, column); }
    std::string_view text(int column) const override
    {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return data ? std::string_view(data, std::size_t(sqlite3_column_bytes(m_stmt, column))) : std::string_view();
    }
    std::span<const std::uint8_t> blob(int column) const override
    {
        const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_stmt, column));
        return data ? std::span<const std::uint8_t>(data, std::size_t(sqlite3_column_bytes(m_stmt, column)))
                    : std::span<const std::uint8_t>();
    }

private:
    int bind(int index, const Value& value)
    {
        if (value.is_null())
            return sqlite3_bind_null(m_stmt, index);
        switch (value.type()) {
        case Type::Integer:
        case Type::Long:
        case Type::ULong: return sqlite3_bind_int64(m_stmt, index, value.as_integral());
        case Type::Boolean: return sqlite3_bind_int(m_stmt, index, value.as_bool() ? 1 : 0);
        case Type::Real:
        case Type::Double: return sqlite3_bind_double(m_stmt, index, value.as_double());
        case Type::String: {
            const std::string& text = value.as_string();
            return sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        case Type::Blob: {
            const Blob& bytes = value.as_blob();
            return sqlite3_bind_blob64(m_stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
        }
        default: {
            // Decimals go as text so that the column's affinity decides, exactly; dates and
            // times as ISO text.
            const std::string text = parameter_text(value);
            return sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        }
    }

    Step step(DbError& error)
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return Step::Row;
        if (rc == SQLITE_DONE) {
            m_changes = long(sqlite3_changes64(m_db));
            return Step::Done;
        }
        error = sqlite_error(m_db, rc);
        sqlite3_reset(m_stmt);
        return Step::Error;
    }

    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
    long m_changes = 0;
};

class SqliteDriver final : public Driver {
public:
    ~SqliteDriver() override { disconnect(); }

    Dbms dbms() const override { return Dbms::SQLite; }

    // An existing file is opened as it is: its journal mode stays, it opens read-only when the
    // process cannot write it, and it must already be a database. Only a file created here is
    // switched to WAL, which lets readers go on while one writer commits.
    bool connect(const ConnectParams& params, DbError& error) override
    {
        disconnect();
        const std::string& path = params.database;
        if (path.empty()) {
            error = {SQLITE_CANTOPEN, {}, "No database file given."};
            return false;
        }
        auto fail = [&](DbError reason) {
            error = std::move(reason);
            error.text = fmt::format("Cannot open database file \"{}\": {}", redact_passwords(path), error.text);
            disconnect();
            return false;
        };
        std::error_code ec;
        const bool exists = std::filesystem::exists(path, ec);
        int flags = SQLITE_OPEN_NOMUTEX;
        if (!exists) {
            const std::string create = dbparm_value(params.dbparm, "Create");
            flags |= SQLITE_OPEN_READWRITE;
            if (create == "Yes" || create == "yes" || create == "1")
                flags |= SQLITE_OPEN_CREATE;
        } else {
            // SQLite takes an empty file for an empty database and would write one into it.
            if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0)
                return fail({SQLITE_NOTADB, {}, sqlite3_errstr(SQLITE_NOTADB)});
            flags |= ::access(path.c_str(), W_OK) == 0 ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        }
        const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK) {
            DbError reason = sqlite_error(nullptr, rc);
            if (m_db)
                reason.text = sqlite3_errmsg(m_db);
            return fail(std::move(reason));
        }
        sqlite3_extended_result_codes(m_db, 1);
        const std::string timeout = dbparm_value(params.dbparm, "BusyTimeout");
        sqlite3_busy_timeout(m_db, timeout.empty() ? default_busy_timeout_ms : std::atoi(timeout.c_str()));
        // Reading the schema makes SQLite check the file is a database, without writing to it.
        if (!run("SELECT count(*) FROM sqlite_schema", error) || (!exists && !run("PRAGMA journal_mode=WAL", error)))
            return fail(error);
        // SQLite checks foreign keys only on connections that ask for it, so every one does.
        if (!run("PRAGMA foreign_keys=ON", error))
            return fail(error);
        // NORMAL sync in WAL keeps the file consistent after a crash (the last commits may be
        // lost on power failure); a rollback journal keeps SQLite's stricter default.
        if (journal_mode() == "wal" && !run("PRAGMA synchronous=NORMAL", error))
            return fail(error);
        return true;
    }

    void disconnect() override
    {
        if (m_db) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
        }
    }

    bool is_connected() const override { return m_db != nullptr; }

    std::unique_ptr<Statement> prepare(std::string_view sql, int, Reuse reuse, DbError& error) override
    {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        const unsigned flags = reuse == Reuse::Cached ? SQLITE_PREPARE_PERSISTENT : 0;
        const int rc = sqlite3_prepare_v3(m_db, sql.data(), int(sql.size()), flags, &stmt, &tail);
        if (rc != SQLITE_OK) {
            error = sqlite_error(m_db, rc);
            return nullptr;
        }
        if (!stmt) {
            error = {SQLITE_MISUSE, {}, "empty statement"};
            return nullptr;
        }
        return std::make_unique<SqliteStatement>(m_db, stmt);
    }

    bool begin(DbError& error) override { return run("BEGIN IMMEDIATE", error); }

    bool commit(DbError& error) override
    {
        if (sqlite3_get_autocommit(m_db))
            return true; // nothing pending (or SQLite already rolled back after a severe error)
        return run("COMMIT", error);
    }

    bool rollback(DbError& error) override
    {
        if (sqlite3_get_autocommit(m_db))
            return true;
        return run("ROLLBACK", error);
    }

private:
    std::string journal_mode()
    {
        std::string mode;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, "PRAGMA journal_mode", -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
            mode = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        sqlite3_finalize(stmt);
        return mode;
    }

    bool run(const char* sql, DbError& error)
    {
        char* message = nullptr;
        const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
        if (rc == SQLITE_OK)
            return true;
        error = sqlite_error(m_db, rc);
        if (message) {
            error.text = message;
            sqlite3_free(message);
        }
        return false;
    }

    sqlite3* m_db = nullptr;
};

} // namespace

std::unique_ptr<Driver> make_sqlite_driver() { return std::make_unique<SqliteDriver>(); }

} // namespace hearth::sql
