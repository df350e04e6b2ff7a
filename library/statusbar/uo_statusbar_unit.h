#pragma once
// uo_statusbar_unit: one status bar cell, a line of text inside a sunken 3-D frame of four
// lines (top and left in the shaded colour, bottom and right in white). The cell lays itself
// out from its width: the text takes the width less a fixed margin, the frame follows it.

#include "host/object/class_registry.h"
#include "host/object/script.h"
#include "host/ui/controls.h"
#include "library/statusbar/uo_statictext.h"

namespace hearth {

class uo_statusbar_unit : public UserObject {
public:
    uo_statusbar_unit();

    // Nested controls, in their Control order.
    Ref<uo_statictext> st_1; // the cell's text
    Ref<Line> ln_v2;         // right edge
    Ref<Line> ln_v1;         // left edge
    Ref<Line> ln_h2;         // bottom edge
    Ref<Line> ln_h1;         // top edge

    // resize(w, h): the cell's own Resize. Sets the width and lays the text and the frame out
    // horizontally again; the height and `h` are left alone. Returns 0.
    ScriptResult resize(ScriptCall& call);
    // What resize does, run in place for a whole cell: its text and the three lines resize
    // moves. False, with nothing changed, when one of them is missing.
    bool lay_out(std::int16_t w);
    bool is_whole() const;
    // create: makes the text and the four lines with their design-time looks.
    ScriptResult create(ScriptCall& call);
    // constructor: the initial geometry of the text and the frame.
    ScriptResult constructor(ScriptCall& call);
};

// Registration entry of uo_statusbar_unit.
const ClassTable& _getVtableInfo_uo_statusbar_unit();

} // namespace hearth
