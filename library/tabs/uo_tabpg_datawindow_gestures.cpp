// uo_tabpg_datawindow's gestures: keys that press toolbar buttons, Enter and double-click as a
// request to modify, header sorting, the column-settings arrays in screen order, and the
// right-button menu switched for the clicked column and the user's rights. The page never
// changes rows itself: it presses the toolbar's buttons.

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/window.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/frame/struc_scope.h"
#include "library/tabs/tabs_support.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <algorithm>
#include <array>
#include <memory>

namespace hearth {

namespace {

constexpr std::int32_t key_f3 = 114;
constexpr std::int32_t key_f9 = 120;
constexpr std::int32_t key_f10 = 121;

// Ctrl+letter presses a button; add, delete and preview only while their tag says usable,
// modify always (the toolbar's handler refuses it when it must).
struct CtrlKey {
    std::int32_t key;
    std::string_view button;
    bool tag_test;
};
constexpr std::array<CtrlKey, 4> ctrl_keys {{
    {78, "p_add", true},     // N
    {77, "p_modify", false}, // M
    {68, "p_del", true},     // D
    {80, "p_preview", true}, // P
}};

// Keys that press a button whatever the modifiers; the toolbar's handler decides.
constexpr std::array<std::pair<std::int32_t, std::string_view>, 2> plain_keys {{
    {key_f3, "p_retrieve"},
    {key_f9, "p_filter"},
}};

// The administrator of the export rights, by name or by user number.
bool is_administrator(const AppGlobals& globals)
{
    return globals.gs_username == "总管员" || globals.gs_userno == "velmora_admin";
}

// F10: the first item of w_main's menu, popped just below the toolbar.
void pop_main_menu(ScriptCall& call)
{
    AppGlobals* globals = app_globals(call, "w_main");
    if (!globals)
        return;
    auto* window = dynamic_cast<Window*>(call.use(globals->w_main, "w_main"));
    auto* tool = dynamic_cast<VisualObject*>(call.use(w_main_dw_tool(*globals), "w_main.dw_tool"));
    if (!window || !tool)
        return;
    const std::shared_ptr<Menu> first = window->menuid ? window->menuid->item(1) : nullptr;
    if (!first) {
        call.raise(ErrorCode::NullObjectReference, "w_main.menuid.item[1]");
        return;
    }
    first->pop_menu(10, tool->height);
}

// ue_keydown and ue_dwnkey: the same rules for the page and its DataWindow.
void page_key(ScriptCall& call, uo_dw* dw, std::int32_t key, std::uint32_t keyflags)
{
    const long row = dw ? dw->get_row() : 0;
    if (keyflags == key_ctrl) {
        for (const CtrlKey& ctrl : ctrl_keys)
            if (ctrl.key == key && (!ctrl.tag_test || tabs::button_tag(call, ctrl.button) == "1"))
                tabs::press(call, ctrl.button, row);
    }
    if (key == key_f10)
        pop_main_menu(call);
    for (const auto& [plain, button] : plain_keys)
        if (plain == key)
            tabs::press(call, button, row);
}

// The column a header text object stands for: its name without the two-character suffix.
std::string header_column(const std::string& name) { return fn::left(name, fn::len(name) - 2); }

// Sets a menu item's enabled; an item the application's menu lacks raises 20502.
void set_item_enabled(ScriptCall& call, const Menu& menu, std::string_view item, bool enabled)
{
    if (const std::shared_ptr<Menu> found = menu.find(item))
        found->enabled = enabled;
    else
        call.raise(ErrorCode::NullObjectReference, "m_gridrbutton." + std::string(item));
}

} // namespace

ScriptResult uo_tabpg_datawindow::ue_keydown(ScriptCall& call)
{
    page_key(call, dw_1.get(), call.arg_as<std::int32_t>(0).value_or(0), call.arg_as<std::uint32_t>(1).value_or(0));
    return Value(std::int32_t(0));
}

ScriptResult uo_tabpg_datawindow::dw_1_ue_dwnkey(ScriptCall& call)
{
    page_key(call, &call.self<uo_dw>(), call.arg_as<std::int32_t>(0).value_or(0),
             call.arg_as<std::uint32_t>(1).value_or(0));
    return Value(std::int32_t(0));
}

ScriptResult uo_tabpg_datawindow::dw_1_ue_enter(ScriptCall& call)
{
    tabs::press(call, "p_modify", call.self<uo_dw>().get_row());
    return no_return;
}

ScriptResult uo_tabpg_datawindow::dw_1_doubleclicked(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    const DwObject* dwo = call.use(call.arg_object<DwObject>(3), "dwo");
    if (!dwo)
        return no_return;
    // Over no object: a free-form record asks to be modified, a list does nothing.
    if (dwo->name == "datawindow") {
        if (fn::right(dw.dataobject(), 2) == "_f")
            call.call(dw.ref(), "ue_enter");
        return no_return;
    }
    if (dw.get_row() < 1)
        return no_return;
    if (dwo->band == "header") {
        const std::string column = header_column(dwo->name);
        const std::string current = dw.get_object_attribute("datawindow", "table.sort");
        const std::string ls_sort = current == column + " A" ? column + " D" : column + " A";
        if (dw.set_sort(ls_sort) < 0)
            call.raise(ErrorCode::CallFailed, "SetSort(\"" + ls_sort + "\")");
        if (dw.sort() < 0)
            call.raise(ErrorCode::CallFailed, "Sort()");
    } else if (dwo->band == "detail") {
        call.call(dw.ref(), "ue_enter");
    }
    return no_return;
}

ScriptResult uo_tabpg_datawindow::wf_setsort(ScriptCall& call)
{
    const std::size_t count = static_cast<std::size_t>(std::max(il_colcount, std::int32_t(0)));
    if (count > std::min({is_colname.size(), is_titlename.size(), is_colvisible.size()})) {
        call.raise(ErrorCode::ArrayBounds, "wf_setsort: il_colcount " + std::to_string(il_colcount));
        return Value::integer(0);
    }
    uo_dw* dw = call.use(dw_1, "dw_1");
    if (!dw)
        return Value::integer(0);
    std::vector<std::int32_t> ll_dsx(count);
    for (std::size_t i = 0; i < count; ++i)
        ll_dsx[i] = fn::to_long(dw->describe(is_colname[i] + ".x"));
    // Exchange sort, as the arrays were always ordered: equal positions keep their order.
    for (std::size_t i = 0; i + 1 < count; ++i)
        for (std::size_t j = i + 1; j < count; ++j)
            if (ll_dsx[j] < ll_dsx[i]) {
                std::swap(ll_dsx[i], ll_dsx[j]);
                std::swap(is_colname[i], is_colname[j]);
                std::swap(is_titlename[i], is_titlename[j]);
                std::swap(is_colvisible[i], is_colvisible[j]);
            }
    return Value::integer(0);
}

ScriptResult uo_tabpg_datawindow::dw_1_rbuttondown(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    AppGlobals* globals = app_globals(call, "m_gridrbutton");
    if (!globals)
        return no_return;
    const std::shared_ptr<Menu> menu = Application::current()->create_grid_menu(dw);
    if (!menu) {
        call.raise(ErrorCode::NullObjectReference, "m_gridrbutton");
        return no_return;
    }
    auto enable = [&](std::string_view item, bool on) { set_item_enabled(call, *menu, item, on); };

    // Export: the administrator only, and only with a password of three characters or more.
    if (is_administrator(*globals)) {
        if (fn::len(globals->gs_userpass) < 3) {
            enable("m_saveas", false);
            if (Desktop* desktop = Desktop::current())
                desktop->message_box(Value("警告信息"),
                                     Value("您的总管员口令太短，至少三位！（出于对数据导出安全的考虑）"));
        } else {
            enable("m_saveas", true);
        }
    } else {
        enable("m_saveas", false);
    }
    if (ii_issingle == 1)
        enable("m_saveas", false);

    // Colour and alignment need a column; the default text colour has nothing to undo.
    const int ll_currentcolumn = dw.get_clicked_column();
    if (ll_currentcolumn < 1) {
        for (std::string_view item : {"m_alignleft", "m_aligncenter", "m_alignright", "m_color", "m_nocolor"})
            enable(item, false);
    } else if (fn::to_long(dw.describe("#" + std::to_string(ll_currentcolumn) + ".Color")) == colors::window_text) {
        enable("m_nocolor", false);
    }

    const DwObject* dwo = call.use(call.arg_object<DwObject>(3), "dwo");
    if (!dwo || dwo->name == "datawindow" || fn::right(dw.dataobject(), 2) == "_f") {
        for (std::string_view item : {"m_query", "m_noquery", "m_nosort"})
            enable(item, false);
    } else {
        const std::string ls_colname = dwo->band == "header" ? header_column(dwo->name) : dwo->name;
        // A free-text column and a column of unknown type cannot be queried by value, nor can
        // the row-number column.
        const std::string coltype = fn::lower(dw.describe(ls_colname + ".ColType"));
        const std::string edit_style = fn::lower(dw.describe(ls_colname + ".Edit.Style"));
        if ((fn::left(coltype, 1) == "c" && fn::left(edit_style, 4) == "edit") || fn::left(coltype, 1) == "u")
            enable("m_query", false);
        if (dw.describe(ls_colname + ".Type") == "compute"
            && fn::lower(fn::trim(dw.describe(ls_colname + ".Expression"))) == "getrow()")
            enable("m_query", false);

        // The menu's items find the DataWindow and the column in Message.PowerObjectParm.
        if (m_scope.is_valid())
            call.runtime().destroy(m_scope);
        m_scope = call.runtime().create("struc_scope");
        if (auto* scope = dynamic_cast<struc_scope*>(m_scope.get())) {
            scope->ldw_scope = dw.ref();
            scope->ls_colname = ls_colname;
        }
        if (Message* message = call.runtime().message_object())
            message->power_object_parm = m_scope;

        // Nothing to return to when the design has no sort order.
        DataStore lds;
        lds.set_dataobject(dw.dataobject());
        if (lds.get_object_attribute("datawindow", "table.sort") == "?")
            enable("m_nosort", false);
    }

    // The page's permissions for the query and the sort items.
    if (tabs::status_char(is_toolbarstatus, 8) == "1") {
        enable("m_query", false);
        enable("m_noquery", false);
    }
    if (tabs::status_char(is_toolbarstatus, 9) == "1")
        enable("m_nosort", false);

    const std::shared_ptr<Menu> shown = menu->find("m_gridmenu");
    Desktop* desktop = Desktop::current();
    if (!shown) {
        call.raise(ErrorCode::NullObjectReference, "m_gridrbutton.m_gridmenu");
        return no_return;
    }
    if (desktop)
        shown->pop_menu(desktop->pointer_x(globals->w_main), desktop->pointer_y(globals->w_main));
    return no_return;
}

} // namespace hearth
