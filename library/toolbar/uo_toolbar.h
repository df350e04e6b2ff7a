#pragma once
// uo_toolbar: the application's command bar, a DataWindow control showing d_tool. Each button
// is a bitmap p_<name> with its caption text t_<name>; the four shared lines l_h1, l_h2,
// l_v1, l_v2 are moved around one button at a time to draw its raised or pressed frame. A
// button's tag is '1' while it is enabled, '0' while disabled; its bitmaps are
// bmp\<name>.bmp (normal and raised), bmp\<name>1.bmp (pressed) and bmp\<name>2.bmp
// (disabled).

#include "host/object/class_registry.h"
#include "host/ui/datawindow_control.h"

#include <optional>
#include <string>

namespace hearth {

class uo_toolbar : public DataWindowControl {
public:
    uo_toolbar();

    // The button that shows a raised or pressed look, or whose command runs; "" when none.
    std::string is_object;
    // The button pressed with the left mouse button and not yet released; "" when none.
    std::string is_clickedobject;

    // ue_dwnmousemove(xpos, ypos, row, dwo): raises the button under the mouse and returns
    // the one raised before to normal; while a button is held, only that button reacts.
    ScriptResult ue_dwnmousemove(ScriptCall& call);
    // ue_mousemove(flags, xpos, ypos): without the left button down, a press whose
    // button-up never came is abandoned.
    ScriptResult ue_mousemove(ScriptCall& call);
    // uf_setenabled(as_object, ab_enabled): enables or disables a button by bitmap and tag.
    ScriptResult uf_setenabled(ScriptCall& call);
    // uf_setstate(as_object, as_state): "lowered", "normal" or "float" for an enabled button;
    // anything else, or a disabled or unknown button, changes nothing.
    ScriptResult uf_setstate(ScriptCall& call);
    // uf_expand(dwo): does nothing.
    ScriptResult uf_expand(ScriptCall& call);
    // constructor: no statements of its own.
    ScriptResult constructor(ScriptCall& call);

    // ---- The guarded deletion (uo_toolbar_delete.cpp, uo_toolbar_photo.cpp). Each acts on the
    // current row of guo_tabpg_now.dw_1; page keys (is_stringpara) are compared exactly, list
    // object names without regard to case, so that "d_GE_PersonInfo" and "d_ge_personinfo" are
    // one list. The delete command (ue_dwnlbuttonup) calls uf_delphoto after uf_delbefore: the
    // archive commits photosqlca as it goes, which would commit pending photo deletions too.

    // uf_confirmmessage(): the warning of the page's table. 2: do not delete (the user said No
    // or the table forbids it; the reason was shown); 1: the user confirmed a warning; 0: no
    // question was asked. A count that fails shows nothing; the database's own constraints
    // still refuse what may not go.
    ScriptResult uf_confirmmessage(ScriptCall& call);
    // uf_delbefore(ref as_errmsg): archives the row into history where gs_workparm switches its
    // table on (only a row whose issave is "0"; a list without issave is not archived) and
    // returns the statement to run once the row is gone, "" for none; as_errmsg receives the
    // text to show when that statement fails. Returns NULL when the archive failed (it has shown
    // why): the caller must not delete the row.
    ScriptResult uf_delbefore(ScriptCall& call);
    // uf_delafter(as_sql, as_errmsg): runs as_sql on sqlca; 0, or 1 after showing as_errmsg in
    // "警告信息". Neither commits nor rolls back.
    ScriptResult uf_delafter(ScriptCall& call);
    // uf_updateother(as_dwobject, as_rprno): after a deletion from a dependent list, brings the
    // master list up to date: re-retrieves the council offices' houses, or writes the household
    // totals read from TC_GE_Rpr into the master's current row (nothing when that read fails),
    // leaving the row's and the items' modification status as they were.
    ScriptResult uf_updateother(ScriptCall& call);
    // uf_delphoto(as_dataobject, al_row): deletes the stored photos of row al_row of the list on
    // photosqlca and leaves them UNCOMMITTED: the caller commits photosqlca after the record's
    // deletion has committed, and rolls it back with the record, so that a record that stays
    // keeps its photos. 0, or 1 after a failed photo delete was shown (the deletion goes on).
    ScriptResult uf_delphoto(ScriptCall& call);

