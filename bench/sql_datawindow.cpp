// DataWindow Retrieve and Update through a transaction against plain loops in the same run:
// Retrieve of 200,000 rows of 10 columns (SQLite, and PostgreSQL when HEARTH_TEST_PG names a
// server) against a plain sqlite3_step / libpq loop into typed vectors; Update of 10,000
// modified rows in one transaction on SQLite, in rows per second.
//
//   bench_sql_datawindow --benchmark_format=json

#include "sql_bench_data.h"

#include "host/datawindow/database.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

using namespace hearth;
using namespace hearth::bench;
using namespace hearth::dw;

namespace {

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

std::unique_ptr<Engine> person_engine()
{
    auto engine = std::make_unique<Engine>();
    auto object = ObjectDefinition::parse(person_object, "bench.srd");
    if (!object.ok() || !engine->set_object(std::move(*object)).ok())
        return nullptr;
    return engine;
}

struct SqliteFixture {
    std::string path;
    Transaction tx {"sqlca"};
    sqlite3* db = nullptr;
    bool ok = false;

    SqliteFixture()
    {
        path = (std::filesystem::temp_directory_path() / fmt::format("hearth-bench-dw-{}.db", ::getpid())).string();
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

SqliteFixture& sqlite_fixture()
{
    static SqliteFixture fixture;
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

struct PgFixture {
    Transaction tx {"sqlca"};
    PGconn* conn = nullptr;
    bool ok = false;
    std::string schema = fmt::format("hearth_bench_dw_{}", ::getpid());

    PgFixture()
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

void BM_DataWindowRetrievePostgresRatio(benchmark::State& state)
{
    static PgFixture f;
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
