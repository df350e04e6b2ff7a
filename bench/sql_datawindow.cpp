// DataWindow Retrieve and Update through a transaction against plain loops in the same run:
// Retrieve of 200,000 rows of 10 columns (SQLite, and PostgreSQL when HEARTH_TEST_PG names a
// server) against a plain sqlite3_step / libpq loop into typed vectors; Update of 10,000
// modified rows in one transaction on SQLite, in rows per second.
//
//   bench_sql_datawindow --benchmark_format=json

#include "sql_bench_data.h"

#include "host/datawindow/database.h"

#include <benchmark/benchmark.h>

using namespace hearth;
using namespace hearth::bench;
using namespace hearth::dw;

namespace {

std::unique_ptr<Engine> person_engine()
{
    auto engine = std::make_unique<Engine>();
    auto object = ObjectDefinition::parse(person_object, "bench.srd");
    if (!object.ok() || !engine->set_object(std::move(*object)).ok())
        return nullptr;
    return engine;
}

SqliteFixture& sqlite_fixture()
{
    static SqliteFixture fixture("hearth-bench-dw");
    return fixture;
}

void BM_DataWindowRetrieveSqliteRatio(benchmark::State& state)
{
    auto& f = sqlite_fixture();
    auto engine = person_engine();
    if (!f.ok || !engine) {
        state.SkipWithError("setup failed");
        return;
    }
    PlainColumns plain;
    double plain_s = 0, dw_s = 0;
    long rows = 0;
    for (auto _ : state) {
        double t0 = thread_seconds();
        benchmark::DoNotOptimize(plain_sqlite_retrieve(f.db, plain));
        plain_s += (thread_seconds() - t0);
        t0 = thread_seconds();
        rows = retrieve(*engine, f.tx, {});
        dw_s += (thread_seconds() - t0);
    }
    if (rows != row_count)
        state.SkipWithError(f.tx.sql_err_text().c_str());
    state.counters["rows"] = double(rows);
    state.counters["plain_ms"] = plain_s * 1000 / double(state.iterations());
    state.counters["retrieve_ms"] = dw_s * 1000 / double(state.iterations());
    state.counters["ratio"] = dw_s / plain_s;
}

// 10,000 rows changed in two columns, written by one Update and one COMMIT.
void BM_DataWindowUpdateSqlite(benchmark::State& state)
{
    constexpr int changed = 10000;
    auto& f = sqlite_fixture();
    auto engine = person_engine();
    if (!f.ok || !engine) {
        state.SkipWithError("setup failed");
        return;
    }
    double update_s = 0, wall_s = 0;
    long round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        if (retrieve(*engine, f.tx, {}) != row_count) {
            state.SkipWithError(f.tx.sql_err_text().c_str());
            break;
        }
        for (long row = 1; row <= changed; ++row) {
            engine->set_item(row * 19, "name", Value(fmt::format("changed {} {}", round, row)));
            engine->set_item(row * 19, "age", Value(std::int32_t((row + round) % 90)));
        }
        state.ResumeTiming();
        const double t0 = thread_seconds();
        const auto wall0 = Clock::now();
        const int result = update(*engine, f.tx);
        const long committed = f.tx.commit();
        update_s += (thread_seconds() - t0);
        wall_s += seconds_since(wall0);
        if (result != 1 || committed != 0) {
            state.SkipWithError(f.tx.sql_err_text().c_str());
            break;
        }
    }
    state.counters["rows_per_s"] = changed * double(state.iterations()) / update_s;
    state.counters["wall_rows_per_s"] = changed * double(state.iterations()) / wall_s;
}

void BM_DataWindowRetrievePostgresRatio(benchmark::State& state)
{
    static PgFixture f("hearth_bench_dw");
    auto engine = person_engine();
    if (!f.ok || !engine) {
        state.SkipWithError("HEARTH_TEST_PG is not set or the server is unreachable");
        return;
    }
    PlainColumns plain;
    double plain_s = 0, dw_s = 0;
    long rows = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(plain_libpq_retrieve(f.conn, plain));
        plain_s += seconds_since(t0);
        t0 = Clock::now();
        rows = retrieve(*engine, f.tx, {});
        dw_s += seconds_since(t0);
    }
    if (rows != row_count)
        state.SkipWithError(f.tx.sql_err_text().c_str());
    state.counters["rows"] = double(rows);
    state.counters["plain_ms"] = plain_s * 1000 / double(state.iterations());
    state.counters["retrieve_ms"] = dw_s * 1000 / double(state.iterations());
    state.counters["ratio"] = dw_s / plain_s;
}

} // namespace

BENCHMARK(BM_DataWindowRetrieveSqliteRatio)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DataWindowUpdateSqlite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DataWindowRetrievePostgresRatio)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
