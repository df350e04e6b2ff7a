// uo_tabpg_grid: the first retrieval and its row limit, the flat grid and its buttons, and the
// detail pages shown or hidden for the master row.

#include "library/tabs/uo_tabpg_grid.h"
#include "library/tabs/uo_tabpg_tab.h"
#include "tabs_fixture.h"

#include <fmt/format.h>

using namespace hearth;
using namespace hearth::test;

namespace {

class Grid : public TabsTest {
protected:
    Grid() : grid(page<uo_tabpg_grid>("uo_tabpg_grid", "d_rpr")) { globals.guo_tabpg_now = grid.ref(); }

    // Runs the first retrieval; the status texts it shows.
    std::vector<std::string> first_retrieve()
    {
        const std::size_t mark = status_texts().size();
        run(grid.dw_1, "ue_firstretrieve");
        return {status_texts().begin() + std::ptrdiff_t(mark), status_texts().end()};
    }

    uo_tabpg_grid& grid;
};

// Only a whole number above 0 in gs_firstrow limits the first retrieval, and it never reaches
// the SELECT as text. "前50条记录!" follows the row count alone. The full SELECT comes back.
TEST_F(Grid, FirstRetrievalTakesTheLimitOnlyFromAWholeNumber)
{
    for (int i = 4; i <= 120; ++i)
        execute(fmt::format("INSERT INTO rpr VALUES ('X{:03}', {}, '户', '2020-01-01', '0')", i, i));
    const std::pair<const char*, long> cases[]
        = {{"50", 50}, {"全部", 120}, {"", 120},       {"100", 100},        {"abc", 120},
           {"0", 120}, {"-5", 120},   {"5;drop", 120}, {"99999999999", 120}};
    for (const auto& [firstrow, rows] : cases) {
        SCOPED_TRACE(firstrow);
        globals.gs_firstrow = firstrow;
        // The retrieval's row change and the row-count refresh both show the position.
        const std::string position = fmt::format("当前记录：1/{}", rows);
        const std::string count = rows == 50 ? "前50条记录!" : fmt::format("检索到{}条记录!", rows);
        EXPECT_EQ(first_retrieve(), (std::vector<std::string> {position, count, position}));
        EXPECT_TRUE(dw(grid).is_selected(1));
        EXPECT_EQ(dw(grid).describe("datawindow.table.select"), grid.is_sql);
    }
    execute("DELETE FROM rpr WHERE rprid > 50");
    globals.gs_firstrow = "全部";
    EXPECT_EQ(first_retrieve().at(1), "前50条记录!");
}

// Quoted literals (and a tilde) in the designed WHERE survive the single-quoted Modify, limited
// or not, and the statement comes back exactly. A failed retrieval shows the database's reason
// in a message box instead of a count of -1.
TEST_F(Grid, QuotedSelectSurvivesAndAFailureShowsTheDatabaseError)
{
    execute("INSERT INTO rpr VALUES ('T~1', 4, 'it''s', '2020-01-01', '0')");
    grid.is_sql = "SELECT rprno, rprid, name, regdate, issave FROM rpr WHERE name <> 'it''s' OR rprno = 'T~1' "
                  "ORDER BY rprno";
    for (const auto& [firstrow, rows] : {std::pair {"", 4}, std::pair {"2", 2}}) {
        globals.gs_firstrow = firstrow;
        run(grid.dw_1, "ue_firstretrieve");
        EXPECT_EQ(dw(grid).row_count(), rows);
        EXPECT_EQ(dw(grid).describe("datawindow.table.select"), grid.is_sql);
    }
    EXPECT_TRUE(desktop.message_boxes().empty());

    grid.is_sql = "SELECT rprno, rprid, name, regdate, issave FROM no_such_table";
    const std::vector<std::string> statuses = first_retrieve();
    EXPECT_EQ(statuses.at(0), "没有相关记录!");
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "检索到-1条记录!"), 0);
    ASSERT_EQ(desktop.message_boxes().size(), 1u);
    EXPECT_EQ(desktop.message_boxes()[0].title, "错误");
    EXPECT_EQ(desktop.message_boxes()[0].text, "检索失败：" + globals.sqlca.sql_err_text());
    EXPECT_NE(globals.sqlca.sql_err_text().find("no_such_table"), std::string::npos);
    EXPECT_EQ(dw(grid).describe("datawindow.table.select"), grid.is_sql);
}

