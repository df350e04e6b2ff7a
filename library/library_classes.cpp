#include "library/library_classes.h"

#include "library/datawindow/uo_dw.h"
#include "library/datawindow/uo_dwform.h"
#include "library/datawindow/uo_dwnosort.h"
#include "library/datawindow/uo_dwsort.h"
#include "library/printing/n_printer.h"
#include "library/printing/w_response.h"
#include "library/statusbar/uo_statictext.h"
#include "library/statusbar/uo_statusbar_main.h"
#include "library/statusbar/uo_statusbar_panel.h"
#include "library/statusbar/uo_statusbar_unit.h"
#include "library/tabs/uo_tab.h"
#include "library/tabs/uo_tabpg_datawindow.h"
#include "library/tabs/uo_tabpg_form.h"
#include "library/tabs/uo_tabpg_grid.h"
#include "library/tabs/uo_tabpg_tab.h"
#include "library/toolbar/uo_button.h"
#include "library/toolbar/uo_toolbar.h"

#include <vector>

namespace hearth {

Result<void> register_library_classes(ClassRegistry& registry)
{
    // Each class's registration entry `_getVtableInfo_<class>`, ancestors before descendants.
    // A class joins this list when its scripts exist, and its module joins the DEPS of the
    // `library` target beside this file.
    static const std::vector<VtableInfoFn> entries = {
        &_getVtableInfo_uo_dw,
        &_getVtableInfo_uo_dwnosort,
        &_getVtableInfo_uo_dwsort,
        &_getVtableInfo_uo_dwform,
        &_getVtableInfo_uo_toolbar,
        &_getVtableInfo_uo_button,
        &_getVtableInfo_uo_statictext,
        &_getVtableInfo_uo_statusbar_unit,
        &_getVtableInfo_uo_statusbar_panel,
        &_getVtableInfo_uo_statusbar_main,
        &_getVtableInfo_uo_tab,
        &_getVtableInfo_uo_tabpg_tab,
        &_getVtableInfo_uo_tabpg_datawindow,
        &_getVtableInfo_uo_tabpg_grid,
        &_getVtableInfo_uo_tabpg_form,
        &_getVtableInfo_n_printer,
        &_getVtableInfo_w_response,
    };
    for (VtableInfoFn entry : entries)
        if (auto registered = registry.register_class(entry); !registered)
            return registered;
    return {};
}

} // namespace hearth
