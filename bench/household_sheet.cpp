// The household sheet on a sample database made by init-db: the grid's first retrieval of 50
// households, and a row change on the master grid that retrieves that household's persons.
// Each is measured three ways in the same run:
//   - page:   the library's tab pages (uo_tabpg_grid's ue_firstretrieve; the grid's SetRow and
//             the persons page's ue_retrieve) in an application with a main window, a toolbar,
//             sqlca and the persons page in guo_tab;
//   - dw:     the same work one level down, on DataWindow controls: Modify of the SELECT and
//             Retrieve through SetTransObject;
//   - plain:  a sqlite3 loop over the same SELECT that reads every column of every row, its
//             statement prepared once (the persons' with WHERE RprNo = ? and a bind).
// The ratios page/plain ("ratio") and dw/plain ("dw_ratio") are counters. The row changes visit
// 256 households spread over the whole database; "spliced_us" is the persons' query as a
// program that splices each key into the text runs it, prepared for every key.
//
// Databases: 200,000 households (about 600,000 persons: init-db makes 1 to 5 a household) and
// 3,334 households (about 10,000 persons), each made once per run in the temporary folder and
// removed at exit.
//
//   bench_household_sheet --benchmark_format=json

#include "sql_bench_data.h"

#include "app/app_classes.h"
#include "app/application.h"
#include "app/init_db.h"
#include "host/object/runtime.h"
#include "host/sql/dialect.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "library/library_classes.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace hearth;
using namespace hearth::bench;

namespace {

namespace fs = std::filesystem;

constexpr long large_households = 200000;
constexpr long small_households = 3334;
constexpr long first_rows = 50;
const std::string admin_password = "bench";

// ---- The sample databases ---------------------------------------------------------------------

struct SampleDatabase {
    fs::path dir;
    std::string error;
    long households = 0;
    long persons = 0;

    explicit SampleDatabase(long count)
        : dir(fs::temp_directory_path() / fmt::format("hearth_bench_sheet_{}_{}", ::getpid(), count))
    {
        auto done = init_db({dir.string(), count, 1, admin_password});
        if (!done) {
            error = done.error();
            return;
        }
        sqlite3* db = nullptr;
        sqlite3_open_v2(file().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        households = count_rows(db, "SELECT count(*) FROM TC_GE_Rpr");
        persons = count_rows(db, "SELECT count(*) FROM TC_GE_PersonInfo");
        sqlite3_close(db);
    }
    ~SampleDatabase()
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    SampleDatabase(const SampleDatabase&) = delete;
    SampleDatabase& operator=(const SampleDatabase&) = delete;

    fs::path file() const { return dir / records_file; }

    static long count_rows(sqlite3* db, const char* select)
    {
        sqlite3_stmt* stmt = nullptr;
        long n = -1;
        if (sqlite3_prepare_v2(db, select, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            n = long(sqlite3_column_int64(stmt, 0));
        sqlite3_finalize(stmt);
        return n;
    }
};

SampleDatabase& sample_database(long households)
{
    static std::map<long, std::unique_ptr<SampleDatabase>> made;
    auto& database = made[households];
    if (!database)
        database = std::make_unique<SampleDatabase>(households);
    return *database;
}

// ---- The plain loops --------------------------------------------------------------------------

// Every column of every row as a plain program keeps them: numbers as numbers, texts copied.
struct PlainRows {
    std::vector<std::int64_t> integers;
    std::vector<double> reals;
    std::vector<std::string> texts;
    long nulls = 0;

    void clear()
    {
        integers.clear();
        reals.clear();
        texts.clear();
        nulls = 0;
    }
};

// Steps a prepared statement to its end, reading every column; resets it. Returns the rows.
long read_all(sqlite3_stmt* stmt, PlainRows& out)
{
    long rows = 0;
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER: out.integers.push_back(sqlite3_column_int64(stmt, c)); break;
            case SQLITE_FLOAT: out.reals.push_back(sqlite3_column_double(stmt, c)); break;
            case SQLITE_NULL: ++out.nulls; break;
            default:
                out.texts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                       std::size_t(sqlite3_column_bytes(stmt, c)));
            }
        }
    }
    sqlite3_reset(stmt);
    return rows;
}

