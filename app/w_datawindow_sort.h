#pragma once
// w_datawindow_sort: sorts a grid by up to three columns, each ascending ("升序", or A) or
// descending ("降序", or D). The user types each column's name or title and its direction; the
// form opens with the grid's present order. Opened with OpenWithParm on the grid's DataWindow
// control; confirming applies the order with SetSort and Sort.

#include "host/object/class_registry.h"
#include "library/printing/w_response.h"

namespace hearth {

class w_datawindow_sort : public w_response {
public:
    w_datawindow_sort();

    ObjectRef dw_1;
    ObjectRef cb_ok;
    ObjectRef cb_cancel;

    ScriptResult open(ScriptCall& call);
    ScriptResult cb_ok_clicked(ScriptCall& call);
    ScriptResult cb_cancel_clicked(ScriptCall& call);

private:
    ObjectRef m_grid; // the DataWindow control sorted
};

// Registration entry of w_datawindow_sort.
const ClassTable& _getVtableInfo_w_datawindow_sort();

} // namespace hearth
