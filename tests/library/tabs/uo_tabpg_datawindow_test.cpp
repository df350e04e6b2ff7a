// uo_tabpg_datawindow: construction, the SELECT rebuilt from the master row, retrieval and
// its status text, auto columns, and the toolbar kept in line with the page.

#include "tabs_fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

using TabPage = TabsTest;

// The opener names the object in Message.StringParm; dw_1 binds it to sqlca, keeps the designed
// SELECT and opens read-only at 0, 0.
TEST_F(TabPage, ConstructionBindsTheObjectAndKeepsTheDesignedSelect)
{
    globals.gl_backcolor = 111;
    globals.gl_textcolor = 222;
    uo_tabpg_datawindow& p = page("uo_tabpg_datawindow", "d_person");
    EXPECT_EQ(dw(p).dataobject(), "d_person");
    EXPECT_EQ(dw(p).trans_object(), &globals.sqlca);
    EXPECT_EQ(p.is_sql, dw(p).describe("datawindow.table.select"));
    EXPECT_EQ(p.is_sql.rfind("SELECT person.personno", 0), 0u) << p.is_sql;
    EXPECT_EQ(dw(p).describe("datawindow.readonly"), "yes");
    EXPECT_EQ(std::make_tuple(dw(p).x, dw(p).y, dw(p).taborder), std::make_tuple(0, 0, 10));
    EXPECT_EQ(std::make_tuple(p.backcolor, p.tabbackcolor, p.tabtextcolor), std::make_tuple(111, 111, 222));
    EXPECT_EQ(dw(p).retrieve(), 4);
}

} // namespace

namespace {

const std::string person_select = "SELECT person.personno, person.rprno, person.name, person.regdate FROM person";
const std::string person_order = " ORDER BY person.personno";

// A detail page retrieves with the master's current row as conditions on its designed SELECT,
// and says in the status area how many rows it found.
TEST_F(TabPage, RetrieveRewritesTheDesignedSelectFromTheMasterRow)
{
    struct Case {
        std::string dataobject;
        std::string relafield;
        std::string tabvisible;
        std::string condition;
        long master_row;
        std::string select;
        long rows;
    };
    const Case cases[] = {
        // char key, with the designed WHERE and ORDER BY
        {"d_person", "person.rprno", "", "", 1,
         person_select + " Where ( person.personno <> 'x') and (person.rprno='R1')" + person_order, 2},
        // a key holding a quote is one literal: neither broken nor widened
        {"d_person", "rprno", "", "", 3,
         person_select + " Where ( person.personno <> 'x') and (rprno='S''1')" + person_order, 1},
        // long key; a field this page lacks is skipped
        {"d_honor", "honor.rprid,nosuch", "", "", 2,
         "SELECT honor.honorid, honor.rprid, honor.title FROM honor Where (honor.rprid=2)", 1},
        // a date key adds no condition
        {"d_visit", "regdate", "", "", 1, "SELECT visit.visitid, visit.regdate, visit.note FROM visit", 2},
        // the page's own condition applies only with is_tabvisible "1"
        {"d_visit", "", "1", "visit.visitid=101", 1,
         "SELECT visit.visitid, visit.regdate, visit.note FROM visit Where (visit.visitid=101)", 1},
        {"d_visit", "", "0", "visit.visitid=101", 0, "SELECT visit.visitid, visit.regdate, visit.note FROM visit", 2},
    };
    uo_tabpg_datawindow& master = master_page();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataobject + " " + c.relafield);
        ASSERT_EQ(dw(master).set_row(std::max(c.master_row, 1L)), 1);
        uo_tabpg_datawindow& p = page("uo_tabpg_datawindow", c.dataobject);
        p.is_relafield = c.relafield;
        p.is_tabvisible = c.tabvisible;
        p.is_condition = c.condition;
        selects.selects.clear();
        run(p.dw_1, "ue_retrieve");
        EXPECT_EQ(selects.selects, std::vector<std::string> {c.select});
        EXPECT_EQ(dw(p).row_count(), c.rows);
        EXPECT_EQ(status_texts().back(), "检索到" + std::to_string(c.rows) + "条记录!");
    }
    EXPECT_EQ(error_codes(), std::vector<int> {});
}

// A null key on the master row retrieves nothing, and the rows of the household shown before
// do not stay.
TEST_F(TabPage, NullMasterValueAfterAnEarlierRewriteRetrievesNothing)
{
    uo_tabpg_datawindow& master = master_page(1);
    uo_tabpg_datawindow& p = page("uo_tabpg_datawindow", "d_person");
    p.is_relafield = "person.rprno";
    run(p.dw_1, "ue_retrieve");
    ASSERT_EQ(dw(p).row_count(), 2);

    ASSERT_EQ(dw(master).set_item(1, "rprno", Value::null_of(Type::String)), 1);
    run(p.dw_1, "ue_retrieve");
    EXPECT_EQ(dw(p).row_count(), 0);
    EXPECT_EQ(dw(p).describe("datawindow.table.select"),
              person_select + " Where ( person.personno <> 'x') and (1=0)" + person_order);
    EXPECT_EQ(status_texts().back(), "没有相关记录!");

    // Without any condition the page goes back to its designed SELECT.
    p.is_relafield.clear();
    run(p.dw_1, "ue_retrieve");
    EXPECT_EQ(dw(p).describe("datawindow.table.select"), p.is_sql);
    EXPECT_EQ(dw(p).row_count(), 4);
}

