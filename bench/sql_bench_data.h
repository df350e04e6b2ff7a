#pragma once
// The data shared by the SQL benchmarks: 200,000 persons of 10 columns in a SQLite file or a
// PostgreSQL schema, the DataWindow object over them, and the plain loops over sqlite3 and
// libpq that the measured paths are compared with.

#include "host/sql/transaction.h"

#include <fmt/format.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace hearth::bench {

constexpr int row_count = 200000;

const char* const select_text
    = "SELECT PersonNo, Name, RprNo, Age, Income, Area, Birthday, SaveTime, Kind, Flag FROM bench_person";

// The DataWindow object over bench_person: every column updatable, PersonNo the key.
const char* const person_object = R"(release 10;
datawindow(units=0 )
detail(height=88 )
table(column=(type=long update=yes updatewhereclause=yes key=yes name=personno dbname="bench_person.PersonNo" )
 column=(type=char(40) update=yes updatewhereclause=yes name=name dbname="bench_person.Name" )
 column=(type=char(20) update=yes updatewhereclause=yes name=rprno dbname="bench_person.RprNo" )
 column=(type=long update=yes updatewhereclause=yes name=age dbname="bench_person.Age" )
 column=(type=decimal(2) update=yes updatewhereclause=yes name=income dbname="bench_person.Income" )
 column=(type=number update=yes updatewhereclause=yes name=area dbname="bench_person.Area" )
 column=(type=date update=yes updatewhereclause=yes name=birthday dbname="bench_person.Birthday" )
 column=(type=datetime update=yes updatewhereclause=yes name=savetime dbname="bench_person.SaveTime" )
 column=(type=char(4) update=yes updatewhereclause=yes name=kind dbname="bench_person.Kind" )
 column=(type=long update=yes updatewhereclause=yes name=flag dbname="bench_person.Flag" )
 retrieve="SELECT PersonNo, Name, RprNo, Age, Income, Area, Birthday, SaveTime, Kind, Flag FROM bench_person"
 update="bench_person" updatewhere=1 updatekeyinplace=no )
)";

// Typed column vectors, as a row store keeps them.
struct Columns {
    std::vector<std::int64_t> person_no, age, flag;
    std::vector<std::string> name, rprno, kind;
    std::vector<Decimal> income;
    std::vector<double> area;
    std::vector<Date> birthday;
    std::vector<DateTime> save_time;
    std::vector<std::uint8_t> nulls; // one flag per cell

    void reserve(std::size_t n)
    {
        for (auto* v : {&person_no, &age, &flag})
            v->reserve(n);
        for (auto* v : {&name, &rprno, &kind})
            v->reserve(n);
        income.reserve(n);
        area.reserve(n);
        birthday.reserve(n);
        save_time.reserve(n);
        nulls.reserve(n * 10);
    }
    std::size_t rows() const { return person_no.size(); }
};

// The plain baseline's vectors: what a straightforward loop over the C API keeps.
struct PlainColumns {
    std::vector<std::int64_t> person_no, age, flag;
    std::vector<std::string> name, rprno, kind, birthday, save_time;
    std::vector<double> income, area;
    void reserve(std::size_t n)
    {
        for (auto* v : {&person_no, &age, &flag})
            v->reserve(n);
        for (auto* v : {&name, &rprno, &kind, &birthday, &save_time})
            v->reserve(n);
        income.reserve(n);
        area.reserve(n);
    }
};

inline std::vector<std::string> fill_statements()
{
    return {
        "CREATE TABLE bench_person (PersonNo integer primary key, Name varchar(40), RprNo varchar(20), Age integer, "
        "Income numeric(12,2), Area double, Birthday date, SaveTime datetime, Kind varchar(4), Flag integer)",
    };
}

inline bool fill(Transaction& tx)
{
    for (const std::string& s : fill_statements())
        if (tx.execute_immediate(s) != 0)
            return false;
    for (int i = 1; i <= row_count; ++i) {
        const HostVars vars = {
            {"no", Value(std::int32_t(i))},
            {"name", Value(fmt::format("居民{}", i))},
            {"rprno", Value(fmt::format("R{:06}", i / 3))},
            {"age", Value(std::int32_t(i % 90))},
            {"income", Value(*Decimal::parse(fmt::format("{}.{:02}", i % 10000, i % 100)))},
            {"area", Value(50.0 + (i % 70) * 0.5)},
            {"birthday", Value(Date {std::int16_t(1940 + i % 60), std::uint8_t(1 + i % 12), std::uint8_t(1 + i % 28)})},
            {"savetime",
             Value(DateTime {{2024, std::uint8_t(1 + i % 12), std::uint8_t(1 + i % 28)},
                             {std::uint8_t(i % 24), std::uint8_t(i % 60), 0, 0}})},
            {"kind", i % 7 == 0 ? Value::null_of(Type::String) : Value(fmt::format("{:02}", i % 11))},
            {"flag", Value(std::int32_t(i % 2))},
        };
        if (tx.execute("INSERT INTO bench_person VALUES (:no, :name, :rprno, :age, :income, :area, :birthday, "
                       ":savetime, :kind, :flag)",
                       vars)
            != 0)
            return false;
    }
    return tx.commit() == 0;
}

