// The shared-server backend on libpq. Results come back as text (ISO dates, exact numeric
// text); blobs are sent in binary. Inside a transaction every statement runs under a savepoint
// so that a failing statement undoes only itself, as on SQLite, instead of poisoning the rest
// of the caller's transaction.

#include "host/sql/backends.h"
#include "host/sql/conversion.h"
#include "host/value/ascii.h"

#include <fmt/format.h>
#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace hearth::sql {

namespace {

// Type OIDs from the server's catalogue (pg_type.h), stable across versions.
constexpr Oid bool_oid = 16, bytea_oid = 17, int8_oid = 20, int2_oid = 21, int4_oid = 23, oid_oid = 26,
              float4_oid = 700, float8_oid = 701, numeric_oid = 1700;

// libpq's messages end in a line break.
std::string trimmed(const char* text) { return std::string(ascii::trim_end(text ? text : "")); }

class PgDriver;

class PgResult {
public:
    PgResult() = default;
    explicit PgResult(PGresult* result) : m_result(result) {}
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;
    PgResult(PgResult&& other) noexcept : m_result(std::exchange(other.m_result, nullptr)) {}
    PgResult& operator=(PgResult&& other) noexcept
    {
        if (this != &other) {
            PQclear(m_result);
            m_result = std::exchange(other.m_result, nullptr);
        }
        return *this;
    }
    ~PgResult() { PQclear(m_result); }
    PGresult* get() const { return m_result; }
    ExecStatusType status() const { return m_result ? PQresultStatus(m_result) : PGRES_FATAL_ERROR; }
    bool ok() const
    {
        const auto s = status();
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }

private:
    PGresult* m_result = nullptr;
};

class PgDriver final : public Driver {
public:
    ~PgDriver() override { disconnect(); }

    Dbms dbms() const override { return Dbms::PostgreSQL; }

    bool connect(const ConnectParams& params, DbError& error) override;
    void disconnect() override
    {
        if (m_conn) {
            PQfinish(m_conn);
            m_conn = nullptr;
        }
        m_in_transaction = false;
    }
    bool is_connected() const override { return m_conn && PQstatus(m_conn) == CONNECTION_OK; }

    std::unique_ptr<Statement> prepare(std::string_view sql, int param_count, Reuse reuse, DbError& error) override;

    bool begin(DbError& error) override
    {
        if (!run("BEGIN", error))
            return false;
        m_in_transaction = true;
        return true;
    }
    bool commit(DbError& error) override
    {
        if (!m_in_transaction)
            return true;
        m_in_transaction = false;
        PgResult result(PQexec(m_conn, "COMMIT"));
        if (!result.ok()) {
            error = error_of(result);
            return false;
        }
        // COMMIT of a failed transaction reports success with the tag ROLLBACK.
        if (std::string_view(PQcmdStatus(result.get())) == "ROLLBACK") {
            error = {-1, "40000", "The transaction was rolled back by the server.", false};
            return false;
        }
        return true;
    }
    bool rollback(DbError& error) override
    {
        if (!m_in_transaction)
            return true;
        m_in_transaction = false;
        return run("ROLLBACK", error);
    }

    PGconn* conn() const { return m_conn; }
    bool in_transaction() const { return m_in_transaction; }
    std::string next_statement_name() { return fmt::format("hearth_{}", ++m_statement_counter); }

    DbError error_of(const PgResult& result)
    {
        DbError error;
        const char* state = result.get() ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        const char* primary = result.get() ? PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        error.sqlstate = state ? state : "";
        error.text = primary ? trimmed(primary) : trimmed(PQerrorMessage(m_conn));
        if (error.text.empty())
            error.text = "The server did not answer.";
        long code = -1;
        if (error.sqlstate.size() == 5 && error.sqlstate.find_first_not_of("0123456789") == std::string::npos)
            code = std::atol(error.sqlstate.c_str());
        error.code = code;
        if (PQstatus(m_conn) != CONNECTION_OK) {
            error.connection_lost = true;
            m_in_transaction = false;
        }
        return error;
    }

    bool run(const char* sql, DbError& error)
    {
        PgResult result(PQexec(m_conn, sql));
        if (result.ok())
            return true;
        error = error_of(result);
        return false;
    }

private:
    PGconn* m_conn = nullptr;
    bool m_in_transaction = false;
    unsigned m_statement_counter = 0;
};

class PgStatement final : public Statement {
public:
    PgStatement(PgDriver& driver, std::string sql, std::string name, int param_count)
        : m_driver(driver), m_sql(std::move(sql)), m_name(std::move(name)), m_param_count(param_count)
    {
    }
    ~PgStatement() override
    {
        if (!m_name.empty() && m_driver.is_connected()) {
            PgResult done(PQexec(m_driver.conn(), fmt::format("DEALLOCATE {}", m_name).c_str()));
        }
    }

