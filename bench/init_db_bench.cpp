// hearth init-db: rows written a second when it creates both databases with 20,000 sample
// households (about 230,000 rows), against a plain loop that inserts as many rows of seven
// columns into one SQLite table through one prepared statement in one transaction. When
// HEARTH_TEST_PG names a server, the same on PostgreSQL against a plain COPY of as many rows
// into one table.
//
//   bench_init_db --benchmark_format=json

#include "app/init_db.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path scratch(int run)
{
    return fs::temp_directory_path() / fmt::format("hearth_bench_initdb_{}_{}", ::getpid(), run);
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The baseline: `rows` plain inserts into a fresh file.
double plain_insert(const fs::path& dir, long rows)
{
    fs::create_directories(dir);
    const auto start = Clock::now();
    sqlite3* db = nullptr;
    sqlite3_open((dir / "plain.db").c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; CREATE TABLE t (no TEXT PRIMARY KEY, name TEXT, id TEXT, born DATE, "
                 "area REAL, kind TEXT, n INTEGER); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &insert, nullptr);
    for (long i = 0; i < rows; ++i) {
        const std::string no = fmt::format("R{:09d}", i);
        sqlite3_bind_text(insert, 1, no.data(), int(no.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, "王芳", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, "11010519491231002X", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, "1949-12-31", -1, SQLITE_STATIC);
        sqlite3_bind_double(insert, 5, 60.5 + double(i % 100));
        sqlite3_bind_text(insert, 6, "住宅", -1, SQLITE_STATIC);
        sqlite3_bind_int64(insert, 7, i);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return seconds_since(start);
}

void InitDb(benchmark::State& state)
{
    double hearth_s = 0, plain_s = 0, rows = 0;
    int run = 0;
    for (auto _ : state) {
        const fs::path dir = scratch(++run);
        auto start = Clock::now();
        auto done = hearth::init_db({dir.string(), 20000, 1, "bench"});
        hearth_s += seconds_since(start);
        if (!done) {
            state.SkipWithError(done.error().c_str());
            break;
        }
        rows += double(done->rows);
        plain_s += plain_insert(dir / "plain", done->rows);
        fs::remove_all(dir);
    }
    state.counters["rows"] = rows / double(state.iterations());
    state.counters["init_db_rows_per_s"] = rows / hearth_s;
    state.counters["plain_rows_per_s"] = rows / plain_s;
    state.counters["ratio"] = hearth_s / plain_s;
}
BENCHMARK(InitDb)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The baseline on the server: one COPY of `rows` rows into a new table of the named database.
double plain_copy(const std::string& conninfo, long rows)
{
    const auto start = Clock::now();
    PGconn* conn = PQconnectdb(conninfo.c_str());
    PQclear(PQexec(conn,
                   "CREATE TEMP TABLE t (no TEXT PRIMARY KEY, name TEXT, id TEXT, born DATE, area NUMERIC(10,2), "
                   "kind TEXT, n INTEGER)"));
    std::string data;
    for (long i = 0; i < rows; ++i)
        fmt::format_to(std::back_inserter(data), "R{:09d}\t王芳\t11010519491231002X\t1949-12-31\t{}\t住宅\t{}\n", i,
                       60.5 + double(i % 100), i);
    PQclear(PQexec(conn, "COPY t FROM STDIN"));
    PQputCopyData(conn, data.data(), int(data.size()));
    PQputCopyEnd(conn, nullptr);
    while (PGresult* result = PQgetResult(conn))
        PQclear(result);
    PQfinish(conn);
    return seconds_since(start);
}

void InitDbPostgres(benchmark::State& state)
{
    const char* server = std::getenv("HEARTH_TEST_PG");
    if (!server || !*server) {
        state.SkipWithError("HEARTH_TEST_PG is not set");
        for (auto _ : state) {}
        return;
    }
    double hearth_s = 0, plain_s = 0, rows = 0;
    int run = 0;
    for (auto _ : state) {
        const std::string name = fmt::format("hearth_bench_{}_{}", ::getpid(), ++run);
        auto start = Clock::now();
        auto done = hearth::init_db({fmt::format("{} dbname={}", server, name), 20000, 1, "bench"});
        hearth_s += seconds_since(start);
        if (!done) {
            state.SkipWithError(done.error().c_str());
            break;
        }
        rows += double(done->rows);
        plain_s += plain_copy(server, done->rows);
        PGconn* conn = PQconnectdb(server);
        PQclear(PQexec(conn, fmt::format("DROP DATABASE {}", name).c_str()));
        PQclear(PQexec(conn, fmt::format("DROP DATABASE {}_archive", name).c_str()));
        PQfinish(conn);
    }
    state.counters["rows"] = rows / double(state.iterations());
    state.counters["init_db_rows_per_s"] = rows / hearth_s;
    state.counters["plain_rows_per_s"] = rows / plain_s;
    state.counters["ratio"] = hearth_s / plain_s;
}
BENCHMARK(InitDbPostgres)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
