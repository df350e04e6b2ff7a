#include "library/tabs/uo_tabpg_form.h"

#include "host/object/runtime.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/tabs/tabs_support.h"

namespace hearth {

using tabs::set_enabled;

namespace {

// A script that adds nothing to its ancestor's, which the runtime has run already.
ScriptResult ancestor_only(ScriptCall&) { return no_return; }

} // namespace

ScriptResult uo_tabpg_form::create(ScriptCall& call)
{
    // The ancestor's create has made dw_1 already; the form's design gives it a scroll bar.
    call.runtime().create_controls(call);
    if (uo_dw* dw = dw_1.get())
        dw->vscrollbar = true;
    return no_return;
}

ScriptResult uo_tabpg_form::dw_1_ue_rowcountchanged(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    for (const char* button : {"p_setshow", "p_filter", "p_sorter", "p_del"})
        set_enabled(call, button, false);
    set_enabled(call, "p_add", !(dw.row_count() == 1 || tabs::status_char(is_toolbarstatus, 3) == "1"));
    if (!is_condition.empty() && visible) {
        set_enabled(call, "p_modify", true);
        set_enabled(call, "p_add", false);
    }
    return no_return;
}

ScriptResult uo_tabpg_form::dw_1_retrieveend(ScriptCall& call)
{
    if (!visible)
        return no_return;
    if (!app_globals(call, "gf_setcolumn_right"))
        return no_return;
    Application::current()->gf_setcolumn_right(call.self<uo_dw>(), fn::to_long(tag));
    return no_return;
}

const ClassTable& _getVtableInfo_uo_tabpg_form()
{
    static const ClassTable table {"uo_tabpg_form",
                                   "uo_tabpg_datawindow",
                                   make_object<uo_tabpg_form>,
                                   {},
                                   {{own_group,
                                     "",
                                     {},
                                     {{0, "create", on_self<&uo_tabpg_form::create>},
                                      {1, "destroy", destroy_script},
                                      {34, "constructor", ancestor_only}}},
                                    {32776,
                                     "dw_1",
                                     {},
                                     {{438, "ue_rowcountchanged", on_parent<&uo_tabpg_form::dw_1_ue_rowcountchanged>},
                                      {57, "retrieveend", on_parent<&uo_tabpg_form::dw_1_retrieveend>}}}}};
    return table;
}

} // namespace hearth