// A read-only connection of its own with one prepared statement.
struct PlainQuery {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    std::string error;

    PlainQuery(const fs::path& file, const std::string& select)
    {
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
            || sqlite3_prepare_v2(db, select.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            error = fmt::format("{}: {}", select, sqlite3_errmsg(db));
    }
    ~PlainQuery()
    {
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
    PlainQuery(const PlainQuery&) = delete;
    PlainQuery& operator=(const PlainQuery&) = delete;

    long run(PlainRows& out)
    {
        out.clear();
        return read_all(stmt, out);
    }
    long run(const std::string& key, PlainRows& out)
    {
        sqlite3_bind_text(stmt, 1, key.data(), int(key.size()), SQLITE_STATIC);
        return run(out);
    }
};

// The designed SELECT of a DataWindow object, and the same statement with a WHERE clause
// before its ORDER BY.
std::string designed_select(DataWindowBase& dw) { return dw.describe("datawindow.table.select"); }

std::string with_where(const std::string& select, const std::string& where)
{
    std::string text = select;
    const std::size_t order = text.find(" ORDER BY ");
    text.insert(order == std::string::npos ? text.size() : order, " WHERE " + where);
    return text;
}

// The persons' query as a program that splices the key into the text runs it: prepared,
// stepped and finalized each time, as a statement text never seen before must be.
long plain_spliced(sqlite3* db, const std::string& designed, const std::string& key, PlainRows& out)
{
    const std::string text = with_where(designed, fmt::format("(rprno={})", sql::quote_literal(key)));
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, text.c_str(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        return -1;
    out.clear();
    const long rows = read_all(stmt, out);
    sqlite3_finalize(stmt);
    return rows;
}

// ---- The application around the pages ---------------------------------------------------------

// The application as the program runs it: its classes, both databases open, the administrator
// logged in and w_main open with its toolbar and status bar. The DataWindow objects come from
// bench/data, the toolbar's from app/objects.
struct Sheet {
    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime, dw::ObjectLibrary({HEARTH_BENCH_OBJECTS, HEARTH_APP_OBJECTS})};
    HearthApplication application;
    CurrentApplication current {application};
    AppGlobals& globals = application.globals();
    ObjectRef w_main;
    std::string error;

    explicit Sheet(const fs::path& dir)
    {
        if (auto ui = register_ui_classes(registry); !ui)
            error = ui.error();
        else if (auto library = register_library_classes(registry); !library)
            error = library.error();
        else if (auto app = register_app_classes(registry); !app)
            error = app.error();
        else if (auto opened = application.open_databases(dir.string()); !opened)
            error = opened.error();
        else if (auto login = application.login("velmora_admin", admin_password); !login)
            error = login.error();
        else if (desktop.open(w_main, "w_main") != 1)
            error = "w_main does not open";
        globals.gs_firstrow = std::to_string(first_rows);
    }
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

    // A tab page of `class_name` showing `dataobject`, made as the opener makes it: the object's
    // name in Message.StringParm. An invalid reference (and why in `error`) when it fails.
    ObjectRef open_page(std::string_view class_name, std::string_view dataobject)
    {
        runtime.assign_new_message();
        runtime.message_object()->string_parm = std::string(dataobject);
        ObjectRef page = runtime.create_and_construct(class_name);
        auto* typed = dynamic_cast<uo_tabpg_datawindow*>(page.get());
        if (!typed || !typed->dw_1.get() || typed->dw_1.get()->dataobject() != dataobject) {
            error = fmt::format("{} on {} does not open", class_name, dataobject);
            return {};
        }
        return page;
    }

    // A DataWindow control showing `dataobject` through sqlca.
    DataWindowControl* open_control(std::string_view dataobject)
    {
        ObjectRef control = runtime.create("datawindow");
        auto* dw = dynamic_cast<DataWindowControl*>(control.get());
        if (!dw || dw->set_dataobject(dataobject) != 1) {
            error = fmt::format("datawindow on {}: {}", dataobject, dw ? dw->load_error() : "not made");
            return nullptr;
        }
        dw->set_trans_object(globals.sqlca);
        return dw;
    }
};

// Modify's datawindow.table.select='...' with the quotes of the text escaped.
void set_select(DataWindowBase& dw, const std::string& select)
{
    std::string escaped;
    for (char c : select) {
        if (c == '\'')
            escaped += '~';
        escaped += c;
    }
    dw.modify(fmt::format("datawindow.table.select='{}'", escaped));
}

// ---- 1. The grid's first retrieval ------------------------------------------------------------

// What ue_firstretrieve does, on a DataWindow control: the first 50 rows, the first one
// highlighted, and the full SELECT put back.
long dw_first_retrieve(DataWindowControl& dw, const std::string& designed)
{
    std::string limited = designed;
    limited.replace(limited.find("SELECT"), 6, fmt::format("SELECT TOP {} ", first_rows));
    set_select(dw, limited);
    const long rows = dw.retrieve();
    if (rows > 0)
        dw.select_row(1, true);
    set_select(dw, designed);
    return rows;
}

// ue_firstretrieve of the grid page; the rows it shows.
long page_first_retrieve(Sheet& sheet, uo_tabpg_datawindow& grid, std::string& error)
{
    if (sheet.runtime.dispatch(grid.dw_1.ref(), "ue_firstretrieve").outcome != Outcome::Completed)
        error = "ue_firstretrieve did not complete";
    return grid.dw_1.get()->row_count();
}

// The household sheet's pages: the grid on d_ge_rpr, the master and the page in front, and
// under it in guo_tab's tab_1 the persons page, related by rprno, which a new row copies.
struct HouseholdPages {
    uo_tabpg_datawindow* grid = nullptr;
    uo_tabpg_datawindow* persons = nullptr;
};

// The pages, or none (and why in `why`).
HouseholdPages open_household_pages(Sheet& sheet, std::string& why)
{
    ObjectRef grid = sheet.open_page("uo_tabpg_grid", "d_ge_rpr");
    ObjectRef persons = grid.get() ? sheet.open_page("uo_tabpg_datawindow", "d_ge_personinfo") : ObjectRef();
    ObjectRef tab = persons.get() ? sheet.runtime.create_and_construct("uo_tabpg_tab") : ObjectRef();
    ObjectRef tab_1 = tab.get() ? tab.get()->nested("tab_1") : ObjectRef();
    if (!tab_1.get()) {
        why = sheet.error.empty() ? "uo_tabpg_tab has no tab_1" : sheet.error;
        return {};
    }
    tab_1.get()->control().push_back(persons);
    sheet.globals.guo_tab = tab;
    sheet.globals.guo_tabpg_master = sheet.globals.guo_tabpg_now = grid;

    HouseholdPages pages {dynamic_cast<uo_tabpg_datawindow*>(grid.get()),
                          dynamic_cast<uo_tabpg_datawindow*>(persons.get())};
    pages.grid->is_toolbarstatus = "000000000";
    pages.grid->is_haverelation = "1";
    pages.persons->is_relafield = "rprno";
    pages.persons->is_autocolumn = "rprno";
    pages.persons->is_tabvisible = "0";
    pages.persons->ii_issingle = 0;
    pages.persons->is_toolbarstatus = "000000000";
    return pages;
}

void GridFirstRetrieve(benchmark::State& state)
{
    constexpr int batch = 100;
    SampleDatabase& data = sample_database(state.range(0));
    if (!data.error.empty()) {
        state.SkipWithError(data.error.c_str());
        return;
    }
    Sheet sheet(data.dir);
    DataWindowControl* dw = sheet.error.empty() ? sheet.open_control("d_ge_rpr") : nullptr;
    if (!dw) {
        state.SkipWithError(sheet.error.c_str());
        return;
    }
    const std::string designed = designed_select(*dw);
    PlainQuery plain(data.file(), fmt::format("{} LIMIT {}", designed, first_rows));
    if (!plain.error.empty()) {
        state.SkipWithError(plain.error.c_str());
        return;
    }
    // Without the page classes the DataWindow figures stand alone; the label says so.
    std::string page_error;
    uo_tabpg_datawindow* grid = open_household_pages(sheet, page_error).grid;
    if (!grid) {
        state.SetLabel(page_error);
        page_error.clear();
    }

    PlainRows rows;
    double plain_s = 0, dw_s = 0, page_s = 0;
    long plain_rows = 0, dw_rows = 0, page_rows = 0;
    for (auto _ : state) {
        double t0 = thread_seconds();
        for (int i = 0; i < batch; ++i)
            plain_rows = plain.run(rows);
        plain_s += thread_seconds() - t0;

        t0 = thread_seconds();
        for (int i = 0; i < batch; ++i)
            dw_rows = dw_first_retrieve(*dw, designed);
        dw_s += thread_seconds() - t0;

        if (grid) {
            t0 = thread_seconds();
            for (int i = 0; i < batch; ++i)
                page_rows = page_first_retrieve(sheet, *grid, page_error);
            page_s += thread_seconds() - t0;
        }
    }
    const double n = double(state.iterations()) * batch;
    state.counters["households"] = double(data.households);
    state.counters["rows"] = double(plain_rows);
    state.counters["plain_us"] = plain_s * 1e6 / n;
    state.counters["dw_us"] = dw_s * 1e6 / n;
    state.counters["dw_ratio"] = dw_s / plain_s;
    if (grid) {
        state.counters["page_us"] = page_s * 1e6 / n;
        state.counters["ratio"] = page_s / plain_s;
        if (page_rows != plain_rows)
            page_error = fmt::format("the grid shows {} rows", page_rows);
        // The count, then the record position of the first row.
        const auto& shown = sheet.desktop.status_texts();
        const std::string count = fmt::format("前{}条记录!", first_rows);
        if (shown.size() < 2 || shown[shown.size() - 2] != count)
            page_error = fmt::format("no status \"{}\"", count);
    }
    if (dw_rows != plain_rows || plain_rows != first_rows)
        page_error = fmt::format("rows: plain {}, dw {} ({})", plain_rows, dw_rows, sheet.globals.sqlca.sql_err_text());
    if (!page_error.empty())
        state.SkipWithError(page_error.c_str());
}

// ---- 2. A row change on the master grid -------------------------------------------------------

// What ue_retrieve does for the persons of the master's current row, on DataWindow controls:
// the relation column's type, the master's value quoted as a literal, the designed SELECT with
// that condition, Retrieve.
long dw_row_change(DataWindowControl& master, long row, DataWindowControl& detail, const std::string& designed)
{
    master.set_row(row);
    const long current = master.get_row();
    if (detail.describe("rprno.coltype").substr(0, 4) != "char")
        return -1;
    const Value key = master.get_item_string(current, "rprno");
    set_select(detail, with_where(designed, fmt::format("(rprno={})", sql::quote_literal(key.as_string()))));
    return detail.retrieve();
}

// Rows of the master spread over all of it: each visit a different household, more of them
// than the transaction keeps prepared statements for.
std::vector<long> visits(long master_rows)
{
    constexpr long count = 256;
    std::vector<long> rows;
    for (long k = 0; k < count; ++k)
        rows.push_back(1 + (k * 7919) % master_rows);
    return rows;
}

void RowChangeRetrievesPersons(benchmark::State& state)
{
    SampleDatabase& data = sample_database(state.range(0));
    if (!data.error.empty()) {
        state.SkipWithError(data.error.c_str());
        return;
    }
    Sheet sheet(data.dir);
    DataWindowControl* master = sheet.error.empty() ? sheet.open_control("d_ge_rpr") : nullptr;
    DataWindowControl* detail = master ? sheet.open_control("d_ge_personinfo") : nullptr;
    if (!detail) {
        state.SkipWithError(sheet.error.c_str());
        return;
    }
    const long households = master->retrieve();
    const std::string designed = designed_select(*detail);
    PlainQuery plain(data.file(), with_where(designed, "TC_GE_PersonInfo.RprNo = ?"));
    if (households != data.households || !plain.error.empty()) {
        state.SkipWithError(fmt::format("{} households of {}: {}{}", households, data.households,
                                        sheet.globals.sqlca.sql_err_text(), plain.error)
                                .c_str());
        return;
    }
    const std::vector<long> rows = visits(households);
    std::vector<std::string> keys;
    for (long row : rows)
        keys.push_back(master->get_item_string(row, "rprno").as_string());

    // The pages: the grid first retrieved as the sheet opens, then every household retrieved
    // (the toolbar's retrieve), and the persons page under it.
    std::string page_error;
    const HouseholdPages pages = open_household_pages(sheet, page_error);
    uo_tabpg_datawindow* grid = pages.grid;
    uo_tabpg_datawindow* persons = pages.persons;
    if (persons) {
        page_first_retrieve(sheet, *grid, page_error);
        if (grid->dw_1.get()->retrieve() != households)
            page_error = "the grid does not retrieve every household";
    } else {
        state.SetLabel(page_error);
        page_error.clear();
    }

    PlainRows plain_rows;
    double plain_s = 0, spliced_s = 0, dw_s = 0, page_s = 0;
    long plain_n = 0, spliced_n = 0, dw_n = 0, page_n = 0;
    for (auto _ : state) {
        double t0 = thread_seconds();
        for (const std::string& key : keys)
            plain_n += plain.run(key, plain_rows);
        plain_s += thread_seconds() - t0;

        t0 = thread_seconds();
        for (const std::string& key : keys)
            spliced_n += plain_spliced(plain.db, designed, key, plain_rows);
        spliced_s += thread_seconds() - t0;

        t0 = thread_seconds();
        for (long row : rows)
            dw_n += dw_row_change(*master, row, *detail, designed);
        dw_s += thread_seconds() - t0;

        if (persons) {
            uo_dw& grid_dw = *grid->dw_1.get();
            uo_dw& persons_dw = *persons->dw_1.get();
            t0 = thread_seconds();
            for (long row : rows) {
                grid_dw.set_row(row);
                sheet.runtime.dispatch(persons->dw_1.ref(), "ue_retrieve");
                page_n += persons_dw.row_count();
            }
            page_s += thread_seconds() - t0;
        }
    }
    const double n = double(state.iterations()) * double(rows.size());
    state.counters["households"] = double(data.households);
    state.counters["persons"] = double(data.persons);
    state.counters["persons_per_change"] = double(plain_n) / n;
    state.counters["plain_us"] = plain_s * 1e6 / n;
    state.counters["spliced_us"] = spliced_s * 1e6 / n;
    state.counters["dw_us"] = dw_s * 1e6 / n;
    state.counters["dw_ratio"] = dw_s / plain_s;
    state.counters["dw_ratio_to_spliced"] = dw_s / spliced_s;
    if (persons) {
        state.counters["page_us"] = page_s * 1e6 / n;
        state.counters["ratio"] = page_s / plain_s;
        state.counters["ratio_to_spliced"] = page_s / spliced_s;
        if (page_n != plain_n)
            page_error = fmt::format("the persons page retrieved {} rows, the plain query {}", page_n, plain_n);
    }
    if (dw_n != plain_n || spliced_n != plain_n)
        page_error = fmt::format("rows: plain {}, spliced {}, dw {} ({})", plain_n, spliced_n, dw_n,
                                 sheet.globals.sqlca.sql_err_text());
    if (!page_error.empty())
        state.SkipWithError(page_error.c_str());
}

} // namespace

BENCHMARK(GridFirstRetrieve)->Arg(large_households)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(RowChangeRetrievesPersons)
    ->Arg(small_households)
    ->Arg(large_households)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();
