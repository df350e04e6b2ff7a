#pragma once
// uo_tabpg_grid: the tab page of a master list shown as a grid. Beside what every query page
// does, it fills the grid the first time with at most gs_firstrow rows, gives the grid its
// flat look (header texts without borders on white, no Tab stops in the detail), shows the
// record position on every row change, and shows or hides the detail pages for the current
// master row.

#include "host/object/class_registry.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

namespace grid {
// The row limit gs_firstrow asks for: a whole number above 0, digits only, that fits a long.
// Anything else (empty, "全部", "0", "-5", "5;drop") means every row: nullopt.
std::optional<std::int32_t> first_row_limit(std::string_view gs_firstrow);
} // namespace grid

class uo_tabpg_grid : public uo_tabpg_datawindow {
public:
    uo_tabpg_grid() = default;

    // The names of the objects of `adw` whose Type is `as_objtype` and whose band is `as_band`
    // ("*" for any), only the visible ones when `ab_visibleonly`, in the DataWindow's order.
    // A DataWindow without an object has none.
    static std::vector<std::string> wf_getobjects(DataWindowBase& adw, std::string_view as_objtype,
                                                  std::string_view as_band, bool ab_visibleonly);

    // ---- The page's scripts
    // wf_settabstatus(al_row): shows each detail page whose condition master row al_row
    // satisfies, hides the others; pages without a condition are left alone.
    ScriptResult wf_settabstatus(ScriptCall& call);
    // wf_getobjects(adw, ref as_objlist[], as_objtype, as_band, ab_visibleonly): the count of
    // matching objects. The runtime's values carry no arrays, so the names themselves reach
    // C++ callers through the static function above.
    ScriptResult wf_getobjects_script(ScriptCall& call);
    // create: the inherited dw_1 with both scroll bars.
    ScriptResult create(ScriptCall& call);
    // constructor: nothing beyond the ancestor's.
    ScriptResult constructor(ScriptCall& call);

    // ---- dw_1's scripts
    // ue_firstretrieve: the first retrieval, limited by gs_firstrow; the full SELECT is put
    // back afterwards.
    ScriptResult dw_1_ue_firstretrieve(ScriptCall& call);
    // rowfocuschanged(currentrow): highlights the row, shows its position, sets the detail
    // pages' visibility.
    ScriptResult dw_1_rowfocuschanged(ScriptCall& call);
    // ue_rowcountchanged: after the ancestor's, the grid's own buttons (show, filter, sort).
    ScriptResult dw_1_ue_rowcountchanged(ScriptCall& call);
    // constructor: after the ancestor's, the flat header and no Tab stops in the detail.
    ScriptResult dw_1_constructor(ScriptCall& call);
};

// Registration entry of uo_tabpg_grid: 53 wf_settabstatus, 54 wf_getobjects, 0 create,
// 1 destroy, 34 constructor; dw_1 (group 32776): 441 ue_firstretrieve, 60 rowfocuschanged,
// 438 ue_rowcountchanged, 37 constructor.
const ClassTable& _getVtableInfo_uo_tabpg_grid();

} // namespace hearth
