#include "library/datawindow/script_support.h"

namespace hearth::dw_script {

DwObject* dwobject_arg(ScriptCall& call, std::size_t index)
{
    const Value& arg = call.arg(index);
    if (arg.is_null() || arg.type() != Type::Object)
        return nullptr;
    return dynamic_cast<DwObject*>(arg.as_object().get());
}

namespace {

ObjectRef dwobject_ref(ScriptCall& call, std::size_t index)
{
    const Value& arg = call.arg(index);
    if (arg.is_null() || arg.type() != Type::Object)
        return {};
    return arg.as_object();
}

} // namespace

std::string dwo_name(ScriptCall& call, std::size_t index)
{
    if (DwObject* dwo = call.use(Ref<DwObject>(dwobject_ref(call, index)), "dwo"))
        return dwo->name;
    return {};
}

std::string dwo_band(ScriptCall& call, std::size_t index)
{
    if (DwObject* dwo = call.use(Ref<DwObject>(dwobject_ref(call, index)), "dwo"))
        return dwo->band;
    return {};
}

std::string describe(ScriptCall& call, DataWindowBase& dw, std::string_view property)
{
    std::string answer = dw.describe(property);
    if (answer == "!")
        call.raise(ErrorCode::CallFailed, "Describe(\"" + std::string(property) + "\")");
    return answer;
}

int set_item(DataWindowBase& dw, const Value& row, std::string_view column, const Value& value)
{
    const long row_number = row.is_null() ? 0 : static_cast<long>(row.as_integral());
    return dw.set_item(row_number, std::string(column), value);
}

} // namespace hearth::dw_script
