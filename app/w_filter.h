#pragma once
// w_filter: keeps only the rows of a grid that satisfy one condition. The user types a column
// (its name or its title), how to compare (=, <>, >, <, >=, <=, like, contains) and a value,
// and confirms; the value goes into the filter only through the expression language's quoting,
// so no text the user types can change the condition's form. A condition the grid refuses is
// told and changes nothing; cb_clear shows every row again. Opened with OpenWithParm on the
// grid's DataWindow control.

#include "host/object/class_registry.h"
#include "host/value/result.h"
#include "library/printing/w_response.h"

#include <string>

namespace hearth {

class w_filter : public w_response {
public:
    w_filter();

    ObjectRef dw_1;
    ObjectRef cb_ok;
    ObjectRef cb_clear;
    ObjectRef cb_cancel;

    ScriptResult open(ScriptCall& call);
    ScriptResult cb_ok_clicked(ScriptCall& call);
    ScriptResult cb_clear_clicked(ScriptCall& call);
    ScriptResult cb_cancel_clicked(ScriptCall& call);

private:
    ObjectRef m_grid; // the DataWindow control filtered
};

// The filter expression comparing `column`, whose ColType is `coltype`, by `op` with the
// typed `value`. Fails, in the user's words, when the operator is unknown or the value does
// not suit the column; `title` names the column in that message.
Result<std::string> filter_expression(const std::string& column, const std::string& title, const std::string& coltype,
                                      const std::string& op, const std::string& value);

// Registration entry of w_filter.
const ClassTable& _getVtableInfo_w_filter();

} // namespace hearth
