// uo_toolbar's commands: a press and a release on a button of the main window's toolbar run
// the button's command on the page in front.

#include "toolbar_fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

using ToolbarCommands = ToolbarTest;

TEST_F(ToolbarCommands, TheFixtureHoldsAFrameAPageAndTwoDatabases)
{
    households();
    uo_tabpg_datawindow& made = current_page("d_ge_rpr", 2);
    EXPECT_EQ(dw(made).row_count(), 3);
    EXPECT_EQ(number("SELECT count(*) FROM tc_ge_personinfo"), 3);
    photo_sql("CREATE TABLE ts_personphoto (personno varchar(20), photo blob)");
    EXPECT_EQ(number(globals.photosqlca, "SELECT count(*) FROM ts_personphoto"), 0);
    EXPECT_EQ(toolbar().dataobject(), "d_tool");
    EXPECT_EQ(tag("p_del"), "1");
}

} // namespace
