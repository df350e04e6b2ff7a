#include "library/tabs/uo_tab.h"

#include "host/object/runtime.h"
#include "library/frame/application.h"
#include "library/tabs/uo_tabpg_datawindow.h"

namespace hearth {

uo_tab::uo_tab()
{
    width = 2679;
    height = 1584;
    facename = "宋体";
    textsize = -9;
    weight = 400;
    fontcharset = 134; // GB2312
    fontpitch = FontPitch::Variable;
    backcolor = colors::button_face;
    raggedright = true;
    focusonbuttondown = true;
    selectedtab = 1;
}

ScriptResult uo_tab::constructor(ScriptCall& call)
{
    if (AppGlobals* globals = app_globals(call, "gl_backcolor"))
        backcolor = globals->gl_backcolor;
    return no_return;
}

ScriptResult uo_tab::clicked(ScriptCall& call)
{
    AppGlobals* globals = app_globals(call, "guo_tabpg_now");
    if (!globals)
        return no_return;
    if (auto* page = call.use(Ref<uo_tabpg_datawindow>(globals->guo_tabpg_now), "guo_tabpg_now"))
        if (uo_dw* dw = call.use(page->dw_1, "guo_tabpg_now.dw_1"))
            dw->set_focus();
    return no_return;
}

const ClassTable& _getVtableInfo_uo_tab()
{
    static const ClassTable table {
        "uo_tab",
        "tab",
        make_object<uo_tab>,
        {},
        {{own_group,
          "",
          {},
          {{34, "constructor", on_self<&uo_tab::constructor>}, {36, "clicked", on_self<&uo_tab::clicked>}}}}};
    return table;
}

} // namespace hearth
