#pragma once
// uo_tabpg_tab: a tab page holding a second row of tabs, tab_1: typically the master list on
// the first inner tab and its detail pages after it. Selecting an inner tab makes that page
// the one in front (guo_tabpg_now), colours the tabs, refreshes or retrieves the page, and
// sets every toolbar button for it, including the rule that a detail page of a master record
// whose issave is not "0" takes no additions or changes.

#include "host/object/class_registry.h"
#include "host/ui/controls.h"
#include "library/tabs/uo_tab.h"

namespace hearth {

// Tab colours of the inner pages (RGB as the runtime packs it: red + 256 green + 65536 blue).
namespace tab_colors {
inline constexpr std::int32_t selected_text = 255 * 65536;                   // RGB(0, 0, 255)
inline constexpr std::int32_t selected_back = 255 + 235 * 256 + 165 * 65536; // RGB(255, 235, 165)
inline constexpr std::int32_t left_hidden_text = 190 * 65536;                // RGB(0, 0, 190)
inline constexpr std::int32_t left_text = 0;                                 // RGB(0, 0, 0)
} // namespace tab_colors

class uo_tabpg_tab : public UserObject {
public:
    uo_tabpg_tab();

    Ref<uo_tab> tab_1;

    // resize(w, h): tab_1 takes w - 55 by h - gi_tunepic - 125.
    ScriptResult resize(ScriptCall& call);
    // wf_refreshtab(): a hook for the application; does nothing.
    ScriptResult wf_refreshtab(ScriptCall& call);
    // create: makes tab_1 at its design-time size.
    ScriptResult create(ScriptCall& call);
    // constructor: tab_1 at 0, 0; the application's colours.
    ScriptResult constructor(ScriptCall& call);

    // selectionchanged(oldindex, newindex) of tab_1: the new page comes to the front.
    ScriptResult tab_1_selectionchanged(ScriptCall& call);
};

// Registration entry of uo_tabpg_tab: 22 resize, 49 wf_refreshtab, 0 create, 1 destroy,
// 34 constructor; tab_1 (group 32786): 47 selectionchanged.
const ClassTable& _getVtableInfo_uo_tabpg_tab();

} // namespace hearth
