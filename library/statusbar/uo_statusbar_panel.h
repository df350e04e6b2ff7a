#pragma once
// uo_statusbar_panel: a horizontal strip of status bar cells. Each cell is sized from the
// length of its text, the first cell absorbs the free space, and when the texts do not fit
// every cell shrinks in proportion. Neighbours overlap by 20 units so their frames join into
// one bar. The panel holds one cell (uo_1); descendants add more after it in Control.

#include "host/object/class_registry.h"
#include "host/object/script.h"
#include "host/ui/controls.h"
#include "library/statusbar/uo_statusbar_unit.h"

#include <cstdint>

namespace hearth {

namespace statusbar {
// The natural width of a cell showing `text`, by its length n in characters (-1 when null):
// n * 50 + 60; with "20" in it (a date, a year) n * 40 + 60; with both "20" and "版本" (a
// version line) n * 36 + 20.
std::int32_t natural_width(const Value& text);
} // namespace statusbar

class uo_statusbar_panel : public UserObject {
public:
    uo_statusbar_panel();

    // The first cell.
    Ref<uo_statusbar_unit> uo_1;

    // resize(w, h): the panel's own Resize. Sets the width and lays out every cell of Control
    // from its text; `h` is not used. Returns 0.
    ScriptResult resize(ScriptCall& call);
    // uf_settext(ai_index, as_text): the text of cell ai_index (1-based, in Control), then
    // the whole strip is laid out again. An index outside the cells changes nothing.
    ScriptResult uf_settext(ScriptCall& call);
    // create: makes uo_1 at its design-time place.
    ScriptResult create(ScriptCall& call);
    // constructor: the application's colour, the height from the text, every cell at y 0.
    ScriptResult constructor(ScriptCall& call);

private:
    // resize's layout for width w; `cells_whole` when the caller has just seen every cell whole.
    void lay_out(ScriptCall& call, std::int16_t w, bool cells_whole = false);
    // A cell's resize to `width`: run in place when the cell is whole and its resize is this
    // library's own, else dispatched.
    void resize_cell(ScriptCall& call, const ObjectRef& entry, std::int64_t width);
};

// Registration entry of uo_statusbar_panel.
const ClassTable& _getVtableInfo_uo_statusbar_panel();

} // namespace hearth
