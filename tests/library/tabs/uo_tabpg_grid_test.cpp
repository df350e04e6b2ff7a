// uo_tabpg_grid: the first retrieval and its row limit, the flat grid, the record position and
// the grid's buttons, and the detail pages shown or hidden for the master row.

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

    // Households beyond the three of the fixture, up to `total`.
    void fill_households(int total)
    {
        for (int i = 4; i <= total; ++i)
            execute(fmt::format("INSERT INTO rpr VALUES ('X{:03}', {}, '户{}', '2020-01-01', '0')", i, i, i));
    }
    // The status texts shown since `from`.
    std::vector<std::string> statuses_since(std::size_t from)
    {
        return {status_texts().begin() + std::ptrdiff_t(from), status_texts().end()};
    }

    uo_tabpg_grid& grid;
};

// gs_firstrow limits the first retrieval only when it is a whole number above 0; anything else
// means every row, and never reaches the SELECT as text. "前50条记录!" follows the row count
// alone. Afterwards the DataWindow holds the full designed SELECT again.
TEST_F(Grid, FirstRetrievalTakesTheLimitOnlyFromAWholeNumber)
{
    fill_households(120);
    struct Case {
        const char* firstrow;
        long rows;
        const char* count_text;
    };
    const Case cases[] = {
        {"50", 50, "前50条记录!"},        {"全部", 120, "检索到120条记录!"},   {"", 120, "检索到120条记录!"},
        {"100", 100, "检索到100条记录!"}, {"abc", 120, "检索到120条记录!"},    {"0", 120, "检索到120条记录!"},
        {"-5", 120, "检索到120条记录!"},  {"5;drop", 120, "检索到120条记录!"}, {"99999999999", 120, "检索到120条记录!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstrow);
        globals.gs_firstrow = c.firstrow;
        const std::size_t mark = status_texts().size();
        run(grid.dw_1, "ue_firstretrieve");
        EXPECT_EQ(dw(grid).row_count(), c.rows);
        // The retrieval's row change and the row-count refresh both show the position.
        const std::string position = fmt::format("当前记录：1/{}", c.rows);
        EXPECT_EQ(statuses_since(mark), (std::vector<std::string> {position, c.count_text, position}));
        EXPECT_TRUE(dw(grid).is_selected(1));
        EXPECT_EQ(dw(grid).describe("datawindow.table.select"), grid.is_sql);
    }

    // Exactly 50 rows without a limit also read "前50条记录!".
    execute("DELETE FROM rpr WHERE rprid > 50");
    globals.gs_firstrow = "全部";
    const std::size_t mark = status_texts().size();
    run(grid.dw_1, "ue_firstretrieve");
    EXPECT_EQ(statuses_since(mark).at(1), "前50条记录!");
}

// A designed SELECT whose WHERE holds quoted literals (and a tilde) survives the single-quoted
// Modify of the first retrieval, limited or not, and comes back exactly.
TEST_F(Grid, QuotedLiteralsInTheDesignedSelectSurvive)
{
    execute("INSERT INTO rpr VALUES ('T~1', 4, 'it''s', '2020-01-01', '0')");
    grid.is_sql = "SELECT rpr.rprno, rpr.rprid, rpr.name, rpr.regdate, rpr.issave FROM rpr "
                  "WHERE rpr.name <> 'it''s' OR rpr.rprno = 'T~1' ORDER BY rpr.rprno";
    for (const char* firstrow : {"", "2"}) {
        SCOPED_TRACE(firstrow);
        globals.gs_firstrow = firstrow;
        run(grid.dw_1, "ue_firstretrieve");
        EXPECT_EQ(dw(grid).row_count(), *firstrow ? 2 : 4);
        EXPECT_EQ(dw(grid).describe("datawindow.table.select"), grid.is_sql);
    }
}

// A failed first retrieval shows the database's reason in a message box, not a count of -1;
// the full SELECT is still put back.
TEST_F(Grid, FailedFirstRetrievalShowsTheDatabaseError)
{
    grid.is_sql = "SELECT rprno, rprid, name, regdate, issave FROM no_such_table";
    globals.gs_firstrow = "50";
    run(grid.dw_1, "ue_firstretrieve");
    ASSERT_EQ(desktop.message_boxes().size(), 1u);
    const MessageBoxRecord& box = desktop.message_boxes()[0];
    EXPECT_EQ(box.title, "错误");
    EXPECT_EQ(box.text.rfind("检索失败：", 0), 0u) << box.text;
    EXPECT_NE(box.text.find("no_such_table"), std::string::npos) << box.text;
    EXPECT_EQ(std::count(status_texts().begin(), status_texts().end(), "检索到-1条记录!"), 0);
    EXPECT_EQ(dw(grid).describe("datawindow.table.select"), grid.is_sql);
}

// The grid's own buttons after a row-count change: show always, filter by character 8 of the
// status string, sort only from two rows on.
TEST_F(Grid, RowCountSetsShowFilterAndSort)
{
    struct Case {
        long rows;
        const char* status;
        const char* expected; // setshow filter sorter
    };
    const Case cases[] = {{1, "00000000", "110"}, {2, "00000001", "101"}, {3, "0000000", "101"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        EXPECT_EQ(dw(grid).retrieve(), 3);
        while (dw(grid).row_count() > c.rows)
            dw(grid).delete_row(1);
        grid.is_toolbarstatus = c.status;
        set_tags({"p_setshow", "p_filter", "p_sorter"}, "0");
        run(grid.dw_1, "ue_rowcountchanged");
        EXPECT_EQ(tag("p_setshow") + tag("p_filter") + tag("p_sorter"), c.expected);
    }
}

// The flat look: header texts without border on white, transparent; no Tab stops in the
// detail; the application prepares the grid. wf_getobjects with "*" lists every object.
TEST_F(Grid, ConstructionFlattensTheGridAndListsItsObjects)
{
    uo_dw& d = dw(grid);
    for (const char* text : {"rprno_t", "name_t"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(d.describe(std::string(text) + ".border"), "0");
        EXPECT_EQ(d.describe(std::string(text) + ".background.color"), "16777215");
        EXPECT_EQ(d.describe(std::string(text) + ".background.mode"), "1");
    }
    EXPECT_EQ(d.describe("rprno.tabsequence"), "0");
    EXPECT_EQ(d.describe("name.tabsequence"), "0");
    EXPECT_EQ(application.calls().back(), "gf_dwinit d_rpr");

    EXPECT_EQ(uo_tabpg_grid::wf_getobjects(d, "*", "*", false),
              (std::vector<std::string> {"rprno_t", "name_t", "rprno", "name"}));
    EXPECT_EQ(uo_tabpg_grid::wf_getobjects(d, "column", "detail", true), (std::vector<std::string> {"rprno", "name"}));
    EXPECT_EQ(run(grid.ref(), "wf_getobjects", {Value(grid.dw_1.ref()), Value(), Value("*"), Value("*"), Value(false)}),
              Value::integer(4));
}

// Detail pages are shown when the master row satisfies their relation and condition, hidden
// otherwise; a text value with quotes is escaped in the Find, and a page related by a date,
// without a condition, or with is_tabvisible "1" is left as it is.
TEST_F(Grid, DetailPagesFollowTheMasterRow)
{
    execute("INSERT INTO rpr VALUES ('A''\"4', 4, '赵六', '2023-04-04', '0')");
    EXPECT_EQ(dw(grid).retrieve(), 4);
    globals.guo_tabpg_master = grid.ref();
    auto& nested = page<uo_tabpg_tab>("uo_tabpg_tab", "");
    globals.guo_tab = nested.ref();

    struct Detail {
        const char* name;
        const char* relafield;
        const char* condition;
        const char* tabvisible;
    };
    const Detail details[] = {
        {"by text", "rpr.rprno", "rprid > 1", ""},   {"by number", "rprid", "issave = '0'", ""},
        {"by date", "regdate", "1 = 1", ""},         {"no condition", "rprno", "", ""},
        {"tabvisible", "rprno", "rprid > 100", "1"},
    };
    std::vector<uo_tabpg_datawindow*> pages;
    for (const Detail& d : details) {
        auto& p = page("uo_tabpg_datawindow", "d_person");
        p.is_relafield = d.relafield;
        p.is_condition = d.condition;
        p.is_tabvisible = d.tabvisible;
        p.ib_visible = true;
        nested.tab_1.get()->control().push_back(p.ref());
        pages.push_back(&p);
    }

    // Rows in key order: A'"4 (rprid 4, issave '0'), O'1 (3, '0'), R1 (1, '0'), R2 (2, '1').
    // The pages left alone keep the visibility they had: shown for "by date", hidden for the
    // two others.
    const std::pair<long, const char*> rows[] = {{1, "11100"}, {2, "11100"}, {3, "01100"}, {4, "10100"}};
    for (const auto& [row, expected] : rows) {
        SCOPED_TRACE(row);
        pages[2]->visible = true;
        pages[3]->visible = false;
        pages[4]->visible = false;
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
