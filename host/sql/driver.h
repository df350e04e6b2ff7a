#pragma once
// The database driver interface. Transaction speaks to a backend only through Driver and
// Statement, so a test can wrap a real driver and make it fail at connect, prepare, execute or
// commit. Statement texts reaching a driver are already in the backend's dialect (dialect.h).

#include "host/value/value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace hearth::sql {

enum class Dbms : std::uint8_t { SQLite, PostgreSQL };

// "SQLite" or "PostgreSQL".
std::string_view dbms_name(Dbms dbms);

// A failure reported by a backend.
struct DbError {
    long code = 0;        // SQLite extended result code; PostgreSQL SQLSTATE when numeric, else -1
    std::string sqlstate; // five-character SQLSTATE (PostgreSQL), empty for SQLite
    std::string text;     // the backend's message, without a trailing newline
    bool connection_lost = false;
};

// What a backend holds in one result cell, so conversions can read it without loss.
enum class CellKind : std::uint8_t {
    Null,
    Integer, // int64() is exact
    Float,   // real() is exact; text() is the backend's rendering
    Numeric, // exact decimal text
    Boolean, // int64() is 0 or 1
    Text,    // text(); also dates and times in ISO form
    Blob,    // blob()
};

// The current row of a result: typed access to each cell without building a Value.
// Views returned stay valid until the next step or reset of the statement.
class ResultRow {
public:
    virtual ~ResultRow() = default;
    virtual int column_count() const = 0;
    virtual std::string column_name(int column) const = 0;
    virtual CellKind kind(int column) const = 0;
    bool is_null(int column) const { return kind(column) == CellKind::Null; }
    virtual std::int64_t int64(int column) const = 0;
    virtual double real(int column) const = 0;
    virtual std::string_view text(int column) const = 0;
    virtual std::span<const std::uint8_t> blob(int column) const = 0;
};

enum class Step : std::uint8_t { Row, Done, Error };

// One prepared statement. execute() binds the parameters (in placeholder order) and runs it,
// leaving the first row current when there is one; next() moves to the following row.
class Statement : public ResultRow {
public:
    virtual Step execute(std::span<const Value> params, DbError& error) = 0;
    virtual Step next(DbError& error) = 0;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    virtual long changes() const = 0;
    // Ends the current execution and releases its result; the statement can run again.
    virtual void reset() = 0;
};

// How often a statement will run: a cached statement is prepared on the server once.
enum class Reuse : std::uint8_t { Once, Cached };

struct ConnectParams {
    std::string database;    // SQLite: file path; PostgreSQL: libpq connection string or database name
    std::string server_name; // PostgreSQL host[:port], when database is only a name
    std::string log_id;
    std::string log_pass;
    std::string dbparm; // runtime-style options, e.g. "BusyTimeout=5000,Create='Yes'"
};

class Driver {
public:
    virtual ~Driver() = default;
    virtual Dbms dbms() const = 0;
    virtual bool connect(const ConnectParams& params, DbError& error) = 0;
    virtual void disconnect() = 0;
    // False once disconnected or after the server went away.
    virtual bool is_connected() const = 0;
    // param_count: number of placeholders in native_sql. nullptr on failure.
    virtual std::unique_ptr<Statement> prepare(std::string_view native_sql, int param_count, Reuse reuse,
                                               DbError& error)
        = 0;
    // Starts a transaction that takes the write lock (SQLite: BEGIN IMMEDIATE).
    virtual bool begin(DbError& error) = 0;
    virtual bool commit(DbError& error) = 0;
    virtual bool rollback(DbError& error) = 0;
};

// The real driver of a backend.
std::unique_ptr<Driver> make_driver(Dbms dbms);

// Builds the driver a transaction uses; tests install one that wraps make_driver.
using DriverFactory = std::function<std::unique_ptr<Driver>(Dbms)>;

// Reads "Key=value" or "Key='value'" from a comma-separated DBParm string; "" when absent.
std::string dbparm_value(std::string_view dbparm, std::string_view key);

// The text with every password of a connection string in it masked as "***", in each form
// libpq reads: the user info of a postgresql:// or postgres:// URI, a password parameter of
// its query (also percent-encoded), and password=value or password='quoted value' in a
// key=value string, where the words after an unquoted value up to the next key=value count as
// part of it. A connection string goes through here before it is put into a message. Given
// the connection string a backend's message is about, a password the message quotes alone
// (as libpq does when it cannot decode one) is masked too.
std::string redact_passwords(std::string_view text, std::string_view conninfo = {});

} // namespace hearth::sql
