#include "library/datawindow/script_support.h"

#include "host/datawindow/row_store.h"

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
    // The runtime's SetItem answers -1 for a value whose type does not match the column; the
    // engine treats that as a caller's fault, so the mismatch is answered here first. Unknown
    // columns and rows still go to the engine, which fails the call.
    if (dw.engine().has_object()) {
        const int index = dw.engine().object().column_index(column);
        if (index >= 0 && !dw::convert_for_column(value, dw.engine().object().columns[index].type))
            return -1;
    }
    const long row_number = row.is_null() ? 0 : static_cast<long>(row.as_integral());
    return dw.set_item(row_number, std::string(column), value);
}

} // namespace hearth::dw_script