// The flat look (header texts borderless, white, transparent; no Tab stops in the detail),
// wf_getobjects, and the grid's buttons: filter by character 8, sort only from two rows.
TEST_F(Grid, FlatGridObjectsAndButtons)
{
    uo_dw& d = dw(grid);
    for (const char* attribute : {"rprno_t.border", "name_t.border", "rprno.tabsequence", "name.tabsequence"})
        EXPECT_EQ(d.describe(attribute), "0") << attribute;
    EXPECT_EQ(d.describe("name_t.background.color") + d.describe("name_t.background.mode"), "167772151");
    EXPECT_EQ(application.calls().back(), "gf_dwinit d_rpr");
    EXPECT_EQ(uo_tabpg_grid::wf_getobjects(d, "*", "*", false),
              (std::vector<std::string> {"rprno_t", "name_t", "rprno", "name"}));
    EXPECT_EQ(uo_tabpg_grid::wf_getobjects(d, "column", "detail", true), (std::vector<std::string> {"rprno", "name"}));
    EXPECT_EQ(run(grid.ref(), "wf_getobjects", {Value(grid.dw_1.ref()), Value(), Value("*"), Value("*"), Value(false)}),
              Value::integer(4));

    const std::tuple<long, const char*, const char*> cases[] = {{1, "00000000", "110"}, {2, "00000001", "101"}};
    for (const auto& [rows, status, expected] : cases) {
        SCOPED_TRACE(rows);
        EXPECT_EQ(d.retrieve(), 3);
        d.delete_row(1);
        if (rows == 1)
            d.delete_row(1);
        grid.is_toolbarstatus = status;
        set_tags({"p_setshow", "p_filter", "p_sorter"}, "0");
        run(grid.dw_1, "ue_rowcountchanged");
        EXPECT_EQ(tag("p_setshow") + tag("p_filter") + tag("p_sorter"), expected);
    }
}

// Detail pages are shown when the master row satisfies their relation and condition; a text
// value with quotes is escaped in the Find; a page related by a date, without a condition, or
// with is_tabvisible "1" keeps the visibility it had.
TEST_F(Grid, DetailPagesFollowTheMasterRow)
{
    execute("INSERT INTO rpr VALUES ('A''\"4', 4, '赵六', '2023-04-04', '0')");
    EXPECT_EQ(dw(grid).retrieve(), 4);
    globals.guo_tabpg_master = grid.ref();
    auto& nested = page<uo_tabpg_tab>("uo_tabpg_tab", "");
    globals.guo_tab = nested.ref();
    // relation field, condition, is_tabvisible, visibility before
    const std::tuple<const char*, const char*, const char*, bool> details[] = {
        {"rpr.rprno", "rprid > 1", "", false}, {"rprid", "issave = '0'", "", false},
        {"regdate", "1 = 1", "", true},        {"rprno", "", "", false},
        {"rprno", "rprid > 100", "1", false},
    };
    std::vector<uo_tabpg_datawindow*> pages;
    for (const auto& [relafield, condition, tabvisible, shown] : details) {
        auto& p = page("uo_tabpg_datawindow", "d_person");
        p.is_relafield = relafield;
        p.is_condition = condition;
        p.is_tabvisible = tabvisible;
        p.ib_visible = true;
        nested.tab_1.get()->control().push_back(p.ref());
        pages.push_back(&p);
    }
    // By rprid: 4 is A'"4 and 3 the other household with a quote, both issave '0'; 1 has
    // issave '0', 2 has '1'.
    const std::pair<int, const char*> households[] = {{4, "11100"}, {3, "11100"}, {1, "01100"}, {2, "10100"}};
    for (const auto& [rprid, expected] : households) {
        SCOPED_TRACE(rprid);
        const long row = dw(grid).find("rprid = " + std::to_string(rprid), 1, 4);
        for (std::size_t i = 0; i < pages.size(); ++i)
            pages[i]->visible = std::get<3>(details[i]);
        dw(grid).set_row(row);
        run(grid.ref(), "wf_settabstatus", {Value(std::int32_t(row))});
        std::string shown;
        for (uo_tabpg_datawindow* p : pages)
            shown += p->visible ? '1' : '0';
        EXPECT_EQ(shown, expected);
    }
    EXPECT_TRUE(error_codes().empty());
}

} // namespace
