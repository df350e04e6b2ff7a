#include "app/init_db.h"

#include "app/password.h"
#include "app/sample_data.h"
#include "app/schema.h"
#include "host/sql/driver.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace hearth {

namespace {

namespace fs = std::filesystem;
using schema::Database;

// The server's last complaint without the line break libpq ends it with.
std::string server_error(PGconn* conn)
{
    std::string text = sql::redact_passwords(conn ? PQerrorMessage(conn) : "out of memory");
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Set by SIGINT, SIGTERM and SIGHUP while init-db runs, so that it stops and cleans up.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void note_interrupt(int) { interrupted = 1; }

// Catches the signals that end a run from outside for as long as it lives.
class InterruptGuard {
public:
    InterruptGuard()
    {
        interrupted = 0;
        struct sigaction action = {};
        action.sa_handler = note_interrupt;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < m_signals.size(); ++i)
            sigaction(m_signals[i], &action, &m_old[i]);
    }
    ~InterruptGuard()
    {
        for (std::size_t i = 0; i < m_signals.size(); ++i)
            sigaction(m_signals[i], &m_old[i], nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    static constexpr std::array<int, 3> m_signals {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> m_old {};
};

// Both databases, each loaded in one transaction. A loader keeps its first failure; an
// interruption is one.
class Loader : public sample::RowSink {
public:
    virtual bool run(Database database, const std::string& statement) = 0;
    // Writes rows that are still held back; called before indexes and triggers are made.
    virtual void flush() {}
    // Commits both and disconnects.
    virtual bool finish() = 0;
    const std::string& error() const { return m_error; }
    long rows() const { return m_rows; }
    bool ok() override { return going(); }

protected:
    void fail(std::string text)
    {
        if (m_error.empty())
            m_error = std::move(text);
    }

    // Whether to go on: no failure so far and no interruption.
    bool going()
    {
        if (interrupted)
            fail("interrupted");
        return m_error.empty();
    }
    std::string m_error;
    long m_rows = 0;
};

// The two SQLite files, written through prepared statements as the rows come.
class SqliteLoad final : public Loader {
public:
    ~SqliteLoad() override
    {
        m_inserts.clear();
        for (sqlite3* db : m_db)
            sqlite3_close_v2(db);
    }

    bool open(Database database, const fs::path& path)
    {
        sqlite3*& db = m_db[static_cast<std::size_t>(database)];
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr)
            != SQLITE_OK) {
            fail(db, path.string());
            return false;
        }
        return run(database, "PRAGMA journal_mode=WAL") && run(database, "PRAGMA foreign_keys=ON")
            && run(database, "BEGIN");
    }

    bool run(Database database, const std::string& statement) override
    {
        sqlite3* db = m_db[static_cast<std::size_t>(database)];
        if (going() && sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(db, statement);
        return m_error.empty();
    }

    int table(Database database, std::string_view name, std::initializer_list<std::string_view> columns) override
    {
        std::string text = fmt::format("INSERT INTO {} ({}) VALUES (", name, fmt::join(columns, ", "));
        for (std::size_t i = 0; i < columns.size(); ++i)
            text += i == 0 ? "?" : ", ?";
        text += ")";
        sqlite3* db = m_db[static_cast<std::size_t>(database)];
        sqlite3_stmt* statement = nullptr;
        if (m_error.empty()
            && sqlite3_prepare_v3(db, text.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            fail(db, text);
        m_inserts.emplace_back(statement);
        return static_cast<int>(m_inserts.size() - 1);
    }

    void insert(int table, std::initializer_list<sample::Field> row) override
    {
        sqlite3_stmt* statement = m_inserts[static_cast<std::size_t>(table)].get();
        if (!going())
            return;
        int i = 0;
        for (const sample::Field& field : row) {
            ++i;
            using Kind = sample::Field::Kind;
            switch (field.kind) {
            case Kind::Null: sqlite3_bind_null(statement, i); break;
            case Kind::Integer: sqlite3_bind_int64(statement, i, field.integer); break;
            case Kind::Real: sqlite3_bind_double(statement, i, field.real); break;
            case Kind::Text:
                sqlite3_bind_text(statement, i, field.text.data(), static_cast<int>(field.text.size()), SQLITE_STATIC);
                break;
            case Kind::Bytes:
                sqlite3_bind_blob(statement, i, field.text.data(), static_cast<int>(field.text.size()), SQLITE_STATIC);
                break;
            }
        }
        if (sqlite3_step(statement) != SQLITE_DONE)
            fail(sqlite3_db_handle(statement), sqlite3_sql(statement));
        sqlite3_reset(statement);
        ++m_rows;
    }

    // Closing folds the write-ahead log back into the files.
    bool finish() override
    {
        for (auto database : {Database::Records, Database::Archive})
            run(database, "COMMIT");
        m_inserts.clear();
        for (sqlite3*& db : m_db) {
            // Closed after a failure too (an interrupted run rolls back here), or it would leak.
            if (sqlite3_close(db) != SQLITE_OK) {
                if (m_error.empty())
                    fail(db, "close");
                sqlite3_close_v2(db);
            }
            db = nullptr;
        }
        return m_error.empty();
    }

private:
    void fail(sqlite3* db, std::string_view what)
    {
        Loader::fail(fmt::format("{} ({})", db ? sqlite3_errmsg(db) : "out of memory", what.substr(0, 200)));
    }

    struct Finalize {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    std::array<sqlite3*, 2> m_db {};
    std::vector<std::unique_ptr<sqlite3_stmt, Finalize>> m_inserts;
};

// The two PostgreSQL databases. Rows are held per table in COPY's text form and copied table
// by table in the order of each table's first row, which puts every parent table before its
// children: a child row never comes before its parent row.
class PostgresLoad final : public Loader {
public:
    ~PostgresLoad() override
    {
        for (PGconn* conn : m_conn)
            if (conn)
                PQfinish(conn);
    }

    bool open(Database database, const std::string& conninfo, const std::string& name)
    {
        PGconn*& conn = m_conn[static_cast<std::size_t>(database)];
        conn = connect_to(conninfo, name);
        if (PQstatus(conn) != CONNECTION_OK) {
            fail(fmt::format("cannot connect to database \"{}\": {}", name,
                             sql::redact_passwords(server_error(conn), conninfo)));
            return false;
        }
        return run(database, "SET client_min_messages = warning") && run(database, "BEGIN");
    }

    bool run(Database database, const std::string& statement) override
    {
        PGconn* conn = m_conn[static_cast<std::size_t>(database)];
        if (!going())
            return false;
        PGresult* result = PQexec(conn, statement.c_str());
        const auto status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            fail(fmt::format("{} ({})", server_error(conn), statement.substr(0, 200)));
        PQclear(result);
        return m_error.empty();
    }

    int table(Database database, std::string_view name, std::initializer_list<std::string_view> columns) override
    {
        m_tables.push_back({database, fmt::format("COPY {} ({}) FROM STDIN", name, fmt::join(columns, ", ")), {}});
        return static_cast<int>(m_tables.size() - 1);
    }

    void insert(int table, std::initializer_list<sample::Field> row) override
    {
        Held& held = m_tables[static_cast<std::size_t>(table)];
        if (held.rows.empty())
            m_order.push_back(static_cast<std::size_t>(table));
        std::string& out = held.rows;
        bool first = true;
        for (const sample::Field& field : row) {
            if (!std::exchange(first, false))
                out += '\t';
            using Kind = sample::Field::Kind;
            switch (field.kind) {
            case Kind::Null: out += "\\N"; break;
            case Kind::Integer: fmt::format_to(std::back_inserter(out), "{}", field.integer); break;
            case Kind::Real: fmt::format_to(std::back_inserter(out), "{}", field.real); break;
            case Kind::Text:
                for (char c : field.text) {
                    switch (c) {
                    case '\\': out += "\\\\"; break;
                    case '\t': out += "\\t"; break;
                    case '\n': out += "\\n"; break;
                    case '\r': out += "\\r"; break;
                    default: out += c;
                    }
                }
                break;
            case Kind::Bytes:
                out += "\\\\x";
                for (unsigned char c : field.text)
                    fmt::format_to(std::back_inserter(out), "{:02x}", c);
                break;
            }
        }
        out += '\n';
        ++m_rows;
    }

    void flush() override
    {
        for (std::size_t table : m_order) {
            Held& held = m_tables[table];
            PGconn* conn = m_conn[static_cast<std::size_t>(held.database)];
            if (!going())
                return;
            PGresult* result = PQexec(conn, held.copy.c_str());
            bool copying = PQresultStatus(result) == PGRES_COPY_IN;
            PQclear(result);
            if (copying && PQputCopyData(conn, held.rows.data(), static_cast<int>(held.rows.size())) == 1
                && PQputCopyEnd(conn, nullptr) == 1) {
                result = PQgetResult(conn);
                copying = PQresultStatus(result) == PGRES_COMMAND_OK;
                PQclear(result);
                while ((result = PQgetResult(conn)))
                    PQclear(result);
            } else {
                copying = false;
            }
            if (!copying)
                fail(fmt::format("{} ({})", server_error(conn), held.copy));
            std::string().swap(held.rows);
        }
        m_order.clear();
    }

    bool finish() override
    {
        for (auto database : {Database::Records, Database::Archive})
            run(database, "COMMIT");
        for (PGconn*& conn : m_conn) {
            PQfinish(conn);
            conn = nullptr;
        }
        return m_error.empty();
    }

    // A connection with the settings of `conninfo` to the database `name` on the same server.
    static PGconn* connect_to(const std::string& conninfo, const std::string& name)
    {
        const std::string target = conninfo_for(conninfo, name);
        const char* keys[] = {"dbname", "application_name", nullptr};
        const char* values[] = {target.c_str(), "hearth init-db", nullptr};
        return PQconnectdbParams(keys, values, 1);
    }

private:
    struct Held {
        Database database;
        std::string copy;
        std::string rows;
    };
    std::array<PGconn*, 2> m_conn {};
    std::vector<Held> m_tables;
    std::vector<std::size_t> m_order;
};

bool holds_database(const fs::path& folder)
{
    std::error_code ec;
    for (std::string_view name : {records_file, archive_file})
        if (fs::exists(folder / name, ec) || fs::exists(folder / fmt::format("{}-wal", name), ec))
            return true;
    return false;
}

// Loads the schema, the settings and users, and the sample into the two opened databases.
Result<long> load(Loader& loader, sql::Dbms dbms, const InitDbOptions& options, const std::string& admin_hash,
                  const std::string& user_hash)
{
    for (auto database : {Database::Records, Database::Archive}) {
        for (const std::string& statement : schema::tables(database, dbms))
            loader.run(database, statement);
        loader.run(database,
                   fmt::format("INSERT INTO schema_version (version) VALUES ({})", schema::current_version()));
    }
    sample::write_settings_and_users(loader, admin_hash, user_hash);
    sample::write_sample(loader, options.households, options.seed);
    loader.flush();
    // The totals are computed once for all loaded households, before there are indexes to
    // keep up to date; from then on the triggers keep them.
    for (const std::string& statement : schema::household_totals_after_load())
        loader.run(Database::Records, statement);
    for (auto database : {Database::Records, Database::Archive})
        for (const std::string& statement : schema::indexes_and_triggers(database, dbms))
            loader.run(database, statement);
    // Version 1 is made in two halves around the rows; later versions are applied as they are
    // to an existing database, and the version table already names the last.
    for (const schema::Migration& migration : schema::migrations(dbms)) {
        if (migration.version == 1)
            continue;
        for (const std::string& statement : migration.records)
            loader.run(Database::Records, statement);
        for (const std::string& statement : migration.archive)
            loader.run(Database::Archive, statement);
    }
    if (!loader.finish())
        return Result<long>::failure(fmt::format("cannot create the database: {}", loader.error()));
    return loader.rows() + 2;
}

Result<long> load_sqlite(const fs::path& work, const InitDbOptions& options, const std::string& admin_hash,
                         const std::string& user_hash)
{
    SqliteLoad loader;
    if (loader.open(Database::Records, work / records_file))
        loader.open(Database::Archive, work / archive_file);
    return load(loader, sql::Dbms::SQLite, options, admin_hash, user_hash);
}

Result<long> create_in_folder(const InitDbOptions& options, const std::string& admin_hash, const std::string& user_hash)
{
    const fs::path folder(options.target);
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec))
        return Result<long>::failure(fmt::format("\"{}\" is not a folder", folder.string()));
    if (holds_database(folder))
        return Result<long>::failure(fmt::format("\"{}\" already holds a database", folder.string()));
    if (fs::create_directories(folder, ec); ec)
        return Result<long>::failure(fmt::format("cannot create the folder \"{}\": {}", folder.string(), ec.message()));
    // The files are built in a private folder beside their place and moved in only when
    // complete, so an interrupted run leaves no half-made database under the real names.
    std::string pattern = (folder / ".hearth-init-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return Result<long>::failure(
            fmt::format("cannot write into \"{}\": {}", folder.string(), std::strerror(errno)));
    const fs::path work(pattern);
    auto loaded = load_sqlite(work, options, admin_hash, user_hash);
    std::string failure = loaded ? std::string() : loaded.error();
    // The archive goes in first: the records file is what makes the folder hold a database.
    std::vector<fs::path> moved;
    for (std::string_view name : {archive_file, records_file}) {
        if (!failure.empty())
            break;
        if (::renameat2(AT_FDCWD, (work / name).c_str(), AT_FDCWD, (folder / name).c_str(), RENAME_NOREPLACE) != 0)
            failure
                = fmt::format("cannot move the new database into \"{}\": {}", folder.string(), std::strerror(errno));
        else
            moved.push_back(folder / name);
    }
    if (!failure.empty())
        for (const fs::path& path : moved)
            fs::remove(path, ec);
    fs::remove_all(work, ec);
    if (!failure.empty())
        return Result<long>::failure(failure);
    return loaded;
}

// Both databases on the server: made here when missing, accepted when present without
// tables, and dropped again when the load fails.
Result<long> create_on_server(const InitDbOptions& options, const std::string& admin_hash, const std::string& user_hash)
{
    using Failure = Result<long>;
    const std::string records = database_named(options.target);
    if (records.empty())
        return Failure::failure("the connection string names no database");
    const std::string archive = archive_database(records);
    std::unique_ptr<PGconn, void (*)(PGconn*)> admin(PostgresLoad::connect_to(options.target, "postgres"), PQfinish);
    if (PQstatus(admin.get()) != CONNECTION_OK)
        return Failure::failure(fmt::format("cannot connect to the database server: {}",
                                            sql::redact_passwords(server_error(admin.get()), options.target)));
    auto query = [&](PGconn* conn, const char* text, const std::string& parameter) {
        const char* values[] = {parameter.c_str()};
        PGresult* result = PQexecParams(conn, text, 1, nullptr, values, nullptr, nullptr, 0);
        std::string answer = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1
            ? PQgetvalue(result, 0, 0)
            : "error: " + server_error(conn);
        PQclear(result);
        return answer;
    };
    std::vector<std::string> created;
    auto drop_created = [&] {
        for (const std::string& name : created) {
            char* quoted = PQescapeIdentifier(admin.get(), name.c_str(), name.size());
            PQclear(PQexec(admin.get(), fmt::format("DROP DATABASE IF EXISTS {}", quoted).c_str()));
            PQfreemem(quoted);
        }
    };
    for (const std::string& name : {records, archive}) {
        const std::string exists = query(admin.get(), "SELECT count(*) FROM pg_database WHERE datname = $1", name);
        if (exists.starts_with("error: ")) {
            drop_created();
            return Failure::failure(exists.substr(7));
        }
        if (exists == "1") {
            std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PostgresLoad::connect_to(options.target, name), PQfinish);
            const std::string tables = query(conn.get(),
                                             "SELECT count(*) FROM pg_tables WHERE schemaname <> ALL "
                                             "(string_to_array($1, ','))",
                                             "pg_catalog,information_schema");
            if (tables != "0") {
                drop_created();
                return Failure::failure(tables.starts_with("error: ")
                                            ? tables.substr(7)
                                            : fmt::format("database \"{}\" already holds tables", name));
            }
            continue;
        }
        char* quoted = PQescapeIdentifier(admin.get(), name.c_str(), name.size());
        PGresult* result = PQexec(admin.get(), fmt::format("CREATE DATABASE {}", quoted).c_str());
        PQfreemem(quoted);
        const bool made = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        if (!made) {
            const std::string why = server_error(admin.get());
            drop_created();
            return Failure::failure(fmt::format("cannot create database \"{}\": {}", name, why));
        }
        created.push_back(name);
    }
    Result<long> loaded = Failure::failure("");
    {
        PostgresLoad loader;
        if (loader.open(Database::Records, options.target, records))
            loader.open(Database::Archive, options.target, archive);
        loaded = load(loader, sql::Dbms::PostgreSQL, options, admin_hash, user_hash);
    }
    if (!loaded)
        drop_created();
    return loaded;
}

} // namespace

// The database a connection string names, or "" when it names none or does not parse.
std::string database_named(const std::string& conninfo)
{
    std::string name;
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    for (PQconninfoOption* option = options; option && option->keyword; ++option)
        if (std::string_view(option->keyword) == "dbname" && option->val)
            name = option->val;
    PQconninfoFree(options);
    PQfreemem(error);
    return name;
}

std::string archive_database(std::string_view records) { return std::string(records) + "_archive"; }

std::string conninfo_for(const std::string& conninfo, const std::string& name)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    PQfreemem(error);
    if (!options)
        return {};
    // Written back as key='value' pairs, the form libpq reads whatever form came in.
    auto quoted = [](std::string_view value) {
        std::string out = "'";
        for (char c : value) {
            if (c == '\\' || c == '\'')
                out += '\\';
            out += c;
        }
        return out + "'";
    };
    std::string out;
    for (PQconninfoOption* option = options; option->keyword; ++option)
        if (option->val && std::string_view(option->keyword) != "dbname")
            out += fmt::format("{}={} ", option->keyword, quoted(option->val));
    PQconninfoFree(options);
    return out + "dbname=" + quoted(name);
}

bool is_connection_string(std::string_view target)
{
    return target.starts_with("postgresql://") || target.starts_with("postgres://")
        || target.find('=') != std::string_view::npos;
}

Result<InitDbDone> init_db(const InitDbOptions& options)
{
    using Failure = Result<InitDbDone>;
    if (options.households < 0)
        return Failure::failure("the number of households must not be negative");
    const InterruptGuard guard;
    InitDbDone done;
    std::string admin_password;
    if (options.admin_password) {
        admin_password = *options.admin_password;
    } else {
        auto made = random_password(12);
        if (!made)
            return Failure::failure(made.error());
        admin_password = done.generated_admin_password = *made;
    }
    auto user_password = random_password(12);
    if (!user_password)
        return Failure::failure(user_password.error());
    done.user_password = *user_password;
    auto admin_hash = hash_password(admin_password);
    auto user_hash = hash_password(done.user_password);
    if (!admin_hash || !user_hash)
        return Failure::failure(admin_hash ? user_hash.error() : admin_hash.error());
    auto loaded = is_connection_string(options.target) ? create_on_server(options, *admin_hash, *user_hash)
                                                       : create_in_folder(options, *admin_hash, *user_hash);
    if (!loaded)
        return Failure::failure(loaded.error());
    done.rows = *loaded;
    return done;
}

} // namespace hearth
