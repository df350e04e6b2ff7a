#include "library/datawindow/uo_dwsort.h"

#include "host/object/runtime.h"
#include "host/value/functions.h"
#include "library/datawindow/script_support.h"

namespace hearth {

ScriptResult uo_dwsort::doubleclicked(ScriptCall& call)
{
    // dwo.name and dwo.band: a null dwo raises 20502; reported handled, the statement is
    // skipped and the variable keeps its initial "".
    const Ref<DwObject> dwo = call.arg_object<DwObject>(3);
    std::string name;
    if (DwObject* object = call.use(dwo, "dwo"))
        name = object->name;
    // Over no object of the DataWindow the script ends with a bare RETURN.
    if (name == "datawindow")
        return Value();
    if (get_row() < 1)
        return no_return;
    std::string band;
    if (DwObject* object = call.use(dwo, "dwo"))
        band = object->band;
    if (band != "header")
        return no_return;

    // The header object is the column name plus a two-character suffix.
    const std::string ls_name = fn::left(name, fn::len(name) - 2);

    const std::string current = get_object_attribute("datawindow", "table.sort");
    const std::string ls_sort = current == ls_name + " A" ? ls_name + " D" : ls_name + " A";

    if (set_sort(ls_sort) < 0)
        call.raise(ErrorCode::CallFailed, "SetSort(\"" + ls_sort + "\")");
    if (sort() < 0)
        call.raise(ErrorCode::CallFailed, "Sort()");
    return no_return;
}

const ClassTable& _getVtableInfo_uo_dwsort()
{
    static const ClassTable table {"uo_dwsort",
                                   "uo_dwnosort",
                                   make_object<uo_dwsort>,
                                   {},
                                   {{own_group,
                                     "",
                                     {},
                                     {{0, "create", create_script},
                                      {1, "destroy", destroy_script},
                                      {40, "doubleclicked", on_self<&uo_dwsort::doubleclicked>}}}}};
    return table;
}

} // namespace hearth
