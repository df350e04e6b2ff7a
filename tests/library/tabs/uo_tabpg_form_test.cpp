// uo_tabpg_form: the form's toolbar rules after a row-count change, and the column rights
// applied after a retrieval while the page shows.

#include "library/tabs/uo_tabpg_form.h"

#include "tabs_fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

using FormPage = TabsTest;

// The ancestor's rules run first; then a form offers no column settings, filter, sort or
// delete, and adds only while it holds no record.
TEST_F(FormPage, RowCountChangedAllowsAddingOnlyWithoutARecord)
{
    struct Case {
        long rows;
        std::string status;
        std::string condition;
        bool visible;
        std::string tags; // add modify del setshow filter sorter preview
    };
    const Case cases[] = {
        {0, "00000", "", true, "1000000"},
        {1, "00000", "", true, "0100001"},
        {0, "00100", "", true, "0000000"},
        // a visible form with its own condition may be changed, not added to
        {0, "00000", "flag=1", true, "0100000"},
        {0, "00000", "flag=1", false, "1000000"},
    };
    const std::vector<std::string_view> buttons
        = {"p_add", "p_modify", "p_del", "p_setshow", "p_filter", "p_sorter", "p_preview"};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rows << " " << c.status << " " << c.condition << " " << c.visible);
        auto& form = page<uo_tabpg_form>("uo_tabpg_form", "d_rpr_f");
        form.ii_issingle = 1;
        form.is_toolbarstatus = c.status;
        form.is_condition = c.condition;
        form.visible = c.visible;
        if (c.rows) {
            ASSERT_EQ(dw(form).insert_row(0), 1);
        }
        set_tags(buttons, "x");
        run(form.dw_1, "ue_rowcountchanged");
        std::string tags;
        for (std::string_view b : buttons)
            tags += tag(b);
        EXPECT_EQ(tags, c.tags);
    }
}

// After a retrieval a form that shows gets the user's column rights for the page in its tag;
// one that does not show is left alone.
TEST_F(FormPage, RetrieveEndAppliesColumnRightsOnlyWhenVisible)
{
    uo_tabpg_datawindow& master = master_page(2);
    for (bool visible : {true, false}) {
        auto& form = page<uo_tabpg_form>("uo_tabpg_form", "d_rpr_f");
        EXPECT_TRUE(dw(form).vscrollbar);
        form.is_relafield = "rpr.rprno";
        form.ii_issingle = 1;
        form.tag = "7";
        form.visible = visible;
        application.calls().clear();
        run(form.dw_1, "ue_retrieve");
        ASSERT_EQ(dw(form).row_count(), 1);
        EXPECT_EQ(dw(form).get_item_string(1, "name"), dw(master).get_item_string(2, "name"));
        std::vector<std::string> expected;
        if (visible)
            expected.push_back("gf_setcolumn_right d_rpr_f 7");
        expected.push_back("gf_dwcolorinit d_rpr_f");
        EXPECT_EQ(application.calls(), expected) << visible;
    }
    EXPECT_EQ(error_codes(), std::vector<int> {});
}

} // namespace