    Step execute(std::span<const Value> params, DbError& error) override
    {
        m_result = PgResult();
        m_row = 0;
        m_rows = 0;
        if (int(params.size()) != m_param_count) {
            error = {-1, {}, fmt::format("statement expects {} parameters, {} given", m_param_count, params.size())};
            return Step::Error;
        }
        m_texts.resize(params.size());
        m_values.resize(params.size());
        m_lengths.resize(params.size());
        m_formats.resize(params.size());
        for (std::size_t i = 0; i < params.size(); ++i) {
            const Value& v = params[i];
            m_formats[i] = 0;
            if (v.is_null()) {
                m_values[i] = nullptr;
                m_lengths[i] = 0;
                continue;
            }
            if (v.type() == Type::Blob) {
                m_formats[i] = 1;
                m_values[i] = reinterpret_cast<const char*>(v.as_blob().data());
                m_lengths[i] = int(v.as_blob().size());
                continue;
            }
            m_texts[i] = parameter_text(v);
            m_values[i] = m_texts[i].c_str();
            m_lengths[i] = int(m_texts[i].size());
        }
        PGconn* conn = m_driver.conn();
        const bool guarded = m_driver.in_transaction();
        if (guarded && !m_driver.run("SAVEPOINT hearth_statement", error))
            return Step::Error;
        PgResult result(m_name.empty()
                            ? PQexecParams(conn, m_sql.c_str(), m_param_count, nullptr, m_values.data(),
                                           m_lengths.data(), m_formats.data(), 0)
                            : PQexecPrepared(conn, m_name.c_str(), m_param_count, m_values.data(), m_lengths.data(),
                                             m_formats.data(), 0));
        if (!result.ok()) {
            error = m_driver.error_of(result);
            if (guarded && !error.connection_lost) {
                DbError ignored;
                m_driver.run("ROLLBACK TO SAVEPOINT hearth_statement", ignored);
                m_driver.run("RELEASE SAVEPOINT hearth_statement", ignored);
            }
            return Step::Error;
        }
        if (guarded && !m_driver.run("RELEASE SAVEPOINT hearth_statement", error))
            return Step::Error;
        m_result = std::move(result);
        PGresult* r = m_result.get();
        m_rows = PQntuples(r);
        const int columns = PQnfields(r);
        m_kinds.resize(std::size_t(columns));
        for (int c = 0; c < columns; ++c) {
            switch (PQftype(r, c)) {
            case int2_oid:
            case int4_oid:
            case int8_oid:
            case oid_oid: m_kinds[std::size_t(c)] = CellKind::Integer; break;
            case float4_oid:
            case float8_oid: m_kinds[std::size_t(c)] = CellKind::Float; break;
            case numeric_oid: m_kinds[std::size_t(c)] = CellKind::Numeric; break;
            case bool_oid: m_kinds[std::size_t(c)] = CellKind::Boolean; break;
            case bytea_oid: m_kinds[std::size_t(c)] = CellKind::Blob; break;
            default: m_kinds[std::size_t(c)] = CellKind::Text; break;
            }
        }
        return m_rows > 0 ? Step::Row : Step::Done;
    }

    Step next(DbError&) override
    {
        if (m_row + 1 < m_rows) {
            ++m_row;
            return Step::Row;
        }
        m_row = m_rows;
        return Step::Done;
    }

    long changes() const override
    {
        const char* tuples = m_result.get() ? PQcmdTuples(m_result.get()) : "";
        return tuples && *tuples ? std::atol(tuples) : 0;
    }

    void reset() override
    {
        m_result = PgResult();
        m_rows = 0;
        m_row = 0;
    }

