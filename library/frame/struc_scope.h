#pragma once
// struc_scope: the application's structure that hands a context menu the DataWindow and the
// column it was opened on, through Message.PowerObjectParm. The library fills it; the
// application's menu items read it. The application registers the class with the host
// (_getVtableInfo_struc_scope), since the structure is its own; the library defines its shape
// here because it cannot see the application's headers.

#include "host/object/class_registry.h"
#include "host/ui/datawindow_control.h"

#include <string>

namespace hearth {

class struc_scope : public Object {
public:
    // The DataWindow the menu works on.
    Ref<DataWindowControl> ldw_scope;
    // The clicked column's name (a header text's name without its two-character suffix).
    std::string ls_colname;
};

// Registration entry of struc_scope: a plain object of the host without scripts of its own.
const ClassTable& _getVtableInfo_struc_scope();

} // namespace hearth
