#pragma once
// Small pieces the DataWindow controls' scripts share: reaching an event's `dwo` argument,
// Describe and SetItem as a script sees them.

#include "host/object/script.h"
#include "host/ui/datawindow_control.h"

#include <string>
#include <string_view>

namespace hearth::dw_script {

// The dwobject passed as argument `index`; nullptr when the argument is null or no dwobject.
DwObject* dwobject_arg(ScriptCall& call, std::size_t index);

// dwo.name / dwo.band: a null dwo raises 20502; when that is reported handled the statement
// is skipped and the variable keeps its initial "".
std::string dwo_name(ScriptCall& call, std::size_t index);
std::string dwo_band(ScriptCall& call, std::size_t index);

// Describe(property) on the control; "!" (no such object or attribute) is a failed host call
// and raises 25015.
std::string describe(ScriptCall& call, DataWindowBase& dw, std::string_view property);

// SetItem(row, column, value) as the scripts write cleaned text back: 1 when written, -1 for a
// value of another type than the column's (text into a number column); an unknown column or
// row fails the host call (25015, raised by the host).
int set_item(DataWindowBase& dw, const Value& row, std::string_view column, const Value& value);

} // namespace hearth::dw_script
