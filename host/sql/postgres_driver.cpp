// The shared-server backend on libpq. Results come back as text (ISO dates, exact numeric
// text); blobs are sent in binary. Rows are read in single-row mode, one at a time as the
// caller steps, so a large result is never held whole by libpq next to the caller's copy. Inside a transaction every statement runs under a savepoint
// so that a failing statement undoes only itself, as on SQLite, instead of poisoning the rest
// of the caller's transaction.

#include "host/sql/backends.h"
#include "host/sql/conversion.h"
#include "host/value/ascii.h"

#include <fmt/format.h>
#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>
#include <deque>
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
class PgStatement;

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
    void disconnect() override;
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
        settle();
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

    // The statement whose rows are still arriving, if any: the connection carries nothing else
    // until they have all been read.
    void start_streaming(PgStatement* statement) { m_streaming = statement; }
    void stop_streaming(PgStatement* statement)
    {
        if (m_streaming == statement)
            m_streaming = nullptr;
    }
    // Frees the connection for another command: the rows of a statement still streaming (an
    // open cursor) are read into that statement's own queue first.
    void settle();

    bool run(const char* sql, DbError& error)
    {
        settle();
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
    PgStatement* m_streaming = nullptr;
};

class PgStatement final : public Statement {
public:
    PgStatement(PgDriver& driver, std::string sql, std::string name, int param_count)
        : m_driver(driver), m_sql(std::move(sql)), m_name(std::move(name)), m_param_count(param_count)
    {
    }
    ~PgStatement() override
    {
        reset();
        if (!m_name.empty() && m_driver.is_connected()) {
            DbError ignored;
            m_driver.run(fmt::format("DEALLOCATE {}", m_name).c_str(), ignored);
        }
    }

    Step execute(std::span<const Value> params, DbError& error) override
    {
        reset();
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
        m_driver.settle();
        m_guarded = m_driver.in_transaction();
        if (m_guarded && !m_driver.run("SAVEPOINT hearth_statement", error)) {
            m_guarded = false;
            return Step::Error;
        }
        PGconn* conn = m_driver.conn();
        const int sent = m_name.empty() ? PQsendQueryParams(conn, m_sql.c_str(), m_param_count, nullptr,
                                                            m_values.data(), m_lengths.data(), m_formats.data(), 0)
                                        : PQsendQueryPrepared(conn, m_name.c_str(), m_param_count, m_values.data(),
                                                              m_lengths.data(), m_formats.data(), 0);
        if (!sent) {
            error = m_driver.error_of(PgResult());
            end_statement(false, error);
            return Step::Error;
        }
        PQsetSingleRowMode(conn);
        m_streaming = true;
        m_driver.start_streaming(this);
        return advance(error);
    }

    Step next(DbError& error) override
    {
        if (!m_streaming && m_queue.empty())
            return Step::Done;
        return advance(error);
    }

    long changes() const override
    {
        const char* tuples = m_result.get() ? PQcmdTuples(m_result.get()) : "";
        return tuples && *tuples ? std::atol(tuples) : 0;
    }

    // Rows not yet read are read and dropped: the command runs to its end, as it would have
    // with its whole result fetched (a statement that changes rows and returns some must not
    // be cut short).
    void reset() override
    {
        if (m_streaming) {
            bool failed = false;
            while (PGresult* rest = PQgetResult(m_driver.conn())) {
                failed = failed || !ends_well(PQresultStatus(rest));
                PQclear(rest);
            }
            finish_stream();
            DbError ignored;
            end_statement(!failed, ignored);
        }
        m_queue.clear();
        m_result = PgResult();
        m_kinds.clear();
    }

    // Another command needs the connection: the rows still to come are kept here, in order,
    // and read from here by next().
    void queue_rest()
    {
        bool failed = false;
        while (PGresult* rest = PQgetResult(m_driver.conn())) {
            failed = failed || !ends_well(PQresultStatus(rest));
            m_queue.emplace_back(rest);
        }
        finish_stream();
        DbError ignored;
        end_statement(!failed, ignored);
    }

