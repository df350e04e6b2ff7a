// uo_tabpg_datawindow's toolbar state: the buttons from the page's row count and its
// permission string (character 2 retrieve, 3 add, 4 modify, 5 delete; for retrieve and add a
// "1" forbids, for modify and delete only a "0" allows).

#include "host/object/runtime.h"
#include "library/frame/application.h"
#include "library/tabs/tabs_support.h"
#include "library/tabs/uo_tabpg_datawindow.h"

namespace hearth {

using tabs::set_enabled;
using tabs::status_char;

ScriptResult uo_tabpg_datawindow::dw_1_ue_rowcountchanged(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    const std::string& s = is_toolbarstatus;
    set_enabled(call, "p_preview", dw.row_count() > 0);
    if (dw.row_count() == 0)
        set_enabled(call, "p_del", false);
    set_enabled(call, "p_modify", dw.row_count() > 0 && status_char(s, 4) == "0");

    if (ii_issingle == 0 && is_relafield.empty()) {
        // A list page without master.
        set_enabled(call, "p_retrieve", status_char(s, 2) != "1");
        set_enabled(call, "p_add", status_char(s, 3) != "1");
        if (dw.row_count() > 0 && status_char(s, 5) == "0")
            set_enabled(call, "p_del", true);
    } else if (ii_issingle == 1) {
        set_enabled(call, "p_add", status_char(s, 3) != "1");
    }
    // A list page with a master leaves retrieve and add to the tab that shows it.
    return no_return;
}

ScriptResult uo_tabpg_datawindow::ue_refreshtab(ScriptCall& call)
{
    AppGlobals* globals = app_globals(call, "guo_tabpg_now");
    if (!globals)
        return no_return;
    auto* now = call.use(Ref<uo_tabpg_datawindow>(globals->guo_tabpg_now), "guo_tabpg_now");
    if (!now)
        return no_return;
    uo_dw* now_dw = call.use(now->dw_1, "guo_tabpg_now.dw_1");
    if (!now_dw)
        return no_return;
    const std::string& s = now->is_toolbarstatus;
    auto n = [&] { return now_dw->row_count(); };

    if (now->ii_rowcount == 0)
        now->ii_rowcount = 1;
    set_enabled(call, "p_add", status_char(s, 3) == "0");

    if (now->ii_issingle != 0) {
        for (const char* button : {"p_setshow", "p_sorter", "p_filter"})
            set_enabled(call, button, false);
        set_enabled(call, "p_preview", n() >= 1);
    } else {
        set_enabled(call, "p_retrieve", status_char(s, 2) != "1");
        // The add button once more, now from the master page.
        auto* master = dynamic_cast<uo_tabpg_datawindow*>(globals->guo_tabpg_master.get());
        if (!master) {
            set_enabled(call, "p_add", status_char(s, 3) == "0");
        } else if (master->is_haverelation != "1") {
            set_enabled(call, "p_add", true);
        } else {
            uo_dw* master_dw = call.use(master->dw_1, "guo_tabpg_master.dw_1");
            const bool master_has_rows = master_dw && master_dw->row_count() > 0;
            set_enabled(call, "p_add", status_char(s, 3) == "0" && (master_has_rows || master == now));
        }
        if (n() >= 1)
            for (const char* button : {"p_preview", "p_setshow", "p_sorter", "p_filter"})
                set_enabled(call, button, true);
    }

    set_enabled(call, "p_modify", n() > 0 && status_char(s, 4) == "0");
    set_enabled(call, "p_del", n() > 0 && status_char(s, 5) == "0");
    return no_return;
}

} // namespace hearth
