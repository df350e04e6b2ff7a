#pragma once
// w_response: the base of the application's modal dialogs. It fixes their common look (size,
// title bar, control menu, centred, the application's background colour) and pins the window
// to the top-left corner when it is moved while it is itself the active sheet.

#include "host/object/class_registry.h"
#include "host/object/script.h"
#include "host/ui/window.h"

namespace hearth {

class w_response : public Window {
public:
    w_response();

    // open: takes the application's background colour.
    ScriptResult open(ScriptCall& call);
    // ue_move(xpos, ypos): raised when the user moves the window; back to (0, 0) when the
    // window is the active sheet of its frame. The position arguments are not read.
    ScriptResult ue_move(ScriptCall& call);
};

// Registration entry of w_response.
const ClassTable& _getVtableInfo_w_response();

} // namespace hearth
