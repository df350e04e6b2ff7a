#include "app/app_classes.h"

#include "app/w_agent.h"
#include "app/w_datawindow_sort.h"
#include "app/w_filter.h"
#include "app/w_ge_building.h"
#include "app/w_ge_rpr.h"
#include "app/w_history.h"
#include "app/w_locklogin.h"
#include "app/w_login.h"
#include "app/w_m_edit.h"
#include "app/w_main.h"
#include "app/w_print_preview.h"
#include "app/w_setshow.h"
#include "library/frame/struc_scope.h"

#include <vector>

namespace hearth {

Result<void> register_app_classes(ClassRegistry& registry)
{
    // Ancestors before descendants, as for the library's classes.
    static const std::vector<VtableInfoFn> entries = {
        &_getVtableInfo_w_main,
        &_getVtableInfo_w_login,
        &_getVtableInfo_w_ge_rpr,
        &_getVtableInfo_w_history,
        // The dialogs the toolbar opens.
        &_getVtableInfo_w_setshow,
        &_getVtableInfo_w_filter,
        &_getVtableInfo_w_datawindow_sort,
        &_getVtableInfo_w_print_preview,
        &_getVtableInfo_w_locklogin,
        &_getVtableInfo_w_agent,
        &_getVtableInfo_w_ge_building,
        // The structure the page's context menu receives its column in.
        &_getVtableInfo_struc_scope,
    };
    for (VtableInfoFn entry : entries)
        if (auto registered = registry.register_class(entry); !registered)
            return registered;
    // The pages' editing windows, one class for each row of their table.
    return register_edit_windows(registry);
}

} // namespace hearth
