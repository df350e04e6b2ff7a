// The Excel export against plain loops writing the same cells, 65,000 rows x 10 columns
// (four text columns, three number columns, two dates, a datetime) with a header row:
//   xls:  gf_dw_to_excel_parm's export of a DataWindow vs a loop over plain vectors writing
//         the same cells through the same workbook writer; target ratio <= 2.
//   xlsx: the same export to .xlsx vs a loop calling libxlsxwriter directly; target <= 2.
// Both sides write the file to disk, in one temporary folder.
// Run: bench_excel_export --benchmark_format=json (ratios are printed to stderr at the end).
#include "app/excel/excel_export.h"
#include "app/excel/xls_workbook.h"
#include "host/ui/engine_access.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <random>

using namespace hearth;
using hearth::bench::run_benchmarks_with_ratios;
using hearth::bench::RunTimes;

namespace {

namespace fs = std::filesystem;

constexpr long row_total = 65'000;
constexpr int column_total = 10;

const char* object_source = R"(release 10;
datawindow(units=0)
detail(height=80)
table(column=(type=char(10) name=code dbname="t.code")
 column=(type=char(20) name=name dbname="t.name")
 column=(type=long name=persons dbname="t.persons")
 column=(type=decimal(2) name=amount dbname="t.amount")
 column=(type=date name=born dbname="t.born")
 column=(type=char(8) name=region dbname="t.region")
 column=(type=number name=area dbname="t.area")
 column=(type=datetime name=stamp dbname="t.stamp")
 column=(type=char(30) name=address dbname="t.address")
 column=(type=date name=moved dbname="t.moved"))
text(band=header text="编号" x="10" name=code_t)
text(band=header text="姓名" x="110" name=name_t)
text(band=header text="人数" x="210" name=persons_t)
text(band=header text="金额" x="310" name=amount_t)
text(band=header text="出生日期" x="410" name=born_t)
text(band=header text="片区" x="510" name=region_t)
text(band=header text="面积" x="610" name=area_t)
text(band=header text="登记时间" x="710" name=stamp_t)
text(band=header text="地址" x="810" name=address_t)
text(band=header text="迁入日期" x="910" name=moved_t)
column(band=detail id=1 x="10" name=code)
column(band=detail id=2 x="110" name=name)
column(band=detail id=3 x="210" name=persons)
column(band=detail id=4 x="310" name=amount)
column(band=detail id=5 x="410" name=born)
column(band=detail id=6 x="510" name=region)
column(band=detail id=7 x="610" name=area)
column(band=detail id=8 x="710" name=stamp)
column(band=detail id=9 x="810" name=address)
column(band=detail id=10 x="910" name=moved)
)";

const char* const titles[column_total]
    = {"编号", "姓名", "人数", "金额", "出生日期", "片区", "面积", "登记时间", "地址", "迁入日期"};

// One cell as the plain loops hold it: text, or a number with its style.
struct PlainCell {
    std::string text;
    double number = 0;
    excel::CellStyle style = excel::CellStyle::General;
    bool is_text = false;
};

struct Fixture {
    DataStore store;
    std::vector<PlainCell> cells; // row after row
    fs::path folder = fs::temp_directory_path() / fmt::format("hearth_excel_bench_{}", ::getpid());