    int column_count() const override { return m_result.get() ? PQnfields(m_result.get()) : 0; }
    std::string column_name(int column) const override
    {
        const char* name = m_result.get() ? PQfname(m_result.get(), column) : nullptr;
        return name ? name : "";
    }
    CellKind kind(int column) const override
    {
        if (PQgetisnull(m_result.get(), 0, column))
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
        return std::string_view(PQgetvalue(m_result.get(), 0, column),
                                std::size_t(PQgetlength(m_result.get(), 0, column)));
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
    static bool ends_well(ExecStatusType status)
    {
        return status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK;
    }

    // The next result of this execution: a row, the closing status, or an error.
    PgResult take_result()
    {
        if (!m_queue.empty()) {
            PgResult front = std::move(m_queue.front());
            m_queue.pop_front();
            return front;
        }
        if (!m_streaming)
            return PgResult();
        return PgResult(PQgetResult(m_driver.conn()));
    }

    Step advance(DbError& error)
    {
        PgResult result = take_result();
        const ExecStatusType status = result.get() ? result.status() : PGRES_FATAL_ERROR;
        if (status == PGRES_SINGLE_TUPLE) {
            m_result = std::move(result);
            if (m_kinds.empty())
                read_kinds();
            return Step::Row;
        }
        const bool ok = status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK;
        if (!ok)
            error = m_driver.error_of(result);
        m_result = ok ? std::move(result) : PgResult();
        if (m_streaming) {
            // Reads up to the end of this command's results, so the connection is free again.
            while (PGresult* rest = PQgetResult(m_driver.conn()))
                PQclear(rest);
            finish_stream();
        }
        return end_statement(ok, error) ? Step::Done : Step::Error;
    }

    void finish_stream()
    {
        m_streaming = false;
        m_driver.stop_streaming(this);
    }

    // Closes the statement's savepoint: released after success, rolled back to after a
    // failure so that only this statement is undone. False when that fails.
    bool end_statement(bool ok, DbError& error)
    {
        if (!m_guarded)
            return ok;
        m_guarded = false;
        if (ok)
            return m_driver.run("RELEASE SAVEPOINT hearth_statement", error);
        if (!error.connection_lost) {
            DbError ignored;
            m_driver.run("ROLLBACK TO SAVEPOINT hearth_statement", ignored);
            m_driver.run("RELEASE SAVEPOINT hearth_statement", ignored);
        }
        return false;
    }

    void read_kinds()
    {
        PGresult* r = m_result.get();
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
    }

    PgDriver& m_driver;
    std::string m_sql;
    std::string m_name; // empty: run unprepared with PQsendQueryParams
    int m_param_count;
    PgResult m_result;        // the current row, or the closing status after the last one
    bool m_streaming = false; // results of this execution are still on the connection
    bool m_guarded = false;   // its savepoint is open
    std::deque<PgResult> m_queue;
    std::vector<CellKind> m_kinds;
    std::vector<std::string> m_texts;
    std::vector<const char*> m_values;
    std::vector<int> m_lengths;
    std::vector<int> m_formats;
    mutable std::vector<std::uint8_t> m_blob;
};

void PgDriver::settle()
{
    if (m_streaming)
        m_streaming->queue_rest();
}

void PgDriver::disconnect()
{
    if (m_streaming)
        m_streaming->reset();
    if (m_conn) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
    m_in_transaction = false;
}

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
        // libpq may quote the connection string, or its password, back.
        error = {-1, "08001",
                 redact_passwords(fmt::format("Cannot connect to the database server: {}",
                                              m_conn ? trimmed(PQerrorMessage(m_conn)) : "out of memory"),
                                  params.database),
                 false};
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
    settle();
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
