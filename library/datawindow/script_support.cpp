#include "library/datawindow/script_support.h"

namespace hearth::dw_script {

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
