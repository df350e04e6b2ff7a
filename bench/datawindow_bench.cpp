// DataWindow engine speed against plain C++ over the same values:
//   sort:   "name A, personnum A" on 200,000 rows vs std::stable_sort of an index over a
//           std::vector<std::string> and a std::vector<std::int64_t>; target ratio <= 2.
//   filter: "rprno > 'R1000' and personnum >= 2 and not isnull(name)" vs a hand-written loop
//           over plain vectors; target >= 5 million rows per second.
//   sum:    Evaluate('sum(amount for all)') on 200,000 rows vs a plain loop adding the same
//           decimal column in Primary! order; target ratio <= 2.
//   export: SaveAs Text! of 200,000 rows with a computed field sum(amount for all) in the
//           detail band vs the same export without it; target ratio <= 1.2.
//   load:   parsing a source of 20,000 and of 200,000 named controls: the time per control
//           of the large one over that of the small one; target <= 5 (the larger working set
//           costs cache misses; a load quadratic in the controls gives 10 or more).
// Run: bench_datawindow --benchmark_format=json (ratios are printed to stderr at the end).
#include "host/datawindow/datawindow.h"
#include "host/datawindow/saveas.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <numeric>
#include <random>

using namespace hearth;
using hearth::bench::run_benchmarks_with_ratios;
using hearth::bench::RunTimes;
using namespace hearth::dw;

namespace {

constexpr std::size_t row_total = 200'000;

const char* object_source = R"(release 10;
datawindow(units=0)
table(column=(type=char(10) name=rprno key=yes)
 column=(type=char(20) name=name)
 column=(type=long name=personnum)
 column=(type=decimal(2) name=amount)
 column=(type=date name=birthday)
 column=(type=char(8) name=region)
 column=(type=long name=seq)
 column=(type=decimal(2) name=fee)
 column=(type=date name=registered)
 column=(type=char(30) name=address)
 update="t" updatewhere=0)
)";

// The same values as plain vectors, for the baselines.
struct PlainData {
    std::vector<std::string> rprno, name;
    std::vector<std::uint8_t> name_null, personnum_null;
    std::vector<std::int64_t> personnum;
};

struct Fixture {
    Engine engine;
    PlainData plain;

