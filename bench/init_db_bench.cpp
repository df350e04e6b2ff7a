// hearth init-db: rows written a second when it creates both databases with 20,000 sample
// households (about 230,000 rows), against a plain loop that inserts as many rows of seven
// columns into one SQLite table through one prepared statement in one transaction.
//
//   bench_init_db --benchmark_format=json

#include "app/init_db.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <sqlite3.h>

#include <chrono>
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

} // namespace

BENCHMARK_MAIN();
