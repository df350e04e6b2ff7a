// uo_tab and uo_tabpg_tab: an inner tab brought to the front becomes the page in front, is
// refreshed or retrieved, gets its tab colours, and sets the toolbar for itself and for the
// master's current record.

#include "library/tabs/uo_tabpg_tab.h"
#include "tabs_fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

// The events of dw_1 that ran on t_recordingpage pages, after the page's own scripts.
std::vector<std::string> dw_events;

ScriptResult record(ScriptCall& call)
{
    dw_events.push_back(call.slot().name);
    return no_return;
}

const ClassTable& recording_page_table()
{
    static const ClassTable table {
        "t_recordingpage",
        "uo_tabpg_datawindow",
        nullptr,
        {},
        {{own_group, "", {}, {}},
         {32776, "dw_1", {}, {{436, "ue_retrieve", record}, {438, "ue_rowcountchanged", record}}}}};
    return table;
}

class NestedTab : public TabsTest {
protected:
    NestedTab() : nested(page<uo_tabpg_tab>("uo_tabpg_tab", ""))
    {
        EXPECT_EQ(error_text(registry.register_class(&recording_page_table)), "");
        dw_events.clear();
        globals.guo_tab = nested.ref();
    }

    // The inner tabs show `pages`, the first one selected; then the user clicks tab `index`.
    void click(const std::vector<uo_tabpg_datawindow*>& pages, std::int32_t index)
    {
        uo_tab& tab = *nested.tab_1.get();
        tab.control().clear();
        for (uo_tabpg_datawindow* p : pages)
            tab.control().push_back(p->ref());
        tab.selectedtab = 1;
        desktop.click_tab(tab.ref(), index);
    }
    // Tags of retrieve, add, modify and delete, e.g. "1011"; set_buttons gives them first.
    std::string buttons() { return tag("p_retrieve") + tag("p_add") + tag("p_modify") + tag("p_del"); }
    void set_buttons(const std::string& tags)
    {
        const char* names[] = {"p_retrieve", "p_add", "p_modify", "p_del"};
        for (std::size_t i = 0; i < 4; ++i)
            set_tags({names[i]}, tags.substr(i, 1));
    }

    // The master's row of household `rprid`.
    static long row_of(uo_tabpg_datawindow& master, int rprid)
    {
        return dw(master).find("rprid = " + std::to_string(rprid), 1, dw(master).row_count());
    }

    uo_tabpg_tab& nested;
};

// The first inner tab is refreshed without a retrieval, the second retrieved. Going back from
// 2 to 1 colours both tabs; the page left is dark blue when its is_tabvisible is "0".
TEST_F(NestedTab, FirstTabRefreshesSecondRetrievesAndTheTabsAreColoured)
{
    for (const char* tabvisible : {"0", "1"}) {
        SCOPED_TRACE(tabvisible);
        auto& first = page("t_recordingpage", "d_rpr");
        auto& second = page("t_recordingpage", "d_person");
        second.is_tabvisible = tabvisible;
        globals.gs_querystr = "name like '张%'";
        dw_events.clear();
        click({&first, &second}, 2);
        EXPECT_TRUE(globals.guo_tabpg_now.same_as(second.ref()));
        EXPECT_EQ(std::count(dw_events.begin(), dw_events.end(), "ue_retrieve"), 1);
        EXPECT_EQ(globals.gs_querystr, "");

        dw_events.clear();
        desktop.click_tab(nested.tab_1.ref(), 1);
        EXPECT_TRUE(desktop.focus().same_as(first.dw_1.ref()));
        EXPECT_TRUE(globals.guo_tabpg_now.same_as(first.ref()));
        EXPECT_TRUE(globals.guo_tabpg_old.same_as(second.ref()));
        EXPECT_EQ(dw_events, std::vector<std::string> {"ue_rowcountchanged"});
        EXPECT_EQ(std::make_pair(first.tabtextcolor, first.tabbackcolor),
                  std::make_pair(tab_colors::selected_text, tab_colors::selected_back));
        EXPECT_EQ(second.tabtextcolor, *tabvisible == '0' ? tab_colors::left_hidden_text : tab_colors::left_text);
        EXPECT_EQ(second.tabbackcolor, colors::button_face);
    }
}

// The master's record decides what a detail page allows: a master without rows disables add
// and has retrieve pressed; one with rows keeps the add state; a record whose issave is not
// "0" takes no additions or changes on pages tied to it, with "0" the status string decides.
TEST_F(NestedTab, MasterRecordDecidesAddAndModifyOfDetailPages)
{
    auto& master = master_page(1);
    auto& detail = page("uo_tabpg_datawindow", "d_person");
    detail.is_toolbarstatus = "00000";
    struct Case {
        int rprid; // the master's current record; 0: the master holds no rows
        const char* relafield;
        bool belongs; // is_masterid is the master's tag
        const char* before;
        const char* after; // retrieve add modify delete
    };
    // rprid 1 has issave '0', rprid 2 has '1'.
    const Case cases[] = {
        {0, "rprno", false, "1111", "1001"}, {1, "rprno", false, "1011", "1011"}, {1, "rprno", false, "1111", "1111"},
        {2, "rprno", true, "1111", "1001"},  {1, "rprno", true, "0000", "1111"},  {2, "", true, "0000", "1111"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rprid << " " << c.relafield << " " << c.before);
        EXPECT_EQ(dw(master).retrieve(), 3);
        EXPECT_EQ(c.rprid ? dw(master).set_row(row_of(master, c.rprid)) : dw(master).reset(), 1);
        // Rows to start from; a retrieving page fetches its own for the master record.
        dw(detail).retrieve();
        detail.is_relafield = c.relafield;
        detail.is_masterid = c.belongs ? master.tag : "another record";
        set_buttons(c.before);
        toolbar().is_object = "";
        selects.selects.clear();
        click({&master, &detail}, 2);
        EXPECT_EQ(buttons(), c.after);
        // Without master rows p_retrieve is pressed: the toolbar re-queries the page with its
        // designed SELECT, and the rows found disable add and modify of the detail page. With
        // master rows only a page without relation fields retrieves the designed SELECT.
        const bool designed = !selects.selects.empty() && selects.selects.back() == detail.is_sql;
        EXPECT_EQ(designed, c.rprid == 0 || std::string_view(c.relafield).empty());
        EXPECT_EQ(toolbar().is_object, "");
    }
}

// A page without rows ends with delete and modify disabled whatever the status string says.
TEST_F(NestedTab, PageWithoutRowsDisablesDeleteAndModify)
{
    auto& master = master_page(1);
    auto& detail = page("uo_tabpg_datawindow", "d_honor");
    detail.is_toolbarstatus = "00000";
    detail.is_relafield = "rprid";
    // rprid 3 has no honours, rprid 1 two.
    for (bool with_rows : {false, true}) {
        SCOPED_TRACE(with_rows);
        dw(master).set_row(row_of(master, with_rows ? 1 : 3));
        if (with_rows)
            dw(detail).retrieve();
        else
            dw(detail).reset();
        set_buttons("1111");
        click({&master, &detail}, 2);
        EXPECT_EQ(buttons(), with_rows ? "1111" : "1100");
    }
}

} // namespace
