// The page's context menu as the application builds it: each item's effect on the clicked
// column, the query by value with the page's own condition kept, and the looks that come back
// when the page opens again.

#include "app/app_classes.h"
#include "app/application.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "host/ui/window.h"
#include "library/library_classes.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace hearth;

// Where the columns of d_rpr_menu lie on row 1.
constexpr std::int32_t row_1 = 80 + 10;
constexpr std::int32_t header = 20;
constexpr std::int32_t at_rprid = 300;
constexpr std::int32_t at_name = 500;

class GridMenuTest : public ::testing::Test {
protected:
    GridMenuTest()
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
        EXPECT_EQ(error_text(register_ui_classes(registry)), "");
        EXPECT_EQ(error_text(register_library_classes(registry)), "");
        EXPECT_EQ(error_text(register_app_classes(registry)), "");
        app.column_looks() = ColumnLooks(folder / "looks.tsv");
        AppGlobals& g = app.globals();
        g.gs_userno = "velmora_admin";
        g.gs_userpass = "abc";
        g.gs_apppath = fs::current_path().string();
        g.sqlca.set_database((folder / "community.db").string());
        g.sqlca.set_dbparm("Create='Yes'");
        EXPECT_EQ(g.sqlca.connect(), 0) << g.sqlca.sql_err_text();
        for (const char* statement : {
                 "CREATE TABLE rpr (rprno varchar(20) PRIMARY KEY, rprid integer, name varchar(40), regdate date)",
                 "INSERT INTO rpr VALUES ('R0', 0, 'zero', '2019-01-01')", // outside the page's own condition
                 "INSERT INTO rpr VALUES ('R1', 1, '张三', '2020-01-01')",
                 "INSERT INTO rpr VALUES ('R2', 2, 'O''Brien', '2021-02-02')",
                 "INSERT INTO rpr VALUES ('R3', 3, '李四', '2022-03-03')",
             }) {
            EXPECT_EQ(g.sqlca.execute_immediate(statement), 0) << g.sqlca.sql_err_text();
        }
        EXPECT_EQ(g.sqlca.commit(), 0);
        EXPECT_EQ(desktop.open(frame, "w_main"), 1);
    }
    ~GridMenuTest() override
    {
        for (const ObjectRef& made : pages)
            runtime.destroy(made);
        desktop.close(frame);
        app.globals().sqlca.disconnect();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // A page on d_rpr_menu as the opener makes it, retrieved, with the application's looks.
    DataWindowControl& open_page()
    {
        runtime.message_object()->string_parm = "d_rpr_menu";
        pages.push_back(runtime.create_and_construct("uo_tabpg_datawindow"));
        DataWindowControl& dw = *dynamic_cast<uo_tabpg_datawindow*>(pages.back().get())->dw_1.get();
        app.gf_dwinit(dw);
        EXPECT_EQ(dw.retrieve(), 3);
        return dw;
    }

    // Right-clicks at x, y (row 1 by default) and chooses `item`; 1 when the item ran.
    std::int32_t choose(DataWindowControl& dw, std::int32_t x, std::string_view item, std::int32_t y = row_1)
    {
        desktop.right_down(dw.ref(), x, y);
        return desktop.popped_menus().back().menu->find(item)->choose();
    }

    const fs::path folder = fs::temp_directory_path() / ("hearth_gridmenu_" + std::to_string(::getpid()));
    HearthApplication app;
    CurrentApplication current {app};
    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime,
                     dw::ObjectLibrary({fs::path(HEARTH_SOURCE_DIR) / "tests/library/tabs/data",
                                        fs::path(HEARTH_SOURCE_DIR) / "app/objects"})};
    ObjectRef frame;
    std::vector<ObjectRef> pages;
};

