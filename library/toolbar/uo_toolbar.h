#pragma once
// uo_toolbar: the application's command bar, a DataWindow control showing d_tool. Each button
// is a bitmap p_<name> with its caption text t_<name>; the four shared lines l_h1, l_h2,
// l_v1, l_v2 are moved around one button at a time to draw its raised or pressed frame. A
// button's tag is '1' while it is enabled, '0' while disabled; its bitmaps are
// bmp\<name>.bmp (normal and raised), bmp\<name>1.bmp (pressed) and bmp\<name>2.bmp
// (disabled).

#include "host/object/class_registry.h"
#include "host/ui/datawindow_control.h"

#include <string>

namespace hearth {

class uo_toolbar : public DataWindowControl {
public:
    uo_toolbar();

    // The button that shows a raised or pressed look, or whose command runs; "" when none.
    std::string is_object;
    // The button pressed with the left mouse button and not yet released; "" when none.
    std::string is_clickedobject;

    // ue_dwnmousemove(xpos, ypos, row, dwo): raises the button under the mouse and returns
    // the one raised before to normal; while a button is held, only that button reacts.
    ScriptResult ue_dwnmousemove(ScriptCall& call);
    // ue_mousemove(flags, xpos, ypos): without the left button down, a press whose
    // button-up never came is abandoned.
    ScriptResult ue_mousemove(ScriptCall& call);
    // uf_setenabled(as_object, ab_enabled): enables or disables a button by bitmap and tag.
    ScriptResult uf_setenabled(ScriptCall& call);
    // uf_setstate(as_object, as_state): "lowered", "normal" or "float" for an enabled button;
    // anything else, or a disabled or unknown button, changes nothing.
    ScriptResult uf_setstate(ScriptCall& call);
    // uf_expand(dwo): does nothing.
    ScriptResult uf_expand(ScriptCall& call);
    // constructor: no statements of its own.
    ScriptResult constructor(ScriptCall& call);
};

// Registration entry of uo_toolbar. Every user event and function is declared so that the
// slots come out as the host numbers them (436 ue_dwnmousemove ... 450 wf_savepersoninfo).
const ClassTable& _getVtableInfo_uo_toolbar();

} // namespace hearth