    Fixture()
    {
        auto object = ObjectDefinition::parse(object_source, "bench.srd");
        if (!object || !engine.set_object(std::move(*object)))
            throw std::runtime_error("bench object does not load");
        std::mt19937 random(20261208);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        static const char* names[] = {"Zhang", "wang", "Li", "zhao", "Liu", "chen", "Yang", "huang", "Zhou", "wu"};
        RowLoader loader = engine.load_rows(ItemStatus::NotModified);
        for (std::size_t i = 0; i < row_total; ++i) {
            std::string rprno = fmt::format("R{:04}", pick(2000));
            bool name_null = pick(20) == 0;
            std::string name = fmt::format("{} {}", names[pick(10)], pick(5000));
            bool personnum_null = pick(50) == 0;
            std::int64_t personnum = pick(6);
            loader.begin_row();
            loader.set_string(0, rprno);
            name_null ? loader.set_null(1) : loader.set_string(1, name);
            personnum_null ? loader.set_null(2) : loader.set_integer(2, personnum);
            loader.set_decimal(3, Decimal::from_parts(pick(1'000'000), 2));
            loader.set_date(4,
                            Date {static_cast<std::int16_t>(1930 + pick(80)), static_cast<std::uint8_t>(1 + pick(12)),
                                  static_cast<std::uint8_t>(1 + pick(28))});
            loader.set_string(5, fmt::format("RG{}", pick(40)));
            loader.set_integer(6, static_cast<std::int64_t>(i));
            loader.set_decimal(7, Decimal::from_parts(pick(10'000), 2));
            loader.set_date(
                8, Date {2020, static_cast<std::uint8_t>(1 + pick(12)), static_cast<std::uint8_t>(1 + pick(28))});
            loader.set_string(9, fmt::format("Building {} Room {}", pick(300), pick(900)));
            plain.rprno.push_back(rprno);
            plain.name.push_back(name_null ? std::string() : name);
            plain.name_null.push_back(name_null ? 1 : 0);
            plain.personnum.push_back(personnum_null ? 0 : personnum);
            plain.personnum_null.push_back(personnum_null ? 1 : 0);
        }
        loader.commit();
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

void BM_SortBaseline(benchmark::State& state)
{
    const PlainData& data = fixture().plain;
    std::vector<std::uint32_t> order(row_total);
    for (auto _ : state) {
        state.PauseTiming();
        std::iota(order.begin(), order.end(), 0u);
        state.ResumeTiming();
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            if (data.name[a] != data.name[b])
                return data.name[a] < data.name[b];
            return data.personnum[a] < data.personnum[b];
        });
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * row_total));
}
BENCHMARK(BM_SortBaseline)->Unit(benchmark::kMillisecond);

void BM_SortEngine(benchmark::State& state)
{
    Engine& engine = fixture().engine;
    for (auto _ : state) {
        state.PauseTiming();
        engine.set_sort("seq A"); // back to the loading order
        engine.sort();
        engine.set_sort("name A, personnum A");
        state.ResumeTiming();
        engine.sort();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * row_total));
}
BENCHMARK(BM_SortEngine)->Unit(benchmark::kMillisecond);

void BM_FilterBaseline(benchmark::State& state)
{
    const PlainData& data = fixture().plain;
    std::vector<std::uint32_t> kept, failed;
    for (auto _ : state) {
        kept.clear();
        failed.clear();
        for (std::uint32_t i = 0; i < row_total; ++i) {
            bool pass
                = data.rprno[i] > "R1000" && !data.personnum_null[i] && data.personnum[i] >= 2 && !data.name_null[i];
            (pass ? kept : failed).push_back(i);
        }
        benchmark::DoNotOptimize(kept.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * row_total));
}
BENCHMARK(BM_FilterBaseline)->Unit(benchmark::kMillisecond);

void BM_FilterEngine(benchmark::State& state)
{
    Engine& engine = fixture().engine;
    if (engine.set_filter("rprno > 'R1000' and personnum >= 2 and not isnull(name)") != 1)
        state.SkipWithError("filter does not compile");
    for (auto _ : state) {
        engine.filter(); // every row of Primary! and Filter! is tested each time
        benchmark::DoNotOptimize(engine.row_count());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * row_total));
    engine.set_filter("");
    engine.filter();
}
BENCHMARK(BM_FilterEngine)->Unit(benchmark::kMillisecond);

void BM_SumBaseline(benchmark::State& state)
{
    const Engine& engine = fixture().engine;
    const ColumnValues& amount = engine.rows().column(3);
    const auto values = amount.decimals();
    for (auto _ : state) {
        Decimal total;
        for (Slot slot : engine.slots(Buffer::Primary))
            if (!amount.is_null(slot))
                total = total.add(values[slot]).value_or(total);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * row_total));
}
BENCHMARK(BM_SumBaseline)->Unit(benchmark::kMillisecond);

void BM_SumEngine(benchmark::State& state)
{
    const Engine& engine = fixture().engine;
    for (auto _ : state) {
        // compiled afresh each time, so the sum is computed each time
        auto total = engine.evaluate("sum(amount for all)", 1);
        if (!total)
            state.SkipWithError(total.error().c_str());
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * row_total));
}
BENCHMARK(BM_SumEngine)->Unit(benchmark::kMillisecond);

// SaveAs Text!'s row writer, its blocks counted and dropped.
void export_rows(benchmark::State& state, const Engine& engine)
{
    for (auto _ : state) {
        std::size_t bytes = 0;
        auto written = write_text(engine, '\t', ColumnHeadings::Off, [&](std::string_view block) -> Result<void> {
            bytes += block.size();
            return {};
        });
        if (!written)
            state.SkipWithError(written.error().c_str());
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * row_total));
}

