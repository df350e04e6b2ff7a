#pragma once
// Internal: the geometry of a DataWindow object as the gesture and focus code reads it, from
// the object definition the engine holds (Modify writes the same attributes).

#include "host/datawindow/object.h"
#include "host/ui/datawindow_control.h"

#include <string_view>
#include <vector>

namespace hearth::layout {

// A numeric attribute of a control ("x", "tabsequence" ...); `fallback` when absent or not a
// number. An expression-valued attribute gives its default.
std::int32_t control_number(const dw::Control& control, std::string_view attribute, std::int32_t fallback = 0);
// The band a control sits in (lower case; "detail" when not given).
std::string control_band(const dw::Control& control);
// Whether the control shows at `row` (0 outside the detail rows): its visible attribute, or
// the value of its visible expression at that row.
bool control_visible(const DataWindowControl& dw, const dw::Control& control, long row);
// Height of a band ("header", "detail" ...); 0 when the object has no such band.
std::int32_t band_height(const dw::ObjectDefinition& object, std::string_view band);
// The columns that take the focus by Tab, as 1-based table column numbers in TabSequence
// order (ties in column order): tabsequence above 0 and visible at `row`.
std::vector<int> tab_columns(const DataWindowControl& dw, long row);
// Whether the edit of a column (1-based) takes several lines: an Edit style with a vertical
// scroll bar or vertical auto-scrolling. Enter there starts a new line instead of accepting.
bool multiline_edit(const DataWindowControl& dw, int column);

} // namespace hearth::layout
