#pragma once
// w_ge_building: the building sheet. Its nested-tab page (guo_tab) holds, in order, the
// building grid (the master), the houses of the building, its honours, the households owning
// its houses, the lettings of its houses and the tenants registered in them, and the building
// as a form.

#include "host/object/class_registry.h"
#include "host/ui/window.h"

namespace hearth {

class w_ge_building : public Window {
public:
    w_ge_building();

    // The sheet's tab control (a uo_tab).
    ObjectRef tab_1;

    // open: makes the pages, fills the building grid and brings its tab to the front.
    ScriptResult open(ScriptCall& call);
};

// Registration entry of w_ge_building; uo_tab must be registered first.
const ClassTable& _getVtableInfo_w_ge_building();

} // namespace hearth
