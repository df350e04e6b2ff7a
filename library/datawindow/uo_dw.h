#pragma once
// uo_dw: the DataWindow control every data-entry and list control of the application descends
// from. It accepts the pending edit when the control loses the focus, cleans typed values
// before they are stored, and clears a dragged range of selected cells on a click.

#include "host/object/class_registry.h"
#include "host/ui/datawindow_control.h"

namespace hearth {

class uo_dw : public DataWindowControl {
public:
    uo_dw();

    // losefocus: AcceptText, so the edit is validated and stored before the focus moves.
    ScriptResult losefocus(ScriptCall& call);
    // itemchanged(row, dwo, data): single-line columns get the value trimmed; columns whose
    // name contains "name" (any case) get it with every blank removed, written last.
    ScriptResult itemchanged(ScriptCall& call);
    // clicked(xpos, ypos, row, dwo): empties DataWindow.Selected; row highlights stay.
    ScriptResult clicked(ScriptCall& call);
};

// Registration entry: 50 losefocus, 0 create, 1 destroy, 47 itemchanged, 36 clicked.
const ClassTable& _getVtableInfo_uo_dw();

} // namespace hearth
