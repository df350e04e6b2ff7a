#pragma once
// Small pieces the DataWindow controls' scripts share: Describe and SetItem as a script sees
// them.

#include "host/object/script.h"
#include "host/ui/datawindow_control.h"

#include <string>
#include <string_view>

namespace hearth::dw_script {

// Describe(property) on the control; "!" (no such object or attribute) is a failed host call
// and raises 25015.
std::string describe(ScriptCall& call, DataWindowBase& dw, std::string_view property);

// SetItem(row, column, value) as the scripts write cleaned text back: 1 when written, -1 for a
// value of another type than the column's (text into a number column); an unknown column or
// row fails the host call (25015, raised by the host).
int set_item(DataWindowBase& dw, const Value& row, std::string_view column, const Value& value);

} // namespace hearth::dw_script