void BM_ExportBaseline(benchmark::State& state) { export_rows(state, fixture().engine); }
BENCHMARK(BM_ExportBaseline)->Unit(benchmark::kMillisecond);

void BM_ExportWithTotal(benchmark::State& state)
{
    Engine& engine = fixture().engine;
    std::string created
        = engine.modify("create compute(band=detail expression=\"sum(amount for all)\" x=\"0\" y=\"0\" height=\"60\" "
                        "width=\"200\" name=c_total)");
    if (!created.empty())
        state.SkipWithError(created.c_str());
    export_rows(state, engine);
    engine.modify("destroy c_total");
}
BENCHMARK(BM_ExportWithTotal)->Unit(benchmark::kMillisecond);
// A source with `count` named text controls and column controls showing its two columns.
const std::string& source_with_controls(std::int64_t count)
{
    static std::map<std::int64_t, std::string> sources;
    std::string& text = sources[count];
    if (text.empty()) {
        text = "release 10;\ndatawindow(units=0)\ntable(column=(type=char(10) name=a) column=(type=long name=b))\n";
        for (std::int64_t i = 0; i < count; ++i)
            text += i % 10 == 0
                ? fmt::format("column(band=detail id={} x=\"{}\" name=c_{})\n", i % 20 == 0 ? 1 : 2, i, i)
                : fmt::format("text(band=header text=\"t{}\" x=\"{}\" name=t_{})\n", i, i, i);
    }
    return text;
}

void BM_LoadSource(benchmark::State& state)
{
    const std::string& text = source_with_controls(state.range(0));
    for (auto _ : state) {
        auto object = ObjectDefinition::parse(text, "load.srd");
        if (!object)
            state.SkipWithError("the source does not load");
        benchmark::DoNotOptimize(object);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadSource)->Arg(20'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

// The ratios against the plain baselines, for one clock.
void print_ratios(const RunTimes& seconds, const char* clock)
{
    if (seconds("BM_SortEngine") > 0 && seconds("BM_SortBaseline") > 0)
        std::cerr << fmt::format("[{}] sort   engine/baseline time ratio: {:.2f} (target <= 2.00)\n", clock,
                                 seconds("BM_SortEngine") / seconds("BM_SortBaseline"));
    if (seconds("BM_FilterEngine") > 0 && seconds("BM_FilterBaseline") > 0)
        std::cerr << fmt::format("[{}] filter engine/baseline time ratio: {:.2f}\n", clock,
                                 seconds("BM_FilterEngine") / seconds("BM_FilterBaseline"));
    double small = seconds("BM_LoadSource/20000"), large = seconds("BM_LoadSource/200000");
    if (small > 0 && large > 0)
        std::cerr << fmt::format("[{}] load   time per control 200,000 / 20,000:  {:.2f} (target <= 5.00)\n", clock,
                                 large / 200'000 / (small / 20'000));
    if (seconds("BM_FilterEngine") > 0)
        std::cerr << fmt::format("[{}] filter engine rows per second:     {:.2f} million (target >= 5.00)\n", clock,
                                 row_total / seconds("BM_FilterEngine") / 1e6);
    if (seconds("BM_SumEngine") > 0 && seconds("BM_SumBaseline") > 0)
        std::cerr << fmt::format("[{}] sum    engine/baseline time ratio: {:.2f} (target <= 2.00)\n", clock,
                                 seconds("BM_SumEngine") / seconds("BM_SumBaseline"));
    if (seconds("BM_ExportWithTotal") > 0 && seconds("BM_ExportBaseline") > 0)
        std::cerr << fmt::format("[{}] export with/without total time ratio: {:.2f} (target <= 1.20)\n", clock,
                                 seconds("BM_ExportWithTotal") / seconds("BM_ExportBaseline"));
}

} // namespace

int main(int argc, char** argv)
{
    return run_benchmarks_with_ratios(
        argc, argv, [] { fixture(); }, print_ratios);
}
