// The toolbar's deletion of a household of 8 persons with every archive switch on, through the
// scenario player on a SQLite community, with 10,000 and with 1,000,000 rows already in the
// history tables. Each iteration plays the household sheet's opening alone, then the opening
// and the deletion of 8 such households; the difference over 8 is one deletion's time (manual
// time). "statements" counts what one deletion runs (statements, BEGINs and COMMITs on both
// databases). The ratio of the two times, the larger history's over the smaller's, is the
// figure that has to stay near 1: a deletion must not slow down as the history grows.
//
//   bench_deletion --benchmark_format=json

#include "ratio_reporter.h"

#include "app/init_db.h"
#include "app/player.h"
#include "host/object/class_registry.h"
#include "host/sql/fault_injection.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr long small_history = 10'000;
constexpr long large_history = 1'000'000;
constexpr int persons_per_household = 8;
constexpr int deletions = 8; // households deleted in one iteration

const fs::path root = fs::temp_directory_path() / fmt::format("hearth_bench_deletion_{}", ::getpid());

bool exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "bench_deletion: %s: %s\n", sql.c_str(), message ? message : "");
    sqlite3_free(message);
    return false;
}

// `rows` rows of history, in one transaction, spread over the tables a household's deletion
// reads and writes: three tenths persons, a tenth each of households, other information,
// companies, elders, children, adult women and relations.
bool fill_history(const fs::path& archive, long rows)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(archive.c_str(), &db) == SQLITE_OK && exec(db, "BEGIN");
    const long tenth = rows / 10;
    auto numbers = [](long count) {
        return fmt::format("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < {}) ", count);
    };
    const std::string saved = "'5', '2020-01-01 00:00:00'";
    const std::string statements[] = {
        numbers(tenth) + "INSERT INTO th_ge_rpr (RprNo, HostName, IsSave, SaveTime) SELECT printf('H%09d', i), '旧户', "
            + saved + " FROM n",
        numbers(3 * tenth)
            + "INSERT INTO th_ge_personinfo (PersonNo, RprNo, Name, IsSave, SaveTime) SELECT printf('H%011d', i), "
              "printf('H%09d', i / 3), '旧人', "
            + saved + " FROM n",
        numbers(tenth)
            + "INSERT INTO th_ge_personotherinfo (PersonNo, Hobby, IsSave, SaveTime) SELECT printf('H%011d', i), "
              "'书', "
            + saved + " FROM n",
        numbers(tenth)
            + "INSERT INTO th_ge_company (OrderNo, PersonNo, CompanyName, IsSave, SaveTime) SELECT i, "
              "printf('H%011d', i), '厂', "
            + saved + " FROM n",
        numbers(tenth)
            + "INSERT INTO th_sv_elderinfo (OrderNo, PersonNo, Guardian, IsSave, SaveTime) SELECT i, "
              "printf('H%011d', i), '子', "
            + saved + " FROM n",
        numbers(tenth)
            + "INSERT INTO th_sv_children (OrderNo, PersonNo, School, IsSave, SaveTime) SELECT i, "
              "printf('H%011d', i), '校', "
            + saved + " FROM n",
        numbers(tenth)
            + "INSERT INTO th_mh_adultwomaninfo (OrderNo, PersonNo, ChildNum, IsSave, SaveTime) SELECT i, "
              "printf('H%011d', i), 1, "
            + saved + " FROM n",
        numbers(rows - 9 * tenth)
            + "INSERT INTO tc_ge_personrelation (PersonNo, RoleRelation, PersonNo2, SaveTime) SELECT "
              "printf('H%011d', i), '11', printf('H%011d', i + 1), '2020-01-01 00:00:00' FROM n",
    };
    for (const std::string& statement : statements)
        ok = ok && exec(db, statement);
    ok = ok && exec(db, "COMMIT");
    sqlite3_close(db);
    return ok;
}

// Households A<batch><n> of 8 persons, each person with other information, a company, an elder
// or a child record and a photo. Their numbers sort before the sample's, so they are the first
// rows of the household grid.
bool add_households(const fs::path& folder, int batch)
{
    sqlite3* records = nullptr;
    sqlite3* archive = nullptr;
    bool ok = sqlite3_open((folder / hearth::records_file).c_str(), &records) == SQLITE_OK
        && sqlite3_open((folder / hearth::archive_file).c_str(), &archive) == SQLITE_OK && exec(records, "BEGIN")
        && exec(archive, "BEGIN");
    for (int h = 0; h < deletions && ok; ++h) {
        const std::string rprno = fmt::format("A{:05d}{:04d}", batch, h);
        ok = exec(records,
                  fmt::format("INSERT INTO TC_GE_Rpr (RprNo, HostName, RprType) VALUES ('{}', '户主', '城镇')", rprno));
        for (int p = 0; p < persons_per_household && ok; ++p) {
            const std::string personno = fmt::format("{}{:02d}", rprno, p);
            const long order = 50'000'000L + batch * 1000L + h * 10L + p;
            ok = exec(records,
                      fmt::format("INSERT INTO TC_GE_PersonInfo (PersonNo, RprNo, Name, Sex, HostRelation) "
                                  "VALUES ('{0}', '{1}', '成员{2}', '{3}', '{4}')",
                                  personno, rprno, p, p % 2 ? "2" : "1", p == 0 ? "02" : "03"))
                && exec(
                     records,
                     fmt::format("INSERT INTO TC_GE_PersonOtherInfo (PersonNo, Hobby) VALUES ('{}', '书')", personno))
                && exec(records,
                        fmt::format("INSERT INTO TC_GE_Company (OrderNo, PersonNo, CompanyName) VALUES ({}, "
                                    "'{}', '厂')",
                                    order, personno))
                && exec(records,
                        fmt::format("INSERT INTO {} (OrderNo, PersonNo) VALUES ({}, '{}')",
                                    p < 4 ? "TC_SV_ElderInfo" : "TC_SV_Children", order, personno))
                && exec(archive,
                        fmt::format("INSERT INTO TS_PersonPhoto (PersonNo, Photo) VALUES ('{}', x'00')", personno));
        }
    }
    ok = ok && exec(records, "COMMIT") && exec(archive, "COMMIT");
    sqlite3_close(records);
    sqlite3_close(archive);
    return ok;
}

