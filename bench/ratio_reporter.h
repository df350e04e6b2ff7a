#pragma once
// The benchmarks' common main: every run goes on to the display reporter (console or JSON, as
// --benchmark_format says), and each benchmark's real and CPU time per iteration is kept, so
// that the benchmark prints its ratios against its plain baseline at the end, for both clocks:
// on a shared machine the CPU figures are the steadier ones.

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hearth::bench {

// Seconds per iteration by benchmark name; 0 for a benchmark that did not run.
class RunTimes {
public:
    explicit RunTimes(const std::map<std::string, double>& seconds) : m_seconds(seconds) {}
    double operator()(const std::string& name) const
    {
        auto it = m_seconds.find(name);
        return it == m_seconds.end() ? 0.0 : it->second;
    }

private:
    const std::map<std::string, double>& m_seconds;
};

// Prints the ratios of one clock's times; `clock` is "real" or "cpu ".
using RatioPrinter = std::function<void(const RunTimes& seconds, const char* clock)>;

class RatioReporter : public benchmark::BenchmarkReporter {
public:
    explicit RatioReporter(benchmark::BenchmarkReporter* inner) : m_inner(inner) {}
    bool ReportContext(const Context& context) override { return m_inner->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                m_seconds[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
                m_cpu_seconds[run.benchmark_name()] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            }
        m_inner->ReportRuns(runs);
    }
    void Finalize() override { m_inner->Finalize(); }

    void print_ratios(const RatioPrinter& print) const
    {
        print(RunTimes(m_seconds), "real");
        print(RunTimes(m_cpu_seconds), "cpu ");
    }

private:
    benchmark::BenchmarkReporter* m_inner;
    std::map<std::string, double> m_seconds;
    std::map<std::string, double> m_cpu_seconds;
};

// main() of a benchmark program: `prepare` builds the data before any timing, then the
// benchmarks chosen on the command line run, then `print` gives the ratios.
inline int run_benchmarks_with_ratios(int argc, char** argv, const std::function<void()>& prepare,
                                      const RatioPrinter& print)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    prepare();
    std::unique_ptr<benchmark::BenchmarkReporter> inner(benchmark::CreateDefaultDisplayReporter());
    RatioReporter reporter(inner.get());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_ratios(print);
    benchmark::Shutdown();
    return 0;
}

} // namespace hearth::bench
