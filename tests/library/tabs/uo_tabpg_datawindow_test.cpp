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
    EXPECT_EQ(std::make_pair(dw(p).x, dw(p).y), std::make_pair(0, 0));
    EXPECT_EQ(std::make_tuple(p.backcolor, p.tabbackcolor, p.tabtextcolor), std::make_tuple(111, 111, 222));
    EXPECT_EQ(dw(p).retrieve(), 4);
}

} // namespace