// No master page, or a master without a current row for a detail page: nothing happens.
TEST_F(TabPage, RetrieveWithoutMasterRowDoesNothing)
{
    uo_tabpg_datawindow& p = page("uo_tabpg_datawindow", "d_person");
    run(p.dw_1, "ue_retrieve");
    uo_tabpg_datawindow& master = master_page();
    ASSERT_EQ(dw(master).reset(), 1);
    ASSERT_EQ(dw(master).get_row(), 0);
    p.is_relafield = "rprno";
    run(p.dw_1, "ue_retrieve");
    EXPECT_EQ(selects.selects.size(), 1u); // the master's own retrieve
    EXPECT_EQ(status_texts(), std::vector<std::string> {});
    EXPECT_EQ(dw(p).row_count(), 0);
}

const std::vector<std::string_view> buttons = {"p_retrieve", "p_add", "p_modify", "p_del", "p_preview"};

std::string tags_of(uo_toolbar& toolbar)
{
    std::string out;
    for (std::string_view b : buttons)
        out += toolbar.describe(std::string(b) + ".tag");
    return out;
}

// After a retrieval: the buttons from the row count, the permission string and the kind of
// page.
TEST_F(TabPage, RowCountChangedSetsTheToolbarFromThePermissionString)
{
    struct Case {
        std::string status;
        std::string relafield;
        std::int16_t single;
        bool rows;        // the page's 3 rows retrieved, or none
        std::string tags; // retrieve add modify del preview; "x": left as it was
    };
    const Case cases[] = {
        {"00000", "", 0, true, "11111"},      {"01111", "", 0, true, "000x1"},
        {"0", "", 0, true, "110x1"},          // too short: retrieve and add allowed, modify and delete not
        {"01110", "rprno", 0, true, "xx0x1"}, // a detail list leaves retrieve and add to its tab
        {"01100", "", 1, true, "x01x1"},      {"00000", "", 0, false, "11000"}, // no rows: no preview, modify or delete
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        uo_tabpg_datawindow& p = page("uo_tabpg_datawindow", "d_rpr");
        p.is_toolbarstatus = c.status;
        p.is_relafield = c.relafield;
        p.ii_issingle = c.single;
        if (c.rows) {
            ASSERT_EQ(dw(p).retrieve(), 3);
        }
        set_tags(buttons, "x");
        run(p.dw_1, "ue_rowcountchanged");
        EXPECT_EQ(tags_of(toolbar()), c.tags);
    }
}

// A single-record page fills its record from the master row: a new one when it has none.
TEST_F(TabPage, SingleRecordAutoColumnsInsertOnlyWhenThereIsNoRecord)
{
    execute("DELETE FROM person WHERE personno = 'P3'");
    uo_tabpg_datawindow& master = master_page();
    for (long master_row : {2L, 3L}) {
        SCOPED_TRACE(master_row);
        ASSERT_EQ(dw(master).set_row(master_row), 1);
        uo_tabpg_datawindow& p = page("uo_tabpg_datawindow", "d_person");
        p.is_relafield = "rprno";
        p.ii_issingle = 1;
        p.ii_rowcount = 5;
        p.is_autocolumn = "rprno,name,regdate";
        set_tags({"p_modify"}, "0");
        application.calls().clear();
        run(p.dw_1, "ue_retrieve");
        const std::string rprno = master_row == 2 ? "R2" : "S'1";
        ASSERT_EQ(dw(p).row_count(), 1);
        EXPECT_EQ(p.ii_rowcount, master_row == 2 ? 0 : 1);
        EXPECT_EQ(dw(p).get_item_string(1, "personno").is_null(), master_row == 2);
        EXPECT_EQ(dw(p).get_item_string(1, "rprno").as_string(), rprno);
        EXPECT_EQ(dw(p).get_item_string(1, "name"), dw(master).get_item_string(master_row, "name"));
        EXPECT_EQ(dw(p).get_item_date(1, "regdate"), dw(master).get_item_date(master_row, "regdate"));
        EXPECT_EQ(application.calls(), std::vector<std::string> {"gf_dwcolorinit d_person"});
        EXPECT_EQ(tag("p_modify"), "1");
    }
}

// The page brought to the front: the toolbar from guo_tabpg_now and the master page.
TEST_F(TabPage, RefreshTabFollowsThePageInFrontAndItsMaster)
{
    struct Case {
        std::int16_t single;
        std::string haverelation;
        bool master_rows;
        std::string tags; // retrieve add modify del preview setshow sorter filter
    };
    const Case cases[] = {
        {0, "1", true, "11111111"},
        {0, "1", false, "10111111"},
        {0, "0", false, "11111111"},
        {1, "1", true, "x1111000"},
    };
    const std::vector<std::string_view> all
        = {"p_retrieve", "p_add", "p_modify", "p_del", "p_preview", "p_setshow", "p_sorter", "p_filter"};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.single << c.haverelation << c.master_rows);
        uo_tabpg_datawindow& master = master_page();
        master.is_haverelation = c.haverelation;
        if (!c.master_rows)
            dw(master).reset();
        uo_tabpg_datawindow& now = page("uo_tabpg_datawindow", "d_person");
        now.is_toolbarstatus = "00000";
        now.ii_issingle = c.single;
        ASSERT_EQ(dw(now).retrieve(), 4);
        globals.guo_tabpg_now = now.ref();
        set_tags(all, "x");
        // The application triggers it on any page; the page in front is what counts.
        run(master.ref(), "ue_refreshtab");
        std::string tags;
        for (std::string_view b : all)
            tags += tag(b);
        EXPECT_EQ(tags, c.tags);
        EXPECT_EQ(now.ii_rowcount, 1);
    }
}

} // namespace