inline std::size_t plain_sqlite_retrieve(sqlite3* db, PlainColumns& out)
{
    out = PlainColumns();
    out.reserve(row_count);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, select_text, -1, &stmt, nullptr);
    auto text = [&](int c) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        return p ? std::string(p, std::size_t(sqlite3_column_bytes(stmt, c))) : std::string();
    };
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        out.person_no.push_back(sqlite3_column_int64(stmt, 0));
        out.name.push_back(text(1));
        out.rprno.push_back(text(2));
        out.age.push_back(sqlite3_column_int64(stmt, 3));
        out.income.push_back(sqlite3_column_double(stmt, 4));
        out.area.push_back(sqlite3_column_double(stmt, 5));
        out.birthday.push_back(text(6));
        out.save_time.push_back(text(7));
        out.kind.push_back(text(8));
        out.flag.push_back(sqlite3_column_int64(stmt, 9));
    }
    sqlite3_finalize(stmt);
    return out.person_no.size();
}

inline std::size_t plain_libpq_retrieve(PGconn* conn, PlainColumns& out)
{
    out = PlainColumns();
    out.reserve(row_count);
    PGresult* result = PQexecParams(conn, select_text, 0, nullptr, nullptr, nullptr, nullptr, 0);
    const int rows = PQntuples(result);
    auto text
        = [&](int r, int c) { return std::string(PQgetvalue(result, r, c), std::size_t(PQgetlength(result, r, c))); };
    for (int r = 0; r < rows; ++r) {
        out.person_no.push_back(std::strtoll(PQgetvalue(result, r, 0), nullptr, 10));
        out.name.push_back(text(r, 1));
        out.rprno.push_back(text(r, 2));
        out.age.push_back(std::strtoll(PQgetvalue(result, r, 3), nullptr, 10));
        out.income.push_back(std::strtod(PQgetvalue(result, r, 4), nullptr));
        out.area.push_back(std::strtod(PQgetvalue(result, r, 5), nullptr));
        out.birthday.push_back(text(r, 6));
        out.save_time.push_back(text(r, 7));
        out.kind.push_back(text(r, 8));
        out.flag.push_back(std::strtoll(PQgetvalue(result, r, 9), nullptr, 10));
    }
    PQclear(result);
    return out.person_no.size();
}

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds of the calling thread: for in-process work (SQLite) this keeps the ratios
// steady on a machine that other jobs load; work done by a server process is not in it.
inline double thread_seconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// A SQLite file of the persons in the temporary folder, removed with the fixture; `db` is a
// plain read-only connection for the baseline loops.
struct SqliteFixture {
    std::string path;
    Transaction tx {"sqlca"};
    sqlite3* db = nullptr;
    bool ok = false;

    explicit SqliteFixture(const char* stem)
    {
        path = (std::filesystem::temp_directory_path() / fmt::format("{}-{}.db", stem, ::getpid())).string();
        std::filesystem::remove(path);
        tx.set_database(path);
        tx.set_dbparm("Create='Yes'");
        ok = tx.connect() == 0 && fill(tx);
        if (!ok)
            std::fprintf(stderr, "sqlite setup: %s\n", tx.sql_err_text().c_str());
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~SqliteFixture()
    {
        sqlite3_close(db);
        tx.disconnect();
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path + suffix);
    }
};

// The persons in a schema of their own on the server HEARTH_TEST_PG names (ok is false
// without one); `conn` is a plain libpq connection for the baseline loops.
struct PgFixture {
    Transaction tx {"sqlca"};
    PGconn* conn = nullptr;
    bool ok = false;
    std::string schema;

    explicit PgFixture(const char* stem) : schema(fmt::format("{}_{}", stem, ::getpid()))
    {
        const char* conninfo = std::getenv("HEARTH_TEST_PG");
        if (!conninfo || !*conninfo)
            return;
        const std::string with_schema = fmt::format("{} options='-c search_path={}'", conninfo, schema);
        tx.set_dbms("PostgreSQL");
        tx.set_database(with_schema);
        if (tx.connect() != 0)
            return;
        tx.execute_immediate(fmt::format("DROP SCHEMA IF EXISTS {} CASCADE", schema));
        tx.execute_immediate(fmt::format("CREATE SCHEMA {}", schema));
        ok = fill(tx);
        if (!ok)
            std::fprintf(stderr, "postgres setup: %s\n", tx.sql_err_text().c_str());
        conn = PQconnectdb(with_schema.c_str());
    }
    ~PgFixture()
    {
        if (conn)
            PQfinish(conn);
        if (tx.is_connected()) {
            tx.execute_immediate(fmt::format("DROP SCHEMA IF EXISTS {} CASCADE", schema));
            tx.commit();
            tx.disconnect();
        }
    }
};

} // namespace hearth::bench
