#include "library/datawindow/uo_dw.h"

#include "host/object/runtime.h"
#include "host/value/functions.h"
#include "library/datawindow/script_support.h"

namespace hearth {

uo_dw::uo_dw()
{
    width = 686;
    height = 400;
    title = "none";
    livescroll = true;
    borderstyle = BorderStyle::Lowered;
}

ScriptResult uo_dw::losefocus(ScriptCall&)
{
    // A rejected value answers -1 and keeps the edit for the user to correct; the runtime
    // has already told the user, so the script goes on.
    accept_text();
    return no_return;
}

ScriptResult uo_dw::itemchanged(ScriptCall& call)
{
    const Value row = call.arg_value(0, Type::Long);
    const Ref<DwObject> dwo = call.arg_object<DwObject>(1);
    Value data = call.arg_value(2, Type::String);

    std::string ls_colname;
    if (DwObject* object = call.use(dwo, "dwo"))
        ls_colname = object->name;
    const std::string ls_vscrollbar = fn::lower(dw_script::describe(call, *this, ls_colname + ".Edit.VScrollBar"));

    // A single-line edit: leading and trailing blanks go.
    if (ls_vscrollbar == "no")
        dw_script::set_item(*this, row, ls_colname, fn::trim(data));

    // Names are stored without any blank. This works on `data` as typed, not on the trimmed
    // copy, and its write comes last, so it decides the stored value.
    const Value ll_pos = fn::pos(Value(fn::lower(ls_colname)), Value("name"));
    if (ll_pos.is_null() || ll_pos.as_integral() < 1)
        return no_return;
    Value blank = fn::pos(data, Value(" "));
    while (!blank.is_null() && blank.as_integral() > 0) {
        data = fn::replace(data, blank, Value(1), Value(""));
        blank = fn::pos(data, Value(" "));
    }
    dw_script::set_item(*this, row, ls_colname, data);
    return no_return;
}

ScriptResult uo_dw::clicked(ScriptCall&)
{
    modify("DataWindow.Selected = ''");
    return no_return;
}

const ClassTable& _getVtableInfo_uo_dw()
{
    static const ClassTable table {"uo_dw",
                                   "datawindow",
                                   make_object<uo_dw>,
                                   {},
                                   {{own_group,
                                     "",
                                     {},
                                     {{50, "losefocus", on_self<&uo_dw::losefocus>},
                                      {0, "create", create_script},
                                      {1, "destroy", destroy_script},
                                      {47, "itemchanged", on_self<&uo_dw::itemchanged>},
                                      {36, "clicked", on_self<&uo_dw::clicked>}}}}};
    return table;
}

} // namespace hearth
