#pragma once
// uo_statusbar_main: the five-cell status bar along the bottom of the main window. It adds
// uo_2 to uo_5 after the inherited uo_1 and otherwise uses the panel's layout and text
// functions; the application addresses the cells by position 1 to 5.

#include "host/object/class_registry.h"
#include "library/statusbar/uo_statusbar_panel.h"

namespace hearth {

class uo_statusbar_main : public uo_statusbar_panel {
public:
    uo_statusbar_main();

    // The added cells, positions 2 to 5 of Control.
    Ref<uo_statusbar_unit> uo_2;
    Ref<uo_statusbar_unit> uo_3;
    Ref<uo_statusbar_unit> uo_4;
    Ref<uo_statusbar_unit> uo_5;

    // create: after the panel's create made uo_1, makes uo_2 to uo_5 at their design-time
    // places and appends them to Control.
    ScriptResult create(ScriptCall& call);
    // constructor: the panel's constructor has done everything.
    ScriptResult constructor(ScriptCall& call);
};

// Registration entry of uo_statusbar_main.
const ClassTable& _getVtableInfo_uo_statusbar_main();

} // namespace hearth
