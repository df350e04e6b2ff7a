// Reading many rows through a transaction against a plain loop over the backend's own API,
// in one run: 200,000 rows of 10 columns into typed column vectors. SQLite always;
// PostgreSQL when HEARTH_TEST_PG names a server. Ratios are reported as counters.
//
//   bench_sql_retrieve --benchmark_format=json

#include "sql_bench_data.h"

#include "host/sql/backends.h"
#include "host/sql/cell.h"
#include "host/sql/transaction.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace hearth;
using namespace hearth::bench;

namespace {

// Reads the whole result through Transaction::query with typed cell readers.
long hearth_retrieve(Transaction& tx, Columns& out)
{
    out = Columns();
    out.reserve(row_count);
    std::string error;
    return tx.query(select_text, {}, [&](const sql::ResultRow& row) {
        for (int c = 0; c < 10; ++c)
            out.nulls.push_back(row.is_null(c) ? 1 : 0);
        Int128 whole = 0;
        sql::cell_whole(row, 0, whole);
        out.person_no.push_back(std::int64_t(whole));
        out.name.emplace_back(row.text(1));
        out.rprno.emplace_back(row.text(2));
        sql::cell_whole(row, 3, whole);
        out.age.push_back(std::int64_t(whole));
        out.income.push_back(sql::cell_decimal(row, 4).value_or(Decimal()));
        out.area.push_back(sql::cell_double(row, 5).value_or(0.0));
        out.birthday.push_back(sql::cell_date(row, 6).value_or(Date {}));
        out.save_time.push_back(sql::cell_datetime(row, 7).value_or(DateTime {}));
        out.kind.emplace_back(row.is_null(8) ? std::string_view() : row.text(8));
        sql::cell_whole(row, 9, whole);
        out.flag.push_back(std::int64_t(whole));
        return RowAction::Continue;
    });
}

// The same through the Value-per-cell readers (what a caller without typed storage uses).
long hearth_retrieve_values(Transaction& tx, std::vector<Value>& out)
{
    static const Type types[] = {Type::Long,   Type::String, Type::String,   Type::Long,   Type::Decimal,
                                 Type::Double, Type::Date,   Type::DateTime, Type::String, Type::Long};
    sql::CellReader readers[10];
    for (int c = 0; c < 10; ++c)
        readers[c] = sql::cell_reader(types[c]);
    out.clear();
    out.reserve(std::size_t(row_count) * 10);
    return tx.query(select_text, {}, [&](const sql::ResultRow& row) {
        for (int c = 0; c < 10; ++c) {
            Value v;
            readers[c](row, c, v);
            out.push_back(std::move(v));
        }
        return RowAction::Continue;
    });
}

// ---------------------------------------------------------------------------------------
// SQLite

SqliteFixture& sqlite_fixture()
{
    static SqliteFixture fixture("hearth-bench");
    return fixture;
}

void BM_SqlitePlainStepLoop(benchmark::State& state)
{
    auto& f = sqlite_fixture();
    if (!f.ok) {
        state.SkipWithError("setup failed");
        return;
    }
    PlainColumns columns;
    for (auto _ : state)
        benchmark::DoNotOptimize(plain_sqlite_retrieve(f.db, columns));
    state.counters["rows"] = double(columns.person_no.size());
}

void BM_SqliteTransactionQueryTyped(benchmark::State& state)
{
    auto& f = sqlite_fixture();
    if (!f.ok) {
        state.SkipWithError("setup failed");
        return;
    }
    Columns columns;
    for (auto _ : state)
        benchmark::DoNotOptimize(hearth_retrieve(f.tx, columns));
    state.counters["rows"] = double(columns.rows());
}

void BM_SqliteTransactionQueryValues(benchmark::State& state)
{
    auto& f = sqlite_fixture();
    if (!f.ok) {
        state.SkipWithError("setup failed");
        return;
    }
    std::vector<Value> values;
    for (auto _ : state)
        benchmark::DoNotOptimize(hearth_retrieve_values(f.tx, values));
    state.counters["rows"] = double(values.size() / 10);
}

// Both loops alternately in each iteration; the ratio is hearth / plain.
void BM_SqliteRetrieveRatio(benchmark::State& state)
{
    auto& f = sqlite_fixture();
    if (!f.ok) {
        state.SkipWithError("setup failed");
        return;
    }
    PlainColumns plain;
    Columns typed;
    double plain_s = 0, typed_s = 0;
    for (auto _ : state) {
        double t0 = thread_seconds();
        benchmark::DoNotOptimize(plain_sqlite_retrieve(f.db, plain));
        plain_s += (thread_seconds() - t0);
        t0 = thread_seconds();
        benchmark::DoNotOptimize(hearth_retrieve(f.tx, typed));
        typed_s += (thread_seconds() - t0);
    }
    if (typed.rows() != std::size_t(row_count) || plain.person_no.size() != std::size_t(row_count))
        state.SkipWithError("row count differs");
    state.counters["plain_ms"] = plain_s * 1000 / double(state.iterations());
    state.counters["hearth_ms"] = typed_s * 1000 / double(state.iterations());
    state.counters["ratio"] = typed_s / plain_s;
}

// 10,000 UPDATEs with bound host variables in one transaction, against the same loop over a
// prepared sqlite3 statement.
void BM_SqliteUpdateRatio(benchmark::State& state)
{
    auto& f = sqlite_fixture();
    if (!f.ok) {
        state.SkipWithError("setup failed");
        return;
    }
    constexpr int updates = 10000;
    sqlite3* db = nullptr;
    sqlite3_open_v2(f.path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 10000);
    double plain_s = 0, hearth_s = 0;
    long round = 0;
    for (auto _ : state) {
        ++round;
        double t0 = thread_seconds();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "UPDATE bench_person SET Age = ?1, Name = ?2 WHERE PersonNo = ?3 AND Age = ?4", -1,
                           &stmt, nullptr);
        for (int i = 1; i <= updates; ++i) {
            const std::string name = fmt::format("plain {}", round);
            sqlite3_bind_int64(stmt, 1, i % 90);
            sqlite3_bind_text(stmt, 2, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(stmt, 3, i);
            sqlite3_bind_int64(stmt, 4, i % 90);
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        plain_s += (thread_seconds() - t0);

        t0 = thread_seconds();
        for (int i = 1; i <= updates; ++i) {
            if (f.tx.execute("UPDATE bench_person SET Age = :age, Name = :name WHERE PersonNo = :no AND Age = :old",
                             {{"age", Value(std::int32_t(i % 90))},
                              {"name", Value(fmt::format("hearth {}", round))},
                              {"no", Value(std::int32_t(i))},
                              {"old", Value(std::int32_t(i % 90))}})
                    != 0
                || f.tx.sql_nrows() != 1) {
                state.SkipWithError(f.tx.sql_err_text().c_str());
                break;
            }
        }
        f.tx.commit();
        hearth_s += (thread_seconds() - t0);
    }
    sqlite3_close(db);
    state.counters["plain_rows_per_s"] = updates * double(state.iterations()) / plain_s;
    state.counters["hearth_rows_per_s"] = updates * double(state.iterations()) / hearth_s;
    state.counters["ratio"] = hearth_s / plain_s;
}

// ---------------------------------------------------------------------------------------
// PostgreSQL

PgFixture& pg_fixture()
{
    static PgFixture fixture("hearth_bench");
    return fixture;
}

void BM_PostgresRetrieveRatio(benchmark::State& state)
{
    auto& f = pg_fixture();
    if (!f.ok) {
        state.SkipWithError("HEARTH_TEST_PG is not set or the server is unreachable");
        return;
    }
    PlainColumns plain;
    Columns typed;
    double plain_s = 0, typed_s = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(plain_libpq_retrieve(f.conn, plain));
        plain_s += seconds_since(t0);
        t0 = Clock::now();
        benchmark::DoNotOptimize(hearth_retrieve(f.tx, typed));
        typed_s += seconds_since(t0);
    }
    if (typed.rows() != std::size_t(row_count) || plain.person_no.size() != std::size_t(row_count))
        state.SkipWithError("row count differs");
    state.counters["plain_ms"] = plain_s * 1000 / double(state.iterations());
    state.counters["hearth_ms"] = typed_s * 1000 / double(state.iterations());
    state.counters["ratio"] = typed_s / plain_s;
}

} // namespace

BENCHMARK(BM_SqlitePlainStepLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteTransactionQueryTyped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteTransactionQueryValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteRetrieveRatio)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SqliteUpdateRatio)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PostgresRetrieveRatio)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