    // ---- Command dispatch (uo_toolbar_commands.cpp)
    // clicked(xpos, ypos, row, dwo): the press; an enabled button under the mouse takes its
    // pressed look and is recorded in is_clickedobject.
    ScriptResult clicked(ScriptCall& call);
    // ue_dwnlbuttonup(xpos, ypos, row, dwo): the release; runs the command of the button
    // pressed when the release is on that same button. A press from the keyboard (the pages
    // set is_object and trigger this event with the button as dwo, at 0, 0, with nothing
    // pressed) runs the command of an enabled is_object too.
    //
    // The delete command calls the deletion workflow by name, each one optional (a missing
    // script yields null, which counts as: no special warning, no statement, no failure):
    //   1. uf_confirmmessage(): 2 ends the command; anything else goes on to the question.
    //   2. uf_delbefore(ref as_errmsg): the archive and the statement to run after the row
    //      is gone ("" for none). A null string from a script that ran means the archive
    //      failed and left nothing behind: the deletion is refused ("删除不成功！").
    //   3. uf_delphoto(as_dataobject, al_row): called after uf_delbefore and before the row is
    //      deleted, while row al_row of guo_tabpg_now.dw_1 is still the record, so it reads
    //      the keys and the dependent numbers (on sqlca) as they are. It must not COMMIT or
    //      ROLLBACK photosqlca: the command commits its photo deletions once the record's
    //      deletion has committed on sqlca, and rolls them back when that deletion fails, so
    //      that a record that stays keeps its photos. Its result is not examined.
    //   4. the row is deleted and saved; uf_delafter(as_sql, as_errmsg) runs a non-empty
    //      statement: anything but 0 fails the deletion.
    //   5. COMMIT on sqlca (a failure fails the deletion), then on photosqlca; the user log;
    //      uf_updateother(as_dwobject, as_rprno), as_rprno the household number of the row
    //      when its list has an RprNo column, else "".
    // A failed deletion shows "删除不成功！", rolls back both transactions, re-retrieves the
    // list and keeps its row.
    ScriptResult ue_dwnlbuttonup(ScriptCall& call);

    // ---- History archive (uo_toolbar_history.cpp): copies a record about to be deleted, and
    // what depends on it, from sqlca into the history database on photosqlca. Each write is
    // committed on photosqlca as it succeeds; a failure rolls photosqlca back, is shown, and
    // gives -1.
    // wf_savehisinfo(adw_source, as_histablename, ai_param): archives the current row of
    // adw_source through the writer as_histablename; ai_param 1 a person's secondary record
    // (and the person, when not archived yet), 2 a person (and the secondary records), 3 a
    // household (and its members). 0, or -1 when any part of the archive failed.
    ScriptResult wf_savehisinfo(ScriptCall& call);
    // wf_copycolumn(adw_source, ads_target, ads_source, ai_flag): appends a row to ads_target
    // filled by column name from the current row of adw_source (1) or ads_source (2), stamped
    // with SaveTime. Returns the new row's number.
    ScriptResult wf_copycolumn(ScriptCall& call);
    // wf_copyrelation(as_personno, as_relation): archives the person's relation of that kind,
    // replacing its earlier copy, and the related person. 0 or -1.
    ScriptResult wf_copyrelation(ScriptCall& call);
    // wf_savepersoninfo(as_personno, ai_flag): archives the person (ai_flag 2) and the
    // secondary records that gs_workparm[9..16] switch on. 0 or -1.
    ScriptResult wf_savepersoninfo(ScriptCall& call);
};

namespace toolbar {
// The picture of the button that a picture or caption of d_tool belongs to: "p_" + Mid(name,
// 3), so "t_del" and "p_del" give "p_del"; nullopt for any other object (background, lines).
std::optional<std::string> button_of(const std::string& name);
} // namespace toolbar

// Registration entry of uo_toolbar. Every user event and function is declared so that the
// slots come out as the host numbers them (436 ue_dwnmousemove ... 450 wf_savepersoninfo).
const ClassTable& _getVtableInfo_uo_toolbar();

} // namespace hearth
