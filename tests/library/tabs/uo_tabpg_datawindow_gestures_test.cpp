// The query page's gestures: keys and Enter pressing toolbar buttons, F10, double-clicks on a
// header, a row and an empty area, wf_setsort, and the context menu switched for the clicked
// column and the user's rights.

#include "host/ui/window.h"
#include "library/frame/struc_scope.h"
#include "tabs_fixture.h"

namespace hearth::test {
namespace {

// Presses that reached the toolbar's release event: "button@row", with a dwo of another name
// than the button shown as "button@row dwo name".
std::vector<std::string>& presses()
{
    static std::vector<std::string> recorded;
    return recorded;
}

ScriptResult record_press(ScriptCall& call)
{
    auto& tool = call.self<uo_toolbar>();
    std::string pressed = tool.is_object + "@" + std::to_string(call.arg_as<std::int32_t>(2).value_or(-1));
    const DwObject* dwo = call.arg_object<DwObject>(3).get();
    if (!dwo || dwo->name != tool.is_object)
        pressed += " dwo " + (dwo ? dwo->name : std::string("null"));
    presses().push_back(pressed);
    return no_return;
}

// A toolbar that only records what is pressed (the real commands are the toolbar's own
// business), inside a main window whose menu has a first item.
const ClassTable& probe_toolbar_table()
{
    static const ClassTable table {
        "uo_toolbar_probe",
        "datawindow",
        make_object<uo_toolbar>,
        {},
        {{own_group,
          "",
          {{"ue_dwnlbuttonup", SlotKind::Event, Type::Long, 4, "pbm_dwnlbuttonup"}},
          {{436, "ue_dwnlbuttonup", record_press}, {0, "create", create_script}, {1, "destroy", destroy_script}}}}};
    return table;
}

const ClassTable& probe_window_table()
{
    static const ClassTable table {
        "w_main_probe",
        "window",
        nullptr,
        {{"dw_tool", "uo_toolbar_probe", nullptr}},
        {{own_group, "", {}, {{0, "create", create_script}, {1, "destroy", destroy_script}}}}};
    return table;
}

constexpr std::int32_t toolbar_height = 176;

class GesturesTest : public TabsTest {
protected:
    GesturesTest()
    {
        presses().clear();
        EXPECT_EQ(error_text(registry.register_class(&probe_toolbar_table)), "");
        EXPECT_EQ(error_text(registry.register_class(&probe_window_table)), "");
        EXPECT_EQ(error_text(registry.register_class(&_getVtableInfo_struc_scope)), "");
        EXPECT_EQ(desktop.open(probe, "w_main_probe"), 1);
        auto* window = dynamic_cast<Window*>(probe.get());
        window->menuid = std::make_shared<Menu>("m_main");
        window->menuid->add_item("m_file");
        window->menuid->add_item("m_help");
        globals.w_main = probe;
        toolbar().height = toolbar_height;
        set_tags({"p_add", "p_modify", "p_del", "p_preview", "p_retrieve", "p_filter"}, "0");
    }
    ~GesturesTest() override { desktop.close(probe); }

    // A retrieved list page on `dataobject` with row 2 current and dw_1 holding the focus.
    uo_tabpg_datawindow& list_page(std::string_view dataobject = "d_rpr")
    {
        uo_tabpg_datawindow& list = page("uo_tabpg_datawindow", dataobject);
        EXPECT_EQ(dw(list).retrieve(), 3);
        EXPECT_EQ(dw(list).set_row(2), 1);
        EXPECT_EQ(desktop.set_focus(dw(list).ref()), 1);
        return list;
    }

    // The names of the items of the last popped menu that are disabled, in menu order.
    std::string disabled_items()
    {
        std::string names;
        for (const auto& item : desktop.popped_menus().back().menu->items())
            if (!item->enabled)
                names += (names.empty() ? "" : " ") + item->name;
        return names;
    }

