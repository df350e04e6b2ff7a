#pragma once
// uo_dwnosort: a list control that highlights its current row and reports the record
// position ("当前记录：7/20") in the main window's status area. Its rows are not sorted by the
// user; uo_dwsort adds that.

#include "library/datawindow/uo_dw.h"

namespace hearth {

class uo_dwnosort : public uo_dw {
public:
    // rowfocuschanged(currentrow): only the current row stays highlighted, and
    // w_main.wf_setstatus gets the record position. A null w_main raises 20502.
    ScriptResult rowfocuschanged(ScriptCall& call);
};

// Registration entry: 0 create, 1 destroy, 60 rowfocuschanged.
const ClassTable& _getVtableInfo_uo_dwnosort();

} // namespace hearth
