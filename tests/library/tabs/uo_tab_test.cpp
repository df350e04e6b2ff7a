// uo_tab and uo_tabpg_tab: an inner tab brought to the front becomes the page in front, is
// refreshed or retrieved, gets its tab colours, and sets the toolbar for itself and for the
// master's current record.

#include "library/tabs/uo_tabpg_tab.h"
#include "tabs_fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

// Which of dw_1's events ran on the pages of class t_recordingpage, in order.
std::vector<std::string>& dw_events()
{
    static std::vector<std::string> events;
    return events;
}

ScriptResult record_retrieve(ScriptCall&)
{
    dw_events().push_back("ue_retrieve");
    return no_return;
}

ScriptResult record_rowcountchanged(ScriptCall&)
{
    dw_events().push_back("ue_rowcountchanged");
    return no_return;
}

// A query page whose dw_1 notes its retrieve and row-count events after the page's own scripts.
const ClassTable& recording_page_table()
{
    static const ClassTable table {
        "t_recordingpage",
        "uo_tabpg_datawindow",
        nullptr,
        {},
        {{own_group, "", {}, {}},
         {32776,
          "dw_1",
          {},
          {{436, "ue_retrieve", record_retrieve}, {438, "ue_rowcountchanged", record_rowcountchanged}}}}};
    return table;
}

const std::vector<std::string_view> buttons = {"p_retrieve", "p_add", "p_modify", "p_del"};

class NestedTab : public TabsTest {
protected:
    NestedTab()
    {
        EXPECT_EQ(error_text(registry.register_class(&recording_page_table)), "");
        dw_events().clear();
        nested = &page<uo_tabpg_tab>("uo_tabpg_tab", "");
        globals.guo_tab = nested->ref();
    }

    // Puts pages on the inner tab control, in order.
    void add_pages(const std::vector<uo_tabpg_datawindow*>& pages)
    {
        for (uo_tabpg_datawindow* p : pages)
            tab_1().control().push_back(p->ref());
    }
    uo_tab& tab_1() { return *nested->tab_1.get(); }
    void click(std::int32_t index) { desktop.click_tab(tab_1().ref(), index); }
    // The four buttons' tags, "retrieve add modify delete", e.g. "1100".
    std::string tags()
    {
        std::string out;
        for (std::string_view button : buttons)
            out += tag(button);
        return out;
    }

    uo_tabpg_tab* nested = nullptr;
};

// The master list on the first inner tab is refreshed without a retrieval; a detail page on the
// second is retrieved each time it is shown. Going back from 2 to 1 colours both tabs, and the
// page left is dark blue when its is_tabvisible is "0", black otherwise.
TEST_F(NestedTab, FirstTabRefreshesSecondRetrievesAndTheTabsAreColoured)
{
    for (const char* tabvisible : {"0", "1"}) {
        SCOPED_TRACE(tabvisible);
        dw_events().clear();
        auto& first = page("t_recordingpage", "d_rpr");
        auto& second = page("t_recordingpage", "d_person");
        second.is_tabvisible = tabvisible;
        tab_1().control().clear();
        tab_1().selectedtab = 1;
        add_pages({&first, &second});
        globals.gs_querystr = "name like '张%'";

        click(2);
        EXPECT_TRUE(globals.guo_tabpg_now.same_as(second.ref()));
        EXPECT_EQ(std::count(dw_events().begin(), dw_events().end(), "ue_retrieve"), 1);
        EXPECT_EQ(globals.gs_querystr, "");

        dw_events().clear();
        click(1);
        EXPECT_TRUE(globals.guo_tabpg_now.same_as(first.ref()));
        EXPECT_TRUE(globals.guo_tabpg_old.same_as(second.ref()));
        EXPECT_EQ(dw_events(), std::vector<std::string> {"ue_rowcountchanged"});
        EXPECT_TRUE(desktop.focus().same_as(first.dw_1.ref()));
        EXPECT_EQ(std::make_pair(first.tabtextcolor, first.tabbackcolor),
                  std::make_pair(tab_colors::selected_text, tab_colors::selected_back));
        EXPECT_EQ(std::make_pair(second.tabtextcolor, second.tabbackcolor),
                  std::make_pair(std::string(tabvisible) == "0" ? tab_colors::left_hidden_text : tab_colors::left_text,
                                 colors::button_face));
    }
}

// The master's record decides what a detail page allows: no rows in the master disables add
// and presses retrieve on the toolbar; a master with rows keeps the add state it had; a record
// whose issave is not "0" takes no additions or changes on pages tied to it by relation
// fields, and with "0" the status string decides.
TEST_F(NestedTab, MasterRecordDecidesAddAndModifyOfDetailPages)
{
    auto& master = master_page(1);
    auto& detail = page("uo_tabpg_datawindow", "d_person");
    detail.is_toolbarstatus = "00000";
    EXPECT_EQ(dw(detail).retrieve(), 4);
    add_pages({&master, &detail});

    struct Case {
        const char* what;
        long master_row; // 0: the master holds no rows
        const char* relafield;
        bool belongs; // the page's is_masterid is the master's tag
        const char* tags_before;
        const char* expected; // retrieve add modify delete
    };
    // Master rows in key order: O'1 (issave '0'), R1 ('0'), R2 ('1').
    const Case cases[] = {
        {"master without rows", 0, "rprno", false, "1111", "1011"},
        {"master with rows keeps add disabled", 1, "rprno", false, "1011", "1011"},
        {"master with rows keeps add enabled", 1, "rprno", false, "1111", "1111"},
        {"issave 1", 3, "rprno", true, "1111", "1001"},
        {"issave 0", 2, "rprno", true, "0000", "1111"},
        {"issave 1 without relation", 3, "", true, "0000", "1111"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(dw(master).retrieve(), 3);
        if (c.master_row == 0)
            dw(master).reset();
        else
            dw(master).set_row(c.master_row);
        detail.is_relafield = c.relafield;
        detail.is_masterid = c.belongs ? master.tag : "another record";
        for (std::size_t i = 0; i < buttons.size(); ++i)
            set_tags({buttons[i]}, std::string(1, c.tags_before[i]));
        toolbar().is_object = "";
        tab_1().selectedtab = 1;
        click(2);
        EXPECT_EQ(tags(), c.expected);
        // A master without rows has retrieve pressed for it.
        EXPECT_EQ(toolbar().is_object, c.master_row == 0 ? "p_retrieve" : "");
    }
}

// Whatever the status string allows, a page without rows ends with delete and modify
// disabled; with rows it follows the string.
TEST_F(NestedTab, PageWithoutRowsDisablesDeleteAndModify)
{
    auto& master = master_page(1);
    auto& detail = page("uo_tabpg_datawindow", "d_honor");
    detail.is_toolbarstatus = "00000";
    detail.is_relafield = "rprid";
    add_pages({&master, &detail});
    // Master rows in key order: O'1 (rprid 3, no honours), R1 (rprid 1, two).
    for (bool with_rows : {false, true}) {
        SCOPED_TRACE(with_rows);
        dw(master).set_row(with_rows ? 2 : 1);
        dw(detail).reset();
        if (with_rows) {
            EXPECT_EQ(dw(detail).retrieve(), 3);
        }
        set_tags(buttons, "1");
        tab_1().selectedtab = 1;
        click(2);
        EXPECT_EQ(tag("p_del"), with_rows ? "1" : "0");
        EXPECT_EQ(tag("p_modify"), with_rows ? "1" : "0");
    }
}

} // namespace
