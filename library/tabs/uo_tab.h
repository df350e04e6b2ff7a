#pragma once
// uo_tab: the workspace's tab control. Its pages are uo_tabpg_datawindow pages, their
// descendants, or uo_tabpg_tab pages holding a second row of tabs.

#include "host/object/class_registry.h"
#include "host/ui/controls.h"

namespace hearth {

class uo_tab : public Tab {
public:
    uo_tab();

    // constructor: the application's background colour.
    ScriptResult constructor(ScriptCall& call);
    // clicked(index): the focus goes to the dw_1 of the page in front (guo_tabpg_now).
    ScriptResult clicked(ScriptCall& call);
};

// Registration entry of uo_tab: 34 constructor, 36 clicked.
const ClassTable& _getVtableInfo_uo_tab();

} // namespace hearth