    Fixture()
    {
        fs::create_directories(folder);
        auto object = dw::ObjectDefinition::parse(object_source, "bench.srd");
        if (!object || store.set_dataobject(std::move(*object)) != 1)
            throw std::runtime_error("bench object does not load");
        std::mt19937 random(20261209);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        static const char* surnames[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴"};
        static const char* regions[] = {"东区", "西区", "南区", "北区", "中心区"};
        dw::RowLoader loader = EngineAccess::engine(store).load_rows(dw::ItemStatus::NotModified);
        cells.reserve(std::size_t(row_total) * column_total);
        auto text = [&](std::size_t column, std::string value) {
            loader.set_string(column, value);
            cells.push_back({std::move(value), 0, excel::CellStyle::General, true});
        };
        auto number = [&](double value, excel::CellStyle style = excel::CellStyle::General) {
            cells.push_back({{}, value, style, false});
        };
        auto date = [&](std::size_t column, Date value) {
            loader.set_date(column, value);
            number(*excel::excel_day(value), excel::CellStyle::Date);
        };
        for (long i = 0; i < row_total; ++i) {
            loader.begin_row();
            text(0, fmt::format("H{:06}", i));
            text(1, fmt::format("{}{}", surnames[pick(10)], pick(5000)));
            const int persons = 1 + pick(6);
            loader.set_integer(2, persons);
            number(persons);
            const std::int64_t cents = pick(10'000'000);
            loader.set_decimal(3, Decimal::from_parts(cents, 2));
            number(static_cast<double>(cents) / 100);
            date(4,
                 Date {static_cast<std::int16_t>(1930 + pick(80)), static_cast<std::uint8_t>(1 + pick(12)),
                       static_cast<std::uint8_t>(1 + pick(28))});
            text(5, regions[pick(5)]);
            const double area = 30 + pick(2000) / 10.0;
            loader.set_double(6, area);
            number(area);
            const DateTime stamp {
                {2024, static_cast<std::uint8_t>(1 + pick(12)), static_cast<std::uint8_t>(1 + pick(28))},
                {static_cast<std::uint8_t>(pick(24)), static_cast<std::uint8_t>(pick(60)), 0, 0}};
            loader.set_datetime(7, stamp);
            number(*excel::excel_day(stamp.date) + (stamp.time.hour * 3600.0 + stamp.time.minute * 60.0) / 86400.0,
                   excel::CellStyle::DateTime);
            text(8, fmt::format("幸福路{}号{}室", pick(300), pick(900)));
            date(9, Date {2020, static_cast<std::uint8_t>(1 + pick(12)), static_cast<std::uint8_t>(1 + pick(28))});
        }
        loader.commit();
    }
    ~Fixture() { fs::remove_all(folder); }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

const n_excel_parm header_and_detail {true, false, false, false, true, false, false, false};

void check(const Result<void>& done, benchmark::State& state)
{
    if (!done)
        state.SkipWithError(done.error().c_str());
}

void BM_XlsBaseline(benchmark::State& state)
{
    const Fixture& f = fixture();
    const fs::path file = f.folder / "plain.xls";
    for (auto _ : state) {
        auto opened = excel::XlsWorkbook::open(file);
        if (!opened) {
            state.SkipWithError(opened.error().c_str());
            break;
        }
        excel::XlsWorkbook& book = **opened;
        book.add_sheet("Sheet1");
        for (std::uint32_t c = 0; c < column_total; ++c)
            check(book.write_text(0, c, titles[c], excel::CellStyle::Heading), state);
        std::size_t i = 0;
        for (std::uint32_t row = 1; row <= row_total; ++row)
            for (std::uint32_t c = 0; c < column_total; ++c, ++i) {
                const PlainCell& cell = f.cells[i];
                if (cell.is_text)
                    check(book.write_text(row, c, cell.text, cell.style), state);
                else
                    check(book.write_number(row, c, cell.number, cell.style), state);
            }
        check(book.save(), state);
    }
    state.SetItemsProcessed(state.iterations() * row_total);
}
BENCHMARK(BM_XlsBaseline)->Unit(benchmark::kMillisecond);

void BM_XlsExport(benchmark::State& state)
{
    const Fixture& f = fixture();
    for (auto _ : state)
        check(excel::export_datawindow(f.store, f.folder / "export.xls", header_and_detail), state);
    state.SetItemsProcessed(state.iterations() * row_total);
}
BENCHMARK(BM_XlsExport)->Unit(benchmark::kMillisecond);

void BM_XlsxBaseline(benchmark::State& state)
{
    const Fixture& f = fixture();
    const std::string file = (f.folder / "plain.xlsx").string();
    for (auto _ : state) {
        lxw_workbook_options options {};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* book = workbook_new_opt(file.c_str(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
        lxw_format* formats[5] = {};
        formats[int(excel::CellStyle::Date)] = workbook_add_format(book);
        format_set_num_format(formats[int(excel::CellStyle::Date)], "yyyy-mm-dd");
        formats[int(excel::CellStyle::DateTime)] = workbook_add_format(book);
        format_set_num_format(formats[int(excel::CellStyle::DateTime)], "yyyy-mm-dd hh:mm:ss");
        formats[int(excel::CellStyle::Heading)] = workbook_add_format(book);
        format_set_bold(formats[int(excel::CellStyle::Heading)]);
        for (lxw_col_t c = 0; c < column_total; ++c)
            worksheet_write_string(sheet, 0, c, titles[c], formats[int(excel::CellStyle::Heading)]);
        std::size_t i = 0;
        for (lxw_row_t row = 1; row <= row_total; ++row)
            for (lxw_col_t c = 0; c < column_total; ++c, ++i) {
                const PlainCell& cell = f.cells[i];
                if (cell.is_text)
                    worksheet_write_string(sheet, row, c, cell.text.c_str(), formats[int(cell.style)]);
                else
                    worksheet_write_number(sheet, row, c, cell.number, formats[int(cell.style)]);
            }
        if (const lxw_error closed = workbook_close(book); closed != LXW_NO_ERROR)
            state.SkipWithError(lxw_strerror(closed));
    }
    state.SetItemsProcessed(state.iterations() * row_total);
}
BENCHMARK(BM_XlsxBaseline)->Unit(benchmark::kMillisecond);

void BM_XlsxExport(benchmark::State& state)
{
    const Fixture& f = fixture();
    for (auto _ : state)
        check(excel::export_datawindow(f.store, f.folder / "export.xlsx", header_and_detail), state);
    state.SetItemsProcessed(state.iterations() * row_total);
}
BENCHMARK(BM_XlsxExport)->Unit(benchmark::kMillisecond);

// The ratios against the plain baselines, for one clock.
void print_ratios(const RunTimes& seconds, const char* clock)
{
    for (const char* format : {"Xls", "Xlsx"}) {
        const double exported = seconds(fmt::format("BM_{}Export", format));
        const double plain = seconds(fmt::format("BM_{}Baseline", format));
        if (exported > 0 && plain > 0)
            std::cerr << fmt::format("[{}] {:<4} export/plain loop time ratio: {:.2f} (target <= 2.00)\n", clock,
                                     format, exported / plain);
    }
}

} // namespace

int main(int argc, char** argv)
{
    return run_benchmarks_with_ratios(
        argc, argv, [] { fixture(); }, print_ratios);
}
