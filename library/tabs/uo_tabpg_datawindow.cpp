#include "library/tabs/uo_tabpg_datawindow.h"

#include "host/object/runtime.h"
#include "library/frame/application.h"
#include "library/tabs/tabs_support.h"

namespace hearth {

uo_tabpg_datawindow::uo_tabpg_datawindow()
{
    width = 1166;
    height = 432;
    backcolor = colors::button_face;
    text = "none";
    tabtextcolor = colors::window_text;
    picturemaskcolor = colors::transparent;
}

ScriptResult uo_tabpg_datawindow::resize(ScriptCall& call)
{
    const std::int32_t w = call.arg_as<std::int16_t>(0).value_or(0);
    const std::int32_t h = call.arg_as<std::int16_t>(1).value_or(0);
    AppGlobals* globals = app_globals(call, "gi_tunepic");
    uo_dw* dw = call.use(dw_1, "dw_1");
    if (!globals || !dw)
        return no_return;
    dw->set_redraw(false);
    dw->width = w - 35;
    dw->height = h - globals->gi_tunepic - 105;
    dw->set_redraw(true);
    return no_return;
}

ScriptResult uo_tabpg_datawindow::create(ScriptCall& call)
{
    call.runtime().create_controls(call);
    if (uo_dw* dw = dw_1.get()) {
        dw->x = 9;
        dw->y = 8;
        dw->taborder = 10;
    }
    return no_return;
}

ScriptResult uo_tabpg_datawindow::constructor(ScriptCall& call)
{
    if (uo_dw* dw = call.use(dw_1, "dw_1")) {
        dw->x = 0;
        dw->y = 0;
    }
    if (AppGlobals* globals = app_globals(call, "gl_backcolor")) {
        backcolor = globals->gl_backcolor;
        tabbackcolor = globals->gl_backcolor;
        tabtextcolor = globals->gl_textcolor;
    }
    return no_return;
}

// ---- dw_1 -----------------------------------------------------------------------------------

ScriptResult uo_tabpg_datawindow::dw_1_constructor(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    const Message* message = call.runtime().message_object();
    if (!message) {
        call.raise(ErrorCode::NullObjectReference, "message");
        return no_return;
    }
    dw.set_dataobject(message->string_parm);
    if (AppGlobals* globals = app_globals(call, "sqlca"))
        dw.set_trans_object(globals->sqlca);
    is_sql = dw.describe("datawindow.table.select");
    dw.modify("datawindow.readonly=yes");
    return no_return;
}

const ClassTable& _getVtableInfo_uo_tabpg_datawindow()
{
    static const ClassTable table {
        "uo_tabpg_datawindow",
        "userobject",
        make_object<uo_tabpg_datawindow>,
        {{"dw_1", "uo_dw", store_in<&uo_tabpg_datawindow::dw_1>}},
        {{own_group,
          "",
          {{"ue_saveas", SlotKind::Event, Type::Long, 0},
           {"ue_refreshtab", SlotKind::Event, Type::Long, 0},
           {"ue_keydown", SlotKind::Event, Type::Long, 2, "pbm_keydown"},
           {"wf_setsort", SlotKind::Function, Type::Integer, 0}},
          {{49, "ue_saveas", on_self<&uo_tabpg_datawindow::ue_saveas>},
           {50, "ue_refreshtab", on_self<&uo_tabpg_datawindow::ue_refreshtab>},
           {51, "ue_keydown", on_self<&uo_tabpg_datawindow::ue_keydown>},
           {22, "resize", on_self<&uo_tabpg_datawindow::resize>},
           {52, "wf_setsort", on_self<&uo_tabpg_datawindow::wf_setsort>},
           {34, "constructor", on_self<&uo_tabpg_datawindow::constructor>},
           {0, "create", on_self<&uo_tabpg_datawindow::create>},
           {1, "destroy", destroy_script}}},
         {32786,
          "dw_1",
          {{"ue_retrieve", SlotKind::Event, Type::Long, 0},
           {"ue_enter", SlotKind::Event, Type::Long, 0, "pbm_dwnprocessenter"},
           {"ue_rowcountchanged", SlotKind::Event, Type::Long, 0},
           {"ue_setautocolumn", SlotKind::Event, Type::Long, 1}, // (al_row)
           {"ue_dwnkey", SlotKind::Event, Type::Long, 2, "pbm_dwnkey"}},
          {{436, "ue_retrieve", on_parent<&uo_tabpg_datawindow::dw_1_ue_retrieve>},
           {437, "ue_enter", on_parent<&uo_tabpg_datawindow::dw_1_ue_enter>},
           {438, "ue_rowcountchanged", on_parent<&uo_tabpg_datawindow::dw_1_ue_rowcountchanged>},
           {439, "ue_setautocolumn", on_parent<&uo_tabpg_datawindow::dw_1_ue_setautocolumn>},
           {440, "ue_dwnkey", on_parent<&uo_tabpg_datawindow::dw_1_ue_dwnkey>},
           {37, "constructor", on_parent<&uo_tabpg_datawindow::dw_1_constructor>},
           {40, "doubleclicked", on_parent<&uo_tabpg_datawindow::dw_1_doubleclicked>},
           {55, "rbuttondown", on_parent<&uo_tabpg_datawindow::dw_1_rbuttondown>}}}}};
    return table;
}

} // namespace hearth
