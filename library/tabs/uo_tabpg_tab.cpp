#include "library/tabs/uo_tabpg_tab.h"

#include "host/object/runtime.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/tabs/tabs_support.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <string>

namespace hearth {

namespace {

// Page `index` (1-based) of a tab control's Control array. Outside the array: 20503; not a
// query page: 20502. Reported handled, nullptr and the caller skips the statement.
uo_tabpg_datawindow* page_at(ScriptCall& call, const Tab& tab, std::int32_t index)
{
    const std::string what = "tab_1.control[" + std::to_string(index) + "]";
    if (index < 1 || static_cast<std::size_t>(index) > tab.control().size()) {
        call.raise(ErrorCode::ArrayBounds, what);
        return nullptr;
    }
    return call.use(Ref<uo_tabpg_datawindow>(tab.control()[std::size_t(index - 1)]), what);
}

long rows_of(const uo_tabpg_datawindow& page)
{
    const uo_dw* dw = page.dw_1.get();
    return dw ? dw->row_count() : 0;
}

} // namespace

uo_tabpg_tab::uo_tabpg_tab()
{
    width = 2482;
    height = 1004;
    border = true;
    borderstyle = BorderStyle::Lowered;
    backcolor = colors::button_face;
    text = "none";
    tabtextcolor = colors::window_text;
    picturemaskcolor = colors::transparent;
}

ScriptResult uo_tabpg_tab::create(ScriptCall& call)
{
    call.runtime().create_controls(call);
    uo_tab* tab = tab_1.get();
    assert(tab && "create_controls has just made tab_1");
    tab->width = 2331;
    tab->height = 948;
    tab->taborder = 10;
    tab->tabposition = TabPosition::Right; // the runtime's value 3
    return no_return;
}

ScriptResult uo_tabpg_tab::constructor(ScriptCall& call)
{
    if (uo_tab* tab = call.use(tab_1, "tab_1")) {
        tab->x = 0;
        tab->y = 0;
    }
    if (AppGlobals* globals = app_globals(call, "gl_backcolor")) {
        backcolor = globals->gl_backcolor;
        tabbackcolor = globals->gl_backcolor;
        tabtextcolor = globals->gl_textcolor;
    }
    return no_return;
}

ScriptResult uo_tabpg_tab::resize(ScriptCall& call)
{
    const std::int32_t w = call.arg_as<std::int16_t>(0).value_or(0);
    const std::int32_t h = call.arg_as<std::int16_t>(1).value_or(0);
    AppGlobals* globals = app_globals(call, "gi_tunepic");
    uo_tab* tab = call.use(tab_1, "tab_1");
    if (!globals || !tab)
        return no_return;
    // Headless there is nothing to redraw; the front end draws after the script.
    tab->width = w - 55;
    tab->height = h - globals->gi_tunepic - 125;
    tab->select_tab(tab->selectedtab);
    return no_return;
}

ScriptResult uo_tabpg_tab::wf_refreshtab(ScriptCall&) { return no_return; }

ScriptResult uo_tabpg_tab::tab_1_selectionchanged(ScriptCall& call)
{
    const std::int32_t oldindex = call.arg_as<std::int16_t>(0).value_or(0);
    const std::int32_t newindex = call.arg_as<std::int16_t>(1).value_or(0);
    uo_tab& tab = call.self<uo_tab>();
    AppGlobals* globals = app_globals(call, "guo_tabpg_now");
    if (!globals)
        return no_return;
    uo_tabpg_datawindow* p = page_at(call, tab, newindex);
    if (!p)
        return no_return;
    uo_dw* dw = call.use(p->dw_1, "dw_1");
    if (!dw)
        return no_return;

    globals->guo_tabpg_now = p->ref();
    dw->set_focus();
    call.call(p->ref(), "resize",
              {Value::integer(static_cast<std::int16_t>(tab.width)),
               Value::integer(static_cast<std::int16_t>(tab.height - 2 * globals->gi_tunepic - 5))});

    if (oldindex > 0 && oldindex != newindex) {
        if (uo_tabpg_datawindow* old = page_at(call, tab, oldindex)) {
            globals->guo_tabpg_old = old->ref();
            old->tabtextcolor = old->is_tabvisible == "0" ? tab_colors::left_hidden_text : tab_colors::left_text;
            old->tabbackcolor = colors::button_face;
        }
    }
    p->tabtextcolor = tab_colors::selected_text;
    p->tabbackcolor = tab_colors::selected_back;

    // The master list refreshes the toolbar only; a detail page is fetched for the master's
    // current row each time it is shown.
    call.call(p->dw_1, newindex < 2 ? "ue_rowcountchanged" : "ue_retrieve");
    if (oldindex != newindex)
        globals->gs_querystr.clear();

    const std::string& s = p->is_toolbarstatus;
    auto allowed = [&](std::size_t position, const char* value) { return tabs::status_char(s, position) == value; };
    auto has_rows = [&] { return rows_of(*p) > 0; };
    auto* master = Ref<uo_tabpg_datawindow>(globals->guo_tabpg_master).get();

    if (p->ii_issingle != 0) {
        tabs::set_enabled(call, "p_retrieve", false);
        tabs::set_enabled(call, "p_add", allowed(3, "0"));
        tabs::set_enabled(call, "p_modify", has_rows() && allowed(4, "0"));
        tabs::set_enabled(call, "p_del", has_rows() && allowed(5, "0"));
    } else if (newindex >= 2) {
        tabs::set_enabled(call, "p_retrieve", !allowed(2, "1"));
        if (allowed(3, "1"))
            tabs::set_enabled(call, "p_add", false);
        else if (p->is_relafield.empty() || !master)
            tabs::set_enabled(call, "p_add", true);
        else if (uo_dw* master_dw = call.use(master->dw_1, "guo_tabpg_master.dw_1");
                 master_dw && master_dw->row_count() == 0)
            tabs::set_enabled(call, "p_add", false);
        // A master with rows leaves the add button as it was.
        tabs::set_enabled(call, "p_modify", allowed(4, "0"));
        tabs::set_enabled(call, "p_del", allowed(5, "0"));
    } else {
        tabs::set_enabled(call, "p_retrieve", !allowed(2, "1"));
        tabs::set_enabled(call, "p_add", allowed(3, "0"));
        tabs::set_enabled(call, "p_modify", has_rows() && allowed(4, "0"));
        tabs::set_enabled(call, "p_del", has_rows() && allowed(5, "0"));
    }

    // The master may have gone while the scripts above ran: read it afresh.
    master = Ref<uo_tabpg_datawindow>(globals->guo_tabpg_master).get();
    if (master && master != p) {
        if (uo_dw* master_dw = call.use(master->dw_1, "guo_tabpg_master.dw_1")) {
            const long ll_row = master_dw->get_row();
            const bool belongs = ll_row > 0 && p->is_masterid == master->tag
                && fn::lower(master_dw->describe("IsSave.Name")) == "issave";
            if (!belongs) {
                if (master_dw->row_count() == 0 && tabs::button_tag(call, "p_retrieve") == "1")
                    tabs::press(call, "p_retrieve", dw->get_row());
            } else {
                const Value ls_issave = master_dw->get_item_string(ll_row, "issave");
                // A null issave compares as unknown, so the page follows its status string.
                if (!ls_issave.is_null() && ls_issave.as_string() != "0" && !p->is_relafield.empty()) {
                    tabs::set_enabled(call, "p_add", false);
                    tabs::set_enabled(call, "p_modify", false);
                } else {
                    tabs::set_enabled(call, "p_add", allowed(3, "0"));
                    tabs::set_enabled(call, "p_modify", allowed(4, "0"));
                }
            }
        }
    }

    if (rows_of(*p) == 0) {
        tabs::set_enabled(call, "p_del", false);
        tabs::set_enabled(call, "p_modify", false);
    }
    return no_return;
}

const ClassTable& _getVtableInfo_uo_tabpg_tab()
{
    static const ClassTable table {
        "uo_tabpg_tab",
        "userobject",
        make_object<uo_tabpg_tab>,
        {{"tab_1", "uo_tab", store_in<&uo_tabpg_tab::tab_1>}},
        {{own_group,
          "",
          {{"wf_refreshtab", SlotKind::Function, std::nullopt, 0}},
          {{22, "resize", on_self<&uo_tabpg_tab::resize>},
           {49, "wf_refreshtab", on_self<&uo_tabpg_tab::wf_refreshtab>},
           {0, "create", on_self<&uo_tabpg_tab::create>},
           {1, "destroy", destroy_script},
           {34, "constructor", on_self<&uo_tabpg_tab::constructor>}}},
         {32786, "tab_1", {}, {{47, "selectionchanged", on_parent<&uo_tabpg_tab::tab_1_selectionchanged>}}}}};
    return table;
}

} // namespace hearth
