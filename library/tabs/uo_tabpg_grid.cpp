#include "library/tabs/uo_tabpg_grid.h"

#include "host/datawindow/text_util.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/tabs/tabs_support.h"
#include "library/tabs/uo_tabpg_tab.h"

#include <algorithm>
#include <limits>

namespace hearth {

namespace {

// The SELECT as the text of a single-quoted Modify value: the tilde escapes give the
// statement back exactly, whatever quotes, tildes or line breaks it holds.
std::string select_command(const std::string& select)
{
    return "datawindow.table.select='" + dw::escape_tilde(select, '\'') + "'";
}

// The designed SELECT with its first "SELECT" keyword followed by TOP n. A statement whose
// keyword is not written in capitals is left whole: every row.
std::string limited_select(const std::string& select, std::int32_t limit)
{
    const std::size_t at = select.find("SELECT");
    if (at == std::string::npos)
        return select;
    std::string limited = select;
    limited.replace(at, 6, "SELECT TOP " + std::to_string(limit) + " ");
    return limited;
}

} // namespace

std::optional<std::int32_t> grid::first_row_limit(std::string_view gs_firstrow)
{
    if (gs_firstrow.empty())
        return std::nullopt;
    std::int64_t limit = 0;
    for (char c : gs_firstrow) {
        if (c < '0' || c > '9')
            return std::nullopt;
        limit = limit * 10 + (c - '0');
        if (limit > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    if (limit < 1)
        return std::nullopt;
    return static_cast<std::int32_t>(limit);
}

std::vector<std::string> uo_tabpg_grid::wf_getobjects(DataWindowBase& adw, std::string_view as_objtype,
                                                      std::string_view as_band, bool ab_visibleonly)
{
    std::vector<std::string> as_objlist;
    const std::string ls_objstring = adw.describe("Datawindow.Objects");
    // "!" answers a DataWindow without an object; it names nothing.
    if (ls_objstring == "!")
        return as_objlist;
    std::size_t li_start = 0;
    while (li_start <= ls_objstring.size()) {
        const std::size_t li_tab = std::min(ls_objstring.find('\t', li_start), ls_objstring.size());
        const std::string ls_objholder = ls_objstring.substr(li_start, li_tab - li_start);
        li_start = li_tab + 1;
        if (ls_objholder.empty())
            continue;
        if ((as_objtype == "*" || adw.describe(ls_objholder + ".type") == as_objtype)
            && (as_band == "*" || adw.describe(ls_objholder + ".band") == as_band)
            && (!ab_visibleonly || adw.describe(ls_objholder + ".visible") == "1"))
            as_objlist.push_back(ls_objholder);
    }
    return as_objlist;
}

ScriptResult uo_tabpg_grid::wf_getobjects_script(ScriptCall& call)
{
    auto* adw = call.use(call.arg_object<DataWindowControl>(0), "adw");
    if (!adw)
        return Value::integer(0);
    const std::vector<std::string> names
        = wf_getobjects(*adw, call.arg_as<std::string>(2).value_or(""), call.arg_as<std::string>(3).value_or(""),
                        call.arg_as<bool>(4).value_or(false));
    return Value::integer(static_cast<std::int16_t>(names.size()));
}

ScriptResult uo_tabpg_grid::create(ScriptCall& call)
{
    call.runtime().create_controls(call);
    uo_dw* dw = dw_1.get();
    assert(dw && "the ancestor's create has just made dw_1");
    dw->hscrollbar = true;
    dw->vscrollbar = true;
    return no_return;
}

ScriptResult uo_tabpg_grid::constructor(ScriptCall&) { return no_return; }

ScriptResult uo_tabpg_grid::wf_settabstatus(ScriptCall& call)
{
    const std::int32_t al_row = call.arg_as<std::int32_t>(0).value_or(0);
    AppGlobals* globals = app_globals(call, "guo_tabpg_now");
    if (!globals)
        return no_return;
    // Only the master page in front shows or hides detail pages.
    auto* now = Ref<uo_tabpg_datawindow>(globals->guo_tabpg_now).get();
    if (!now || !globals->guo_tabpg_now.same_as(globals->guo_tabpg_master))
        return no_return;
    uo_dw* now_dw = call.use(now->dw_1, "guo_tabpg_now.dw_1");
    if (!now_dw || now_dw->row_count() == 0)
        return no_return;

    auto* nested = call.use(Ref<uo_tabpg_tab>(globals->guo_tab), "guo_tab");
    if (!nested)
        return no_return;
    uo_tab* tab = call.use(nested->tab_1, "guo_tab.tab_1");
    auto* master = call.use(Ref<uo_tabpg_datawindow>(globals->guo_tabpg_master), "guo_tabpg_master");
    if (!tab || !master)
        return no_return;
    uo_dw* master_dw = call.use(master->dw_1, "guo_tabpg_master.dw_1");
    if (!master_dw)
        return no_return;

    const std::vector<ObjectRef> pages = tab->control();
    for (std::size_t ll_i = 0; ll_i < pages.size(); ++ll_i) {
        auto* ltab_now = call.use(Ref<uo_tabpg_datawindow>(pages[ll_i]),
                                  "guo_tab.tab_1.control[" + std::to_string(ll_i + 1) + "]");
        if (!ltab_now || ltab_now->is_condition.empty() || ltab_now->is_tabvisible == "1")
            continue;
        const std::string& relafield = ltab_now->is_relafield;
        const std::size_t dot = relafield.find('.');
        const std::string ls_field = dot == std::string::npos ? relafield : relafield.substr(dot + 1);
        const std::string ls_coltype = fn::lower(fn::left(master_dw->describe(ls_field + ".ColType"), 4));

        // The master row's relation value as an expression literal; a quote inside a text
        // value is escaped, never spliced.
        Value value;
        std::string literal;
        if (ls_coltype == "char") {
            value = master_dw->get_item_string(al_row, ls_field);
            if (!value.is_null())
                literal = "'" + dw::escape_tilde(value.as_string(), '\'') + "'";
        } else if (ls_coltype == "long") {
            value = master_dw->get_item_number(al_row, ls_field);
            if (!value.is_null())
                literal = fn::to_string(fn::to_long(value)).as_string();
        } else if (ls_coltype == "deci") {
            value = master_dw->get_item_decimal(al_row, ls_field);
            if (!value.is_null())
                literal = fn::to_string(value.as_decimal());
        } else {
            // No condition can be formed on this type: the page stays as it is.
            continue;
        }

        // A null relation value makes the whole condition null, which no row satisfies.
        bool show = false;
        if (!value.is_null()) {
            const std::string ls_condition = ls_field + "=" + literal + " AND " + ltab_now->is_condition;
            const long ll_satisfy = master_dw->find(ls_condition, master_dw->get_row(), master_dw->row_count());
            show = ll_satisfy == al_row && ltab_now->ib_visible;
        }
        ltab_now->visible = show;
    }
    return no_return;
}

// ---- dw_1 -----------------------------------------------------------------------------------

ScriptResult uo_tabpg_grid::dw_1_constructor(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    for (const std::string& name : wf_getobjects(dw, "text", "header", true)) {
        dw.modify(name + ".Border = '0'");
        dw.modify(name + ".Background.Color = '16777215'");
        dw.modify(name + ".Background.Mode\t = '1'");
    }
    for (const std::string& name : wf_getobjects(dw, "column", "detail", true))
        dw.modify(name + ".TabSequence = 0");
    if (app_globals(call, "gf_dwinit"))
        Application::current()->gf_dwinit(dw);
    return no_return;
}

ScriptResult uo_tabpg_grid::dw_1_ue_firstretrieve(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    AppGlobals* globals = app_globals(call, "gs_firstrow");
    if (!globals)
        return no_return;
    const std::string ls_sql = is_sql;

    // The limit is written from the parsed number, never from the setting's text.
    const std::optional<std::int32_t> limit = grid::first_row_limit(globals->gs_firstrow);
    dw.modify(select_command(limit ? limited_select(ls_sql, *limit) : ls_sql));
    dw.set_trans_object(globals->sqlca);
    const long ll_row = dw.retrieve();

    if (ll_row > 0)
        dw.select_row(1, true);
    else
        tabs::set_status(call, "没有相关记录!");
    if (ll_row < 0) {
        // A failed retrieval is no count: the database says why.
        if (Desktop* desktop = Desktop::current())
            desktop->message_box(Value("错误"), Value("检索失败：" + globals->sqlca.sql_err_text()), Icon::StopSign);
    } else if (ll_row == 50) {
        tabs::set_status(call, "前50条记录!");
    } else {
        tabs::set_status(call, "检索到" + std::to_string(ll_row) + "条记录!");
    }

    // Later retrievals start from the full statement again.
    dw.modify(select_command(ls_sql));
    call.call(dw.ref(), "ue_rowcountchanged");
    if (visible)
        Application::current()->gf_gridcolumn_right(dw, fn::to_long(tag));
    return no_return;
}

ScriptResult uo_tabpg_grid::dw_1_rowfocuschanged(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    const std::int32_t currentrow = call.arg_as<std::int32_t>(0).value_or(0);
    dw.select_row(0, false);
    dw.select_row(currentrow, true);
    tabs::set_status(call, "当前记录：" + std::to_string(currentrow) + "/" + std::to_string(dw.row_count()));
    call.call(ref(), "wf_settabstatus", {Value(currentrow)});
    return no_return;
}

ScriptResult uo_tabpg_grid::dw_1_ue_rowcountchanged(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    tabs::set_enabled(call, "p_setshow", true);
    tabs::set_enabled(call, "p_filter", tabs::status_char(is_toolbarstatus, 8) == "0");
    // A single row cannot be sorted.
    tabs::set_enabled(call, "p_sorter", dw.row_count() >= 2);
    call.call(dw.ref(), "rowfocuschanged", {Value(static_cast<std::int32_t>(dw.get_row()))});
    return no_return;
}

const ClassTable& _getVtableInfo_uo_tabpg_grid()
{
    static const ClassTable table {
        "uo_tabpg_grid",
        "uo_tabpg_datawindow",
        make_object<uo_tabpg_grid>,
        {},
        {{own_group,
          "",
          {{"wf_settabstatus", SlotKind::Function, std::nullopt, 1}, // (al_row)
           {"wf_getobjects", SlotKind::Function, Type::Integer, 5}}, // (adw, ref as_objlist[], ...)
          {{53, "wf_settabstatus", on_self<&uo_tabpg_grid::wf_settabstatus>},
           {54, "wf_getobjects", on_self<&uo_tabpg_grid::wf_getobjects_script>},
           {0, "create", on_self<&uo_tabpg_grid::create>},
           {1, "destroy", destroy_script},
           {34, "constructor", on_self<&uo_tabpg_grid::constructor>}}},
         {32776,
          "dw_1",
          {{"ue_firstretrieve", SlotKind::Event, Type::Long, 0}},
          {{441, "ue_firstretrieve", on_parent<&uo_tabpg_grid::dw_1_ue_firstretrieve>},
           {60, "rowfocuschanged", on_parent<&uo_tabpg_grid::dw_1_rowfocuschanged>},
           {438, "ue_rowcountchanged", on_parent<&uo_tabpg_grid::dw_1_ue_rowcountchanged>},
           {37, "constructor", on_parent<&uo_tabpg_grid::dw_1_constructor>}}}}};
    return table;
}

} // namespace hearth