TEST_F(GridMenuTest, ColoursAndAlignmentsComeBackForTheSameUserOnly)
{
    struct Case {
        std::string_view item;
        std::int32_t x;
        std::optional<std::int32_t> color; // the colour dialog's answer
        std::string property;
        std::string shown;
    };
    const Case cases[] = {
        {"m_color", at_rprid, 16711680, "rprid.Color", "16711680"},
        {"m_color", at_name, std::nullopt, "name.Color", "33554432"}, // cancelled: as it was
        {"m_alignleft", at_rprid, {}, "rprid.Alignment", "0"},
        {"m_aligncenter", at_name, {}, "name.Alignment", "2"},
        {"m_alignright", at_name, {}, "name.Alignment", "1"},
    };
    DataWindowControl& dw = open_page();
    for (const Case& c : cases) {
        if (c.item == "m_color")
            desktop.answer_color_dialog(c.color);
        EXPECT_EQ(choose(dw, c.x, c.item), 1) << c.item;
        EXPECT_EQ(dw.describe(c.property), c.shown) << c.item;
    }
    EXPECT_EQ(desktop.color_dialogs().front().initial, 33554432);

    DataWindowControl& again = open_page();
    EXPECT_EQ(again.describe("rprid.Color"), "16711680");
    EXPECT_EQ(again.describe("rprid.Alignment"), "0");
    EXPECT_EQ(again.describe("name.Alignment"), "1");

    // m_nocolor returns the column to the default text colour, also the next time.
    EXPECT_EQ(choose(again, at_rprid, "m_nocolor"), 1);
    EXPECT_EQ(again.describe("rprid.Color"), "33554432");
    EXPECT_EQ(open_page().describe("rprid.Color"), "33554432");

    app.globals().gs_userno = "user01";
    DataWindowControl& other = open_page();
    EXPECT_EQ(other.describe("rprid.Alignment"), "1"); // as designed
    EXPECT_EQ(other.describe("name.Alignment"), "0");
}

TEST_F(GridMenuTest, QueryByColumnKeepsThePageConditionAndQuotesTheValue)
{
    DataWindowControl& dw = open_page();
    const std::string designed = dw.describe("datawindow.table.select");
    struct Case {
        std::int32_t x;
        std::string value;
        long rows;
        std::string querystr;
        std::string message; // "" when none
    };
    const Case cases[] = {
        {at_name, "O'Brien", 1, "rpr.name='O''Brien'", ""},
        {at_name, "x' OR '1'='1", 0, "rpr.name='x'' OR ''1''=''1'", ""},
        {at_name, "zero", 0, "rpr.name='zero'", ""}, // the page's own rprid > 0 still holds
        // A second query replaces the first; numbers are checked as numbers.
        {at_rprid, " 2 ", 1, "rpr.rprid=2", ""},
        {at_rprid, "2 or 1=1", 1, "rpr.rprid=2", "请输入数字！"},
    };
    for (const Case& c : cases) {
        desktop.answer_text_dialog(c.value);
        const std::size_t boxes = desktop.message_boxes().size();
        // On the header: a query that found nothing leaves no row to click.
        EXPECT_EQ(choose(dw, c.x, "m_query", header), 1) << c.value;
        EXPECT_EQ(dw.row_count(), c.rows) << c.value;
        EXPECT_EQ(app.globals().gs_querystr, c.querystr) << c.value;
        EXPECT_EQ(desktop.message_boxes().size(), boxes + (c.message.empty() ? 0 : 1)) << c.value;
        if (!c.message.empty()) {
            EXPECT_EQ(desktop.message_boxes().back().text, c.message);
        }
    }
    EXPECT_EQ(dw.get_item_string(1, "rprno").as_string(), "R2");
    EXPECT_EQ(desktop.status_texts().back(), "检索到1条记录!");

    // A free-text column is not offered for a query.
    EXPECT_EQ(choose(dw, 50, "m_query"), 0);

    EXPECT_EQ(choose(dw, at_rprid, "m_noquery"), 1);
    EXPECT_EQ(dw.describe("datawindow.table.select"), designed);
    EXPECT_EQ(dw.row_count(), 3);
    EXPECT_EQ(app.globals().gs_querystr, "");
}

TEST_F(GridMenuTest, NoSortReturnsToTheDesignedOrder)
{
    DataWindowControl& dw = open_page();
    EXPECT_EQ(dw.set_sort("rprid A"), 1);
    EXPECT_EQ(dw.sort(), 1);
    EXPECT_EQ(choose(dw, at_rprid, "m_nosort"), 1);
    EXPECT_EQ(dw.describe("datawindow.table.sort"), "rprid D");
    EXPECT_EQ(dw.get_item_string(1, "rprno").as_string(), "R3");
}

TEST_F(GridMenuTest, SaveAsExportsThePage)
{
    DataWindowControl& dw = open_page();
    desktop.answer_file_dialog(FileAnswer::chosen((folder / "rows.txt").string()));
    EXPECT_EQ(choose(dw, at_rprid, "m_saveas"), 1);
    EXPECT_TRUE(fs::exists(folder / "rows.txt"));
    EXPECT_EQ(desktop.message_boxes().back().text, "数据导出成功！");
}

} // namespace
