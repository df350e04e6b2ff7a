#pragma once
// Reading a DataWindow object's stored attributes without going through Describe, for code
// that sets an attribute often and wants to know whether a Modify would change anything.

#include "host/ui/datawindow_control.h"

#include <string_view>

namespace hearth {

// Whether control `control` of the object keeps `attribute` as the quoted text `value` and the
// syntax is already marked modified: a Modify writing that text would leave the object as it is
// (the compiled expressions it drops are made again from the same texts).
bool attribute_holds(const DataWindowBase& dw, std::string_view control, std::string_view attribute,
                     std::string_view value);

} // namespace hearth