fs::path write_scenario(const std::string& name, bool with_deletions)
{
    std::string text = "login velmora_admin bench\nopen w_ge_rpr\n";
    for (int i = 0; with_deletions && i < deletions; ++i)
        text += "row 1\nanswer 1\nanswer 1\npress p_del\n";
    const fs::path path = root / name;
    std::ofstream(path) << text;
    return path;
}

double cpu_seconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Played {
    double seconds = 0;
    double cpu = 0;
    long statements = 0;
    bool ok = false;
    std::string transcript;
};

Played play(const fs::path& scenario, const fs::path& folder)
{
    hearth::ClassRegistry registry;
    std::ostringstream out;
    auto plan = std::make_shared<hearth::sql::FaultPlan>();
    hearth::sql::install_fault_plan(plan);
    const double cpu_start = cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    const int status = hearth::play({scenario, folder.string(), {HEARTH_APP_OBJECTS}, {}}, registry, out, out);
    const auto stop = std::chrono::steady_clock::now();
    hearth::sql::install_fault_plan(nullptr);
    const double cpu = cpu_seconds() - cpu_start;
    return {std::chrono::duration<double>(stop - start).count(), cpu, plan->counted, status == 0, out.str()};
}

// One deletion's CPU time in milliseconds, by history rows: on a shared machine the steadier
// figure (the real time waits for the disk as well).
std::map<long, double> deletion_cpu_ms;

fs::path community(long history) { return root / fmt::format("history_{}", history); }

void delete_households(benchmark::State& state)
{
    const fs::path folder = community(state.range(0));
    const fs::path opening = root / "open.play";
    const fs::path deleting = root / "delete.play";
    static int batch = 0;
    long statements = 0;
    double cpu = 0;
    for (auto _ : state) {
        if (!add_households(folder, ++batch)) {
            state.SkipWithError("the households to delete could not be added");
            return;
        }
        const Played open = play(opening, folder);
        const Played both = play(deleting, folder);
        if (!open.ok || !both.ok || both.transcript.find("删除不成功") != std::string::npos) {
            state.SkipWithError(("the deletions did not run:\n" + both.transcript).c_str());
            return;
        }
        state.SetIterationTime((both.seconds - open.seconds) / deletions);
        statements = (both.statements - open.statements) / deletions;
        cpu += (both.cpu - open.cpu) / deletions;
    }
    deletion_cpu_ms[state.range(0)] = cpu * 1000 / static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = deletion_cpu_ms[state.range(0)];
    state.counters["statements"] = static_cast<double>(statements);
    state.counters["history_rows"] = static_cast<double>(state.range(0));
}

BENCHMARK(delete_households)
    ->Arg(small_history)
    ->Arg(large_history)
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

void prepare()
{
    fs::create_directories(root);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    write_scenario("open.play", false);
    write_scenario("delete.play", true);
    for (long history : {small_history, large_history}) {
        auto made = hearth::init_db({community(history).string(), 30, 1, "bench"});
        if (!made || !fill_history(community(history) / hearth::archive_file, history)) {
            std::fprintf(stderr, "bench_deletion: %s\n",
                         made ? "the history could not be filled" : made.error().c_str());
            std::exit(1);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int status = hearth::bench::run_benchmarks_with_ratios(
        argc, argv, prepare, [](const hearth::bench::RunTimes& seconds, const char* clock) {
            const double small = seconds(fmt::format("delete_households/{}/iterations:6/manual_time", small_history));
            const double large = seconds(fmt::format("delete_households/{}/iterations:6/manual_time", large_history));
            // Manual time is the deletion's alone; the CPU clock would count the openings too.
            if (small > 0 && large > 0 && std::string_view(clock) == "real")
                std::printf("real  one deletion: %.1f ms with %ld history rows, %.1f ms with %ld; ratio %.2f (at most "
                            "1.20)\n",
                            small * 1000, small_history, large * 1000, large_history, large / small);
            const double cpu_small = deletion_cpu_ms[small_history];
            const double cpu_large = deletion_cpu_ms[large_history];
            if (cpu_small > 0 && cpu_large > 0 && std::string_view(clock) != "real")
                std::printf("cpu   one deletion: %.1f ms with %ld history rows, %.1f ms with %ld; ratio %.2f (at most "
                            "1.20)\n",
                            cpu_small, small_history, cpu_large, large_history, cpu_large / cpu_small);
        });
    fs::remove_all(root);
    return status;
}
