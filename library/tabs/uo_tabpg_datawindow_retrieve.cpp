// uo_tabpg_datawindow's retrieval: the master's current row as conditions on the designed
// SELECT, the retrieve and its status text, and the auto columns a detail row copies.

#include "host/object/runtime.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/tabs/select_rewrite.h"
#include "library/tabs/tabs_support.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <algorithm>
#include <cmath>

namespace hearth {

namespace {

// guo_tabpg_master as a page; nullptr when it holds no object.
uo_tabpg_datawindow* master_page(const AppGlobals& globals)
{
    return dynamic_cast<uo_tabpg_datawindow*>(globals.guo_tabpg_master.get());
}

// The condition relation field `field` (column `column` of the master) puts on this page for
// master row `row`; nullopt for a column type that gives none. The value always enters as one
// literal or as a number, and a null value matches no row.
std::optional<std::string> relation_condition(DataWindowBase& master, long row, const std::string& coltype,
                                              const std::string& field, const std::string& column)
{
    Value value;
    if (coltype == "char")
        value = master.get_item_string(row, column);
    else if (coltype == "long")
        value = master.get_item_number(row, column);
    else if (coltype == "deci")
        value = master.get_item_decimal(row, column);
    else
        return std::nullopt; // date, datetime, number ...: no condition, as designed
    if (value.is_null())
        return std::string(tabs::no_row_condition);
    if (coltype == "char")
        return tabs::text_condition(field, value.as_string());
    return tabs::number_condition(field, fn::to_string(value).as_string());
}

// A number item as a long, its fraction cut off; null stays null.
Value truncated_long(const Value& number)
{
    if (number.is_null())
        return Value::null_of(Type::Long);
    return Value(static_cast<std::int32_t>(std::trunc(number.as_double())));
}

} // namespace

ScriptResult uo_tabpg_datawindow::dw_1_ue_retrieve(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    AppGlobals* globals = app_globals(call, "guo_tabpg_master");
    if (!globals)
        return no_return;
    uo_tabpg_datawindow* master = master_page(*globals);
    if (!master)
        return no_return;
    uo_dw* master_dw = call.use(master->dw_1, "guo_tabpg_master.dw_1");
    if (!master_dw)
        return no_return;

    // A detail page retrieves nothing while its master has no current row.
    const long ll_row = master_dw->get_row();
    if (ll_row < 1 && !is_relafield.empty())
        return no_return;

    std::vector<std::string> conditions;
    std::string ls_fields = is_relafield + ",";
    long ll_pos = fn::pos(ls_fields, ",");
    while (ll_pos > 0) {
        const std::string ls_field = fn::left(ls_fields, ll_pos - 1);
        ls_fields = fn::mid(ls_fields, ll_pos + 1);
        // The SQL names the field as given (with any table prefix); the value is read by column.
        const long ll_dot = fn::pos(ls_field, ".");
        const std::string ls_col = ll_dot < 1 ? ls_field : fn::mid(ls_field, ll_dot + 1);
        // The control's own Describe: "!" for a column this page lacks skips the field.
        const std::string ls_coltype = fn::left(dw.describe(ls_col + ".coltype"), 4);
        if (auto condition = relation_condition(*master_dw, ll_row, ls_coltype, ls_field, ls_col))
            conditions.push_back(std::move(*condition));
        ll_pos = fn::pos(ls_fields, ",");
    }
    if (is_tabvisible == "1" && !is_condition.empty())
        conditions.push_back(is_condition);

    // Always from the designed SELECT, so that no earlier master row's conditions stay.
    dw.set_object_attribute("datawindow", "table.select", tabs::rewrite_select(is_sql, conditions));
    dw.set_trans_object(globals->sqlca);

    const long ll_rtn = dw.retrieve();
    if (ll_rtn < 1)
        tabs::set_status(call, "没有相关记录!");
    else
        tabs::set_status(call, "检索到" + fn::to_string(ll_rtn) + "条记录!");

    call.call(dw.ref(), "ue_rowcountchanged");
    call.call(dw.ref(), "ue_setautocolumn", {Value(static_cast<std::int32_t>(ll_row))});
    return no_return;
}

ScriptResult uo_tabpg_datawindow::dw_1_ue_setautocolumn(ScriptCall& call)
{
    uo_dw& dw = call.self<uo_dw>();
    const long al_row = call.arg_as<std::int32_t>(0).value_or(0);
    AppGlobals* globals = app_globals(call, "guo_tabpg_master");
    if (!globals)
        return no_return;
    uo_tabpg_datawindow* master = master_page(*globals);
    if (!master)
        return no_return;
    if (is_tabvisible == "1" && ii_issingle == 0)
        return no_return;

    Application& application = *Application::current(); // app_globals found it running
    if ((!is_condition.empty() && visible) || ii_issingle == 1) {
        long ll_newrow = 0;
        if (ii_issingle == 1) {
            application.gf_dwcolorinit(dw);
            ll_newrow = dw.row_count();
            if (ll_newrow == 0) {
                ii_rowcount = 0;
                ll_newrow = dw.insert_row(0);
            } else {
                ii_rowcount = 1;
            }
        } else {
            ll_newrow = dw.get_row();
            ii_rowcount = static_cast<std::int16_t>(dw.row_count());
        }

        std::vector<std::string> ls_column;
        std::int32_t ll_snum = 0;
        uo_dw* master_dw = call.use(master->dw_1, "guo_tabpg_master.dw_1");
        // Nothing to copy without a row to copy into or a master row to copy from (the host
        // would fail SetItem and GetItem on row 0).
        const bool rows_exist = master_dw && ll_newrow >= 1 && al_row >= 1 && al_row <= master_dw->row_count();
        if (rows_exist && application.gf_substr(is_autocolumn, ",", ls_column, ll_snum) == 0) {
            if (ll_snum == 0) {
                ls_column.assign(1, is_autocolumn);
                ll_snum = 1;
            }
            ls_column.resize(std::min(ls_column.size(), std::size_t(std::max(ll_snum, std::int32_t(0)))));
            for (const std::string& column : ls_column) {
                // The type as the master declares it.
                const std::string ls_coltype = fn::left(fn::lower(master_dw->describe(column + ".ColType")), 4);
                if (ls_coltype == "char")
                    dw.set_item(ll_newrow, column, master_dw->get_item_string(al_row, column));
                else if (ls_coltype == "date")
                    dw.set_item(ll_newrow, column, master_dw->get_item_date(al_row, column));
                else if (ls_coltype == "long" || ls_coltype == "inte")
                    dw.set_item(ll_newrow, column, truncated_long(master_dw->get_item_number(al_row, column)));
            }
        }
    }
    tabs::set_enabled(call, "p_modify", true);
    return no_return;
}

} // namespace hearth
