// The whole pipeline as a user runs it, against the sqlite3 command line producing the same
// rows with the same WHERE and ORDER BY in SQL; wall time of each process, alternately, in
// one run, over 200,000 persons of 10 columns:
//
//   dwtool OBJECT --db FILE --retrieve --filter 'age >= 30' --sort 'name A, personno A' --export text OUT
//   sqlite3 -tabs FILE "SELECT ... WHERE age >= 30 ORDER BY name, personno" > OUT
//
//   bench_dwtool_pipeline --benchmark_format=json

#include "sql_bench_data.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

extern char** environ;

using namespace hearth;
using namespace hearth::bench;

namespace {

const std::string sqlite3_select = std::string(select_text) + " WHERE age >= 30 ORDER BY name, personno";

// Runs a program (looked up in PATH) with its standard output going to `out`; its exit
// status, or -1 when it could not be started.
int run(const std::vector<std::string>& args, const std::string& out)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The first field of every line: the person numbers in output order.
std::vector<std::string> first_fields(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> fields;
    for (std::string line; std::getline(in, line);)
        fields.push_back(line.substr(0, line.find('\t')));
    return fields;
}

struct PipelineFixture {
    SqliteFixture data {"hearth-bench-pipeline"};
    std::filesystem::path dir = std::filesystem::temp_directory_path() / fmt::format("hearth-pipeline-{}", ::getpid());
    std::string object = (dir / "d_bench_person.srd").string();
    std::string dwtool_out = (dir / "dwtool.txt").string();
    std::string sqlite3_out = (dir / "sqlite3.txt").string();

    PipelineFixture()
    {
        std::filesystem::create_directories(dir);
        std::ofstream(object, std::ios::binary) << person_object;
        // Readers start from a checkpointed file, as after the application closed it.
        data.tx.execute_immediate("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    ~PipelineFixture() { std::filesystem::remove_all(dir); }
};

void BM_DwtoolPipelineAgainstSqlite3(benchmark::State& state)
{
    static PipelineFixture f;
    if (!f.data.ok) {
        state.SkipWithError("setup failed");
        return;
    }
    const std::vector<std::string> dwtool = {DWTOOL_PATH, f.object, "--db", f.data.path, "--retrieve", "--filter",
                                             "age >= 30", "--sort", "name A, personno A", "--export", "text",
                                             f.dwtool_out};
    const std::vector<std::string> sqlite3 = {"sqlite3", "-tabs", f.data.path, sqlite3_select};
    double dwtool_s = 0, sqlite3_s = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        const int sqlite3_status = run(sqlite3, f.sqlite3_out);
        sqlite3_s += seconds_since(t0);
        t0 = Clock::now();
        const int dwtool_status = run(dwtool, "/dev/null");
        dwtool_s += seconds_since(t0);
        if (sqlite3_status != 0 || dwtool_status != 0) {
            state.SkipWithError(fmt::format("sqlite3 exit {}, dwtool exit {}", sqlite3_status, dwtool_status).c_str());
            return;
        }
    }
    // Both produced the same persons in the same order.
    const auto from_dwtool = first_fields(f.dwtool_out);
    const auto from_sqlite3 = first_fields(f.sqlite3_out);
    if (from_dwtool.empty() || from_dwtool != from_sqlite3)
        state.SkipWithError(fmt::format("outputs differ: {} rows against {}", from_dwtool.size(), from_sqlite3.size()).c_str());
    state.counters["rows"] = double(from_dwtool.size());
    state.counters["sqlite3_ms"] = sqlite3_s * 1000 / double(state.iterations());
    state.counters["dwtool_ms"] = dwtool_s * 1000 / double(state.iterations());
    state.counters["ratio"] = dwtool_s / sqlite3_s;
}

} // namespace

BENCHMARK(BM_DwtoolPipelineAgainstSqlite3)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
