#include "app/init_db.h"

#include "app/password.h"
#include "app/sample_data.h"
#include "app/schema.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace hearth {

namespace {

namespace fs = std::filesystem;
using schema::Database;

// Both SQLite files, loaded in one transaction each through prepared statements.
class SqliteLoad final : public sample::RowSink {
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

    bool run(Database database, const std::string& statement)
    {
        sqlite3* db = m_db[static_cast<std::size_t>(database)];
        if (m_error.empty() && sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
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
        if (!m_error.empty())
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

    // Commits both and closes them, which folds the write-ahead log back into the files.
    bool finish()
    {
        for (auto database : {Database::Records, Database::Archive})
            run(database, "COMMIT");
        m_inserts.clear();
        for (sqlite3*& db : m_db) {
            if (m_error.empty() && sqlite3_close(db) != SQLITE_OK)
                fail(db, "close");
            db = nullptr;
        }
        return m_error.empty();
    }

    const std::string& error() const { return m_error; }
    long rows() const { return m_rows; }

private:
    void fail(sqlite3* db, std::string_view what)
    {
        if (m_error.empty())
            m_error = fmt::format("{} ({})", db ? sqlite3_errmsg(db) : "out of memory", what.substr(0, 200));
    }

    struct Finalize {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    std::array<sqlite3*, 2> m_db {};
    std::vector<std::unique_ptr<sqlite3_stmt, Finalize>> m_inserts;
    std::string m_error;
    long m_rows = 0;
};

bool holds_database(const fs::path& folder)
{
    std::error_code ec;
    for (std::string_view name : {records_file, archive_file})
        if (fs::exists(folder / name, ec) || fs::exists(folder / fmt::format("{}-wal", name), ec))
            return true;
    return false;
}

// Loads everything into the two files of `work`.
Result<long> load(const fs::path& work, const InitDbOptions& options, const std::string& admin_hash,
                  const std::string& user_hash)
{
    SqliteLoad loader;
    const std::array databases {Database::Records, Database::Archive};
    const std::array files {records_file, archive_file};
    for (std::size_t i = 0; i < 2; ++i) {
        if (!loader.open(databases[i], work / files[i]))
            break;
        for (const std::string& statement : schema::tables(databases[i], sql::Dbms::SQLite))
            loader.run(databases[i], statement);
        loader.run(databases[i],
                   fmt::format("INSERT INTO schema_version (version) VALUES ({})", schema::current_version()));
    }
    sample::write_settings_and_users(loader, admin_hash, user_hash);
    sample::write_sample(loader, options.households, options.seed);
    for (auto database : databases)
        for (const std::string& statement : schema::indexes_and_triggers(database, sql::Dbms::SQLite))
            loader.run(database, statement);
    // The totals are computed once for the loaded rows (through the new indexes); from here on
    // the triggers keep them.
    loader.run(Database::Records, schema::recompute_household_totals());
    if (!loader.finish())
        return Result<long>::failure(fmt::format("cannot create the database: {}", loader.error()));
    return loader.rows() + 2;
}

} // namespace

Result<InitDbDone> init_db(const InitDbOptions& options)
{
    using Failure = Result<InitDbDone>;
    if (options.households < 0)
        return Failure::failure("the number of households must not be negative");
    const fs::path folder(options.target);
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec))
        return Failure::failure(fmt::format("\"{}\" is not a folder", folder.string()));
    if (holds_database(folder))
        return Failure::failure(fmt::format("\"{}\" already holds a database", folder.string()));
    if (fs::create_directories(folder, ec); ec)
        return Failure::failure(fmt::format("cannot create the folder \"{}\": {}", folder.string(), ec.message()));

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

    // The files are built in a private folder beside their place and moved in only when
    // complete, so an interrupted run leaves no half-made database under the real names.
    std::string pattern = (folder / ".hearth-init-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return Failure::failure(fmt::format("cannot write into \"{}\": {}", folder.string(), std::strerror(errno)));
    const fs::path work(pattern);
    auto loaded = load(work, options, *admin_hash, *user_hash);
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
        return Failure::failure(failure);
    done.rows = *loaded;
    return done;
}

} // namespace hearth