    int column_count() const override { return m_result.get() ? PQnfields(m_result.get()) : 0; }
    std::string column_name(int column) const override
    {
        const char* name = m_result.get() ? PQfname(m_result.get(), column) : nullptr;
        return name ? name : "";
    }
    CellKind kind(int column) const override
    {
        if (PQgetisnull(m_result.get(), m_row, column))
            return CellKind::Null;
        return m_kinds[std::size_t(column)];
    }
    std::int64_t int64(int column) const override
    {
        const std::string_view t = text(column);
        if (m_kinds[std::size_t(column)] == CellKind::Boolean)
            return !t.empty() && t[0] == 't';
        std::int64_t n = 0;
        std::from_chars(t.data(), t.data() + t.size(), n);
        return n;
    }
    double real(int column) const override
    {
        const std::string_view t = text(column);
        double d = 0;
        std::from_chars(t.data(), t.data() + t.size(), d);
        return d;
    }
    std::string_view text(int column) const override
    {
        return std::string_view(PQgetvalue(m_result.get(), m_row, column),
                                std::size_t(PQgetlength(m_result.get(), m_row, column)));
    }
    std::span<const std::uint8_t> blob(int column) const override
    {
        // bytea arrives as "\x" followed by hex digits (bytea_output = hex, set at connect).
        const std::string_view t = text(column);
        m_blob.clear();
        if (t.size() >= 2 && t[0] == '\\' && t[1] == 'x') {
            auto nibble = [](char c) -> int {
                if (c >= '0' && c <= '9')
                    return c - '0';
                if (c >= 'a' && c <= 'f')
                    return c - 'a' + 10;
                if (c >= 'A' && c <= 'F')
                    return c - 'A' + 10;
                return 0;
            };
            m_blob.reserve((t.size() - 2) / 2);
            for (std::size_t i = 2; i + 1 < t.size(); i += 2)
                m_blob.push_back(std::uint8_t(nibble(t[i]) * 16 + nibble(t[i + 1])));
        } else {
            m_blob.assign(t.begin(), t.end());
        }
        return m_blob;
    }

private:
    PgDriver& m_driver;
    std::string m_sql;
    std::string m_name;   // empty: run unprepared with PQexecParams
    int m_param_count;
    PgResult m_result;
    int m_row = 0;
    int m_rows = 0;
    std::vector<CellKind> m_kinds;
    std::vector<std::string> m_texts;
    std::vector<const char*> m_values;
    std::vector<int> m_lengths;
    std::vector<int> m_formats;
    mutable std::vector<std::uint8_t> m_blob;
};

void ignore_notice(void*, const char*) {}

bool PgDriver::connect(const ConnectParams& params, DbError& error)
{
    disconnect();
    std::vector<const char*> keys;
    std::vector<const char*> values;
    std::string host, port;
    if (!params.server_name.empty()) {
        const auto colon = params.server_name.rfind(':');
        host = params.server_name.substr(0, colon);
        if (colon != std::string::npos)
            port = params.server_name.substr(colon + 1);
        keys.push_back("host");
        values.push_back(host.c_str());
        if (!port.empty()) {
            keys.push_back("port");
            values.push_back(port.c_str());
        }
    }
    if (!params.log_id.empty()) {
        keys.push_back("user");
        values.push_back(params.log_id.c_str());
    }
    if (!params.log_pass.empty()) {
        keys.push_back("password");
        values.push_back(params.log_pass.c_str());
    }
    keys.push_back("connect_timeout");
    values.push_back("10");
    keys.push_back("application_name");
    values.push_back("hearth");
    // dbname last: a full connection string in it is expanded and its settings win.
    keys.push_back("dbname");
    values.push_back(params.database.c_str());
    keys.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = PQconnectdbParams(keys.data(), values.data(), 1);
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        error = {-1, "08001", fmt::format("Cannot connect to the database server: {}",
                                          m_conn ? trimmed(PQerrorMessage(m_conn)) : "out of memory"), false};
        disconnect();
        return false;
    }
    PQsetNoticeProcessor(m_conn, &ignore_notice, nullptr);
    if (!run("SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD'; SET standard_conforming_strings = on; "
             "SET bytea_output = 'hex'; SET extra_float_digits = 1",
             error)) {
        disconnect();
        return false;
    }
    return true;
}

std::unique_ptr<Statement> PgDriver::prepare(std::string_view sql, int param_count, Reuse reuse, DbError& error)
{
    if (!is_connected()) {
        error = {-1, "08003", "The connection to the database server is lost.", true};
        return nullptr;
    }
    if (reuse == Reuse::Once)
        return std::make_unique<PgStatement>(*this, std::string(sql), std::string(), param_count);
    std::string name = next_statement_name();
    const std::string text(sql);
    // Preparing inside a transaction must not poison it when the text is wrong.
    const bool guarded = m_in_transaction;
    if (guarded && !run("SAVEPOINT hearth_statement", error))
        return nullptr;
    PgResult result(PQprepare(m_conn, name.c_str(), text.c_str(), param_count, nullptr));
    if (!result.ok()) {
        error = error_of(result);
        if (guarded && !error.connection_lost) {
            DbError ignored;
            run("ROLLBACK TO SAVEPOINT hearth_statement", ignored);
            run("RELEASE SAVEPOINT hearth_statement", ignored);
        }
        return nullptr;
    }
    if (guarded && !run("RELEASE SAVEPOINT hearth_statement", error))
        return nullptr;
    return std::make_unique<PgStatement>(*this, text, std::move(name), param_count);
}

} // namespace

std::unique_ptr<Driver> make_postgres_driver() { return std::make_unique<PgDriver>(); }

} // namespace hearth::sql
