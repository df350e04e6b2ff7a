#pragma once
// w_ge_rpr: the household sheet. Its tab control holds one nested-tab page (guo_tab) whose
// inner tabs are, in order, the household grid (the master), the persons, the owned houses,
// the family honours, and the household as a form. The pages are made when the sheet opens,
// each on its DataWindow object, with the permissions the logged-in user's rights give.

#include "host/object/class_registry.h"
#include "host/ui/window.h"

#include <string>
#include <string_view>

namespace hearth {

class w_ge_rpr : public Window {
public:
    w_ge_rpr();

    // The sheet's tab control (a uo_tab).
    ObjectRef tab_1;

    // open: makes the pages, fills the household grid and brings its tab to the front.
    ScriptResult open(ScriptCall& call);
};

// The permission string (is_toolbarstatus) of the pages: everything allowed for an
// administrator; retrieving, filtering and the context menu, but no adding, changing or
// deleting, for anyone else.
std::string_view page_permissions(bool administrator);

// Registration entry of w_ge_rpr; uo_tab must be registered first.
const ClassTable& _getVtableInfo_w_ge_rpr();

} // namespace hearth
