#include "library/datawindow/uo_dwnosort.h"

#include "host/object/runtime.h"
#include "host/value/functions.h"
#include "library/frame/application.h"

namespace hearth {

ScriptResult uo_dwnosort::rowfocuschanged(ScriptCall& call)
{
    const Value currentrow = call.arg_value(0, Type::Long);
    select_row(0, false);
    select_row(currentrow.is_null() ? 0 : static_cast<long>(currentrow.as_integral()), true);

    // "当前记录：" + String(currentrow) + "/" + String(RowCount()); a null row makes it null.
    Value status = Value::null_of(Type::String);
    if (!currentrow.is_null())
        status = Value("当前记录：" + fn::to_string(currentrow).as_string() + "/" + fn::to_string(row_count()));

    if (AppGlobals* globals = app_globals(call, "w_main"))
        if (call.use(globals->w_main, "w_main"))
            call.call(globals->w_main, "wf_setstatus", {status});
    return no_return;
}

const ClassTable& _getVtableInfo_uo_dwnosort()
{
    static const ClassTable table {"uo_dwnosort",
                                   "uo_dw",
                                   make_object<uo_dwnosort>,
                                   {},
                                   {{own_group,
                                     "",
                                     {},
                                     {{0, "create", create_script},
                                      {1, "destroy", destroy_script},
                                      {60, "rowfocuschanged", on_self<&uo_dwnosort::rowfocuschanged>}}}}};
    return table;
}

} // namespace hearth
