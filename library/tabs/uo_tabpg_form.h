#pragma once
// uo_tabpg_form: the tab page of a single record in a free-form DataWindow. It is a
// uo_tabpg_datawindow and changes two things: the toolbar after a row-count change (a form
// offers no column settings, sorting, filtering or deleting, and allows adding only while it
// holds no record), and the application's column rights applied after each retrieval.

#include "library/tabs/uo_tabpg_datawindow.h"

namespace hearth {

class uo_tabpg_form : public uo_tabpg_datawindow {
public:
    // create: the ancestor's controls, then dw_1 gets its vertical scroll bar.
    ScriptResult create(ScriptCall& call);
    // ue_rowcountchanged of dw_1, after the ancestor's: the form's toolbar rules.
    ScriptResult dw_1_ue_rowcountchanged(ScriptCall& call);
    // retrieveend(rowcount) of dw_1: gf_setcolumn_right(dw_1, Long(tag)) while the page shows.
    ScriptResult dw_1_retrieveend(ScriptCall& call);
};

// Registration entry: 0 create, 1 destroy, 34 constructor; dw_1 (32776): 438
// ue_rowcountchanged, 57 retrieveend.
const ClassTable& _getVtableInfo_uo_tabpg_form();

} // namespace hearth
