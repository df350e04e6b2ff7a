#pragma once
// uo_tabpg_datawindow: the tab page of every list or record view. It holds one DataWindow,
// dw_1, bound to the object the opener names in Message.StringParm; it rebuilds its SELECT
// from the designed one (is_sql) and the master page's current row, retrieves, reports the
// rows found in the main window's status area, fills a new detail row from the master row,
// and keeps the toolbar's buttons in line with the page's permission string.
//
// Pages work in master/detail chains through the application's guo_tabpg_master and
// guo_tabpg_now. The relation variables are set by the application before the first
// retrieval.

#include "host/object/class_registry.h"
#include "host/ui/controls.h"
#include "library/datawindow/uo_dw.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hearth {

class uo_tabpg_datawindow : public UserObject {
public:
    uo_tabpg_datawindow();

    Ref<uo_dw> dw_1;

    // The designed SELECT, saved when dw_1 is constructed; every retrieval rewrites from it.
    std::string is_sql;
    // A parameter of the application's, read by the toolbar.
    std::string is_stringpara;
    // Relation fields tying this page to the master ("col" or "table.col", comma-separated).
    std::string is_relafield;
    // An extra WHERE condition of this page.
    std::string is_condition;
    // Columns a detail row copies from the master row, comma-separated.
    std::string is_autocolumn;
    // "1": is_condition applies on retrieval, and a list page fills no auto columns.
    std::string is_tabvisible;
    // 1: single-record (form) page; 0: list page.
    std::int16_t ii_issingle = 0;
    // "1" when this page, as master, has dependent detail pages.
    std::string is_haverelation;
    // Toolbar permissions, one character per button: 2 retrieve, 3 add, 4 modify, 5 delete,
    // 8 and 9 two context-menu items.
    std::string is_toolbarstatus;
    // Visibility flag read by the grid page.
    bool ib_visible = false;
    // Key of the master record this page belongs to (compared with the master page's tag).
    std::string is_masterid;
    // Row state: 0 after a new row was inserted for a single record, 1 when the record
    // existed or the page came to the front, a list page's row count after autocolumns.
    std::int16_t ii_rowcount = 0;
    // Column settings: names, titles and visibility flags, parallel, il_colcount used.
    std::vector<std::string> is_colname;
    std::vector<std::string> is_titlename;
    std::int32_t il_colcount = 0;
    std::vector<std::int32_t> il_x;
    std::vector<std::string> is_colvisible;

    // ---- The page's scripts
    // ue_refreshtab: brings the toolbar into line with guo_tabpg_now.
    ScriptResult ue_refreshtab(ScriptCall& call);
    // resize(w, h): dw_1 takes w - 35 by h - gi_tunepic - 105.
    ScriptResult resize(ScriptCall& call);
    // create: makes dw_1 with its design-time place and tab order.
    ScriptResult create(ScriptCall& call);
    // constructor: dw_1 at 0, 0; the application's colours.
    ScriptResult constructor(ScriptCall& call);

    // ---- The page's gestures and export (uo_tabpg_datawindow_gestures.cpp,
    // uo_tabpg_datawindow_export.cpp)
    // ue_keydown(key, keyflags): Ctrl+N, M, D, P press add, modify, delete, preview (add,
    // delete and preview only while their tag is "1"); F10 pops the main menu's first item
    // below the toolbar, F3 presses retrieve, F9 filter. Returns 0.
    ScriptResult ue_keydown(ScriptCall& call);
    // wf_setsort(): orders is_colname, is_titlename and is_colvisible (first il_colcount
    // entries) by their columns' x on screen. Returns 0; arrays shorter than il_colcount
    // raise 20503.
    ScriptResult wf_setsort(ScriptCall& call);
    // ue_saveas(): asks for a file and writes dw_1's rows to it by its extension (TXT, HTM,
    // DBF, SQL through SaveAs, XLS through gf_dw_to_excel_parm); reports success only for 1.
    ScriptResult ue_saveas(ScriptCall& call);
    // dw_1's: ue_dwnkey(key, keyflags) as ue_keydown; ue_enter presses modify.
    ScriptResult dw_1_ue_dwnkey(ScriptCall& call);
    ScriptResult dw_1_ue_enter(ScriptCall& call);
    // dw_1's doubleclicked(xpos, ypos, row, dwo): an empty area of a free-form object ("_f")
    // and a detail row are a request to modify; a header text sorts by its column, A, D, A ...
    ScriptResult dw_1_doubleclicked(ScriptCall& call);
    // dw_1's rbuttondown(xpos, ypos, row, dwo): the application's m_gridrbutton, its items
    // switched for the clicked column and the user's rights, popped at the pointer.
    ScriptResult dw_1_rbuttondown(ScriptCall& call);

    // ---- dw_1's scripts
    // ue_retrieve: the master's current row as conditions on is_sql, retrieve, status text,
    // then ue_rowcountchanged and ue_setautocolumn.
    ScriptResult dw_1_ue_retrieve(ScriptCall& call);
    // ue_rowcountchanged: the toolbar from the row count and the permission string.
    ScriptResult dw_1_ue_rowcountchanged(ScriptCall& call);
    // ue_setautocolumn(al_row): copies is_autocolumn from master row al_row.
    ScriptResult dw_1_ue_setautocolumn(ScriptCall& call);
    // constructor: DataObject from Message.StringParm, sqlca, is_sql, read-only.
    ScriptResult dw_1_constructor(ScriptCall& call);

private:
    // The last struc_scope handed to a context menu; the next right-click replaces it.
    ObjectRef m_scope;
};

// Registration entry of uo_tabpg_datawindow: every user event and function of the page and of
// dw_1 is declared, so that the slots come out as the host numbers them.
const ClassTable& _getVtableInfo_uo_tabpg_datawindow();

} // namespace hearth
