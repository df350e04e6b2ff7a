// The whole pipeline as a user runs it, against the database's command line producing the
// same rows with the same WHERE and ORDER BY in SQL (time), and against a plain program that
// keeps the rows as typed columns with one text arena and filters, sorts and writes them
// itself (peak memory); each as a process of its own, in turns, in one run, over 200,000
// persons of 10 columns:
//
//   dwtool OBJECT --db DB --retrieve --filter 'age >= 30' --sort 'name A, personno A' --export text OUT
//   sqlite3 -tabs FILE "SELECT ... WHERE age >= 30 ORDER BY name, personno" > OUT
//   psql -XAt -F '<tab>' -c "SELECT ... WHERE age >= 30 ORDER BY name COLLATE \"C\", personno" > OUT
//   bench_plain_pipeline DB OUT
//
// The time ratio is the median of the per-turn ratios; peaks are each process's maximum
// resident set size. The PostgreSQL case runs when HEARTH_TEST_PG names a server.
//
//   bench_dwtool_pipeline --benchmark_format=json

#include "sql_bench_data.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <sstream>

extern char** environ;

using namespace hearth;
using namespace hearth::bench;

namespace {

const std::string where_order = " WHERE age >= 30 ORDER BY name, personno";
const std::string sqlite3_select = select_text + where_order;
// The server's collation need not be byte order; the DataWindow compares bytes.
const std::string psql_select = std::string(select_text) + " WHERE age >= 30 ORDER BY name COLLATE \"C\", personno";

struct Run {
    int status = -1;     // exit status, -1 when it could not start or was killed
    double seconds = 0;  // wall time
    double peak_mib = 0; // maximum resident set size
};

// Runs a program (looked up in PATH) with its standard output going to `out`.
Run run(const std::vector<std::string>& args, const std::string& out)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Run result;
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    result.seconds = seconds_since(start);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peak_mib = double(usage.ru_maxrss) / 1024; // KiB on Linux
    return result;
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Outputs {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / fmt::format("hearth-pipeline-{}", ::getpid());
    std::string object = (dir / "d_bench_person.srd").string();
    std::string dwtool = (dir / "dwtool.txt").string();
    std::string command_line = (dir / "command-line.txt").string();
    std::string plain = (dir / "plain.txt").string();

    Outputs()
    {
        std::filesystem::create_directories(dir);
        std::ofstream(object, std::ios::binary) << person_object;
    }
    ~Outputs() { std::filesystem::remove_all(dir); }
};

// Runs the database's command line, the plain pipeline and dwtool in turns and reports their
// times and peaks; all three must produce the same persons in the same order.
void measure(benchmark::State& state, const Outputs& o, const std::string& db,
             const std::vector<std::string>& command_line)
{
    const std::vector<std::string> dwtool
        = {DWTOOL_PATH,          o.object,   "--db", db,      "--retrieve", "--filter", "age >= 30", "--sort",
           "name A, personno A", "--export", "text", o.dwtool};
    const std::vector<std::string> plain = {PLAIN_PIPELINE_PATH, db, o.plain};
    std::vector<double> ratios;
    double dwtool_s = 0, command_s = 0, plain_s = 0, dwtool_peak = 0, plain_peak = 0, command_peak = 0;
    for (auto _ : state) {
        const Run c = run(command_line, o.command_line);
        const Run p = run(plain, "/dev/null");
        const Run d = run(dwtool, "/dev/null");
        if (c.status != 0 || p.status != 0 || d.status != 0) {
            state.SkipWithError(
                fmt::format("exit statuses: {} {}, plain {}, dwtool {}", command_line[0], c.status, p.status, d.status)
                    .c_str());
            return;
        }
        ratios.push_back(d.seconds / c.seconds);
        command_s += c.seconds;
        plain_s += p.seconds;
        dwtool_s += d.seconds;
        dwtool_peak = std::max(dwtool_peak, d.peak_mib);
        plain_peak = std::max(plain_peak, p.peak_mib);
        command_peak = std::max(command_peak, c.peak_mib);
    }
    const auto from_dwtool = first_fields(o.dwtool);
    if (from_dwtool.empty() || from_dwtool != first_fields(o.command_line) || from_dwtool != first_fields(o.plain))
        state.SkipWithError("the outputs differ");
    const double n = double(state.iterations());
    state.counters["rows"] = double(from_dwtool.size());
    state.counters["command_line_ms"] = command_s * 1000 / n;
    state.counters["plain_ms"] = plain_s * 1000 / n;
    state.counters["dwtool_ms"] = dwtool_s * 1000 / n;
    state.counters["ratio"] = median(ratios);
    state.counters["command_line_peak_mib"] = command_peak;
    state.counters["plain_peak_mib"] = plain_peak;
    state.counters["dwtool_peak_mib"] = dwtool_peak;
    state.counters["peak_ratio"] = dwtool_peak / plain_peak;
}

void BM_DwtoolPipelineAgainstSqlite3(benchmark::State& state)
{
    static SqliteFixture data("hearth-bench-pipeline");
    static Outputs outputs;
    if (!data.ok) {
        state.SkipWithError("setup failed");
        return;
    }
    // Readers start from a checkpointed file, as after the application closed it.
    data.tx.execute_immediate("PRAGMA wal_checkpoint(TRUNCATE)");
    measure(state, outputs, data.path, {"sqlite3", "-tabs", data.path, sqlite3_select});
}

void BM_DwtoolPipelineAgainstPsql(benchmark::State& state)
{
    static PgFixture data("hearth_bench_pipeline");
    static Outputs outputs;
    if (!data.ok) {
        state.SkipWithError("HEARTH_TEST_PG is not set or the server is unreachable");
        return;
    }
    const std::string conninfo
        = fmt::format("{} options='-c search_path={}'", std::getenv("HEARTH_TEST_PG"), data.schema);
    measure(state, outputs, conninfo, {"psql", "-X", "-A", "-t", "-F", "\t", "-d", conninfo, "-c", psql_select});
}

} // namespace

BENCHMARK(BM_DwtoolPipelineAgainstSqlite3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DwtoolPipelineAgainstPsql)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