    ObjectRef probe;
};

TEST_F(GesturesTest, KeysPressTheirButtonsWhenTheTagAllows)
{
    struct Case {
        std::int32_t key;
        std::uint32_t keyflags;
        std::string_view usable; // the button whose tag is "1", "" for none
        std::vector<std::string> pressed;
    };
    const Case cases[] = {
        {'N', key_ctrl, "", {}},
        {'N', key_ctrl, "p_add", {"p_add@2"}},
        {'N', 0, "p_add", {}},
        {'N', key_ctrl | key_shift, "p_add", {}},
        {'M', key_ctrl, "", {"p_modify@2"}},
        {'D', key_ctrl, "", {}},
        {'D', key_ctrl, "p_del", {"p_del@2"}},
        {'P', key_ctrl, "", {}},
        {'P', key_ctrl, "p_preview", {"p_preview@2"}},
        {114, 0, "", {"p_retrieve@2"}},      // F3
        {120, key_ctrl, "", {"p_filter@2"}}, // F9, whatever the modifiers
    };
    uo_tabpg_datawindow& list = list_page();
    for (const Case& c : cases) {
        // The DataWindow's key event, then the page's own: the same rules.
        for (const bool on_page : {false, true}) {
            set_tags({"p_add", "p_del", "p_preview"}, "0");
            if (!c.usable.empty())
                set_tags({c.usable}, "1");
            presses().clear();
            if (on_page)
                EXPECT_EQ(run(list.ref(), "ue_keydown", {Value(c.key), Value::ulong(c.keyflags)}).as_integral(), 0);
            else
                desktop.key_down(c.key, c.keyflags);
            EXPECT_EQ(presses(), c.pressed) << c.key << " flags " << c.keyflags << (on_page ? " on the page" : "");
        }
    }
    EXPECT_TRUE(desktop.popped_menus().empty());
    EXPECT_EQ(error_codes(), std::vector<int> {});
}

TEST_F(GesturesTest, F10PopsTheMainMenusFirstItemBelowTheToolbar)
{
    list_page();
    desktop.key_down(121);
    ASSERT_EQ(desktop.popped_menus().size(), 1u);
    EXPECT_EQ(desktop.popped_menus()[0].name, "m_file");
    EXPECT_EQ(desktop.popped_menus()[0].x, 10);
    EXPECT_EQ(desktop.popped_menus()[0].y, toolbar_height);
    EXPECT_TRUE(presses().empty());
}

TEST_F(GesturesTest, EnterInTheDataWindowPressesModifyOnce)
{
    list_page();
    desktop.key_down(key_enter);
    EXPECT_EQ(presses(), std::vector<std::string> {"p_modify@2"});
}

TEST_F(GesturesTest, DoubleClicks)
{
    uo_tabpg_datawindow& list = list_page();
    // The header text name_t sorts by name: ascending, then each further double-click toggles.
    for (const char* expected : {"name A", "name D", "name A"}) {
        desktop.double_click(dw(list).ref(), 300, 20);
        EXPECT_EQ(dw(list).describe("datawindow.table.sort"), expected);
    }
    EXPECT_TRUE(presses().empty());

    // A detail row asks to modify it; the empty area of a list does nothing.
    desktop.double_click(dw(list).ref(), 300, 80 + 80 + 10);
    EXPECT_EQ(presses(), std::vector<std::string> {"p_modify@2"});
    presses().clear();
    desktop.double_click(dw(list).ref(), 300, 2000);
    EXPECT_TRUE(presses().empty());

    // The empty area of a free-form record asks to modify it.
    uo_tabpg_datawindow& form = page("uo_tabpg_datawindow", "d_rpr_f");
    EXPECT_EQ(dw(form).retrieve(), 3);
    desktop.double_click(dw(form).ref(), 50, 50);
    EXPECT_EQ(presses(), std::vector<std::string> {"p_modify@1"});

    // Without a current row a header does not sort.
    uo_tabpg_datawindow& empty = page("uo_tabpg_datawindow", "d_rpr");
    desktop.double_click(dw(empty).ref(), 300, 20);
    EXPECT_EQ(dw(empty).describe("datawindow.table.sort"), "?");
    EXPECT_EQ(error_codes(), std::vector<int> {});
}

TEST_F(GesturesTest, SetSortOrdersTheColumnArraysByScreenPosition)
{
    uo_tabpg_datawindow& form = page("uo_tabpg_datawindow", "d_rpr_f");
    EXPECT_EQ(dw(form).modify("rprno.x='300' name.x='100' regdate.x='200'"), "");
    form.is_colname = {"rprno", "name", "regdate", "issave"};
    form.is_titlename = {"户号", "户主", "日期", "存"};
    form.is_colvisible = {"1", "0", "1", "1"};
    form.il_colcount = 3; // the fourth entry is not in use and stays
    EXPECT_EQ(run(form.ref(), "wf_setsort").as_integral(), 0);
    EXPECT_EQ(form.is_colname, (std::vector<std::string> {"name", "regdate", "rprno", "issave"}));
    EXPECT_EQ(form.is_titlename, (std::vector<std::string> {"户主", "日期", "户号", "存"}));
    EXPECT_EQ(form.is_colvisible, (std::vector<std::string> {"0", "1", "1", "1"}));

    // A count beyond the arrays is an error, not a read past them.
    form.il_colcount = 5;
    runtime.dispatch(form.ref(), "wf_setsort");
    EXPECT_EQ(error_codes(), (std::vector<int> {20503, 25015}));
}

TEST_F(GesturesTest, RightClickSwitchesTheMenuForTheColumnAndTheUser)
{
    constexpr std::int32_t row_1 = 80 + 10;
    struct Case {
        std::string_view userno;
        std::string_view password;
        std::int16_t single;
        std::string_view toolbarstatus;
        std::int32_t x;
        std::int32_t y;
        std::string disabled;
        std::string column; // handed over in Message.PowerObjectParm, "" for none
        bool warned;
    };
    const Case cases[] = {
        // The administrator with a short password is warned and may not export; a free-text
        // column cannot be queried; a colour of its own can be undone.
        {"velmora_admin", "ab", 0, "", 50, row_1, "m_saveas m_query", "rprno", true},
        // A number column in the default colour.
        {"velmora_admin", "abc", 0, "", 300, row_1, "m_nocolor", "rprid", false},
        // A single-record page never exports; a drop-down column can be queried.
        {"velmora_admin", "abc", 1, "", 500, row_1, "m_saveas m_nocolor", "name", false},
        // An ordinary user on the row-number column: no export, no query, no column looks.
        {"user01", "secret", 0, "", 1000, row_1,
         "m_saveas m_nocolor m_alignleft m_aligncenter m_alignright m_color m_query", "c_row", false},
        // Outside any column: no column looks, no query, no sort.
        {"velmora_admin", "abc", 0, "", 300, 2000,
         "m_nocolor m_alignleft m_aligncenter m_alignright m_color m_query m_noquery m_nosort", "", false},
        // A header stands for its column; the page's permissions 8 and 9 forbid query and sort.
        {"velmora_admin", "abc", 0, "000000011", 300, 20,
         "m_nocolor m_alignleft m_aligncenter m_alignright m_color m_query m_noquery m_nosort", "rprid", false},
    };
    uo_tabpg_datawindow& list = list_page("d_rpr_menu");
    for (const Case& c : cases) {
        globals.gs_userno = std::string(c.userno);
        globals.gs_userpass = std::string(c.password);
        list.ii_issingle = c.single;
        list.is_toolbarstatus = std::string(c.toolbarstatus);
        runtime.message_object()->power_object_parm = {};
        const std::size_t boxes = desktop.message_boxes().size();

        desktop.right_down(dw(list).ref(), c.x, c.y);
        ASSERT_FALSE(desktop.popped_menus().empty());
        EXPECT_EQ(desktop.popped_menus().back().name, "m_gridmenu");
        EXPECT_EQ(disabled_items(), c.disabled) << c.x << "," << c.y;
        const auto* scope = dynamic_cast<struc_scope*>(runtime.message_object()->power_object_parm.get());
        EXPECT_EQ(scope ? scope->ls_colname : "", c.column) << c.x << "," << c.y;
        if (scope) {
            EXPECT_TRUE(scope->ldw_scope.ref().same_as(dw(list).ref()));
        }
        ASSERT_EQ(desktop.message_boxes().size(), boxes + (c.warned ? 1 : 0));
        if (c.warned) {
            EXPECT_EQ(desktop.message_boxes().back().title, "警告信息");
            EXPECT_EQ(desktop.message_boxes().back().text,
                      "您的总管员口令太短，至少三位！（出于对数据导出安全的考虑）");
        }
    }
    // Export by name: the administrator's user name counts as the administrator too.
    globals.gs_userno = "someone";
    globals.gs_username = "总管员";
    globals.gs_userpass = "abc";
    list.ii_issingle = 0;
    list.is_toolbarstatus.clear();
    desktop.right_down(dw(list).ref(), 300, row_1);
    EXPECT_EQ(disabled_items(), "m_nocolor");
    EXPECT_EQ(error_codes(), std::vector<int> {});
}

} // namespace
} // namespace hearth::test
