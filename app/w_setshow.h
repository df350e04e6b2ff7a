#pragma once
// w_setshow: a grid's column settings. The list shows the grid's columns in their places on
// screen, with their titles and whether they show; the user types a column (name or title)
// into the form with a new title, "是" or "否" for showing it, and a new place, and applies
// it (cb_apply), as often as needed, then confirms (cb_ok). The settings go through the
// page's column arrays (ordered by wf_setsort) into the grid, and are kept per user and
// DataWindow object in the user's config folder, so the page shows them again when it next
// opens. Opened with OpenWithParm on the grid's DataWindow control.
//
// The settings file, `column_settings.tsv` beside the column looks' file, holds one column a line,
// tab-separated, in the columns' order: user number, DataWindow object, column, 1 or 0 for
// shown, title. It is written whole and atomically.

#include "app/column_looks.h"
#include "host/object/class_registry.h"
#include "host/ui/datawindow_control.h"
#include "host/value/result.h"
#include "library/printing/w_response.h"

#include <filesystem>
#include <string>
#include <vector>

namespace hearth {

// One column of a grid as the settings see it.
struct ShownColumn {
    std::string name;
    std::string title;
    bool visible = true;
};

// The grid's columns in their places on screen (left to right), with their titles and
// whether they show.
std::vector<ShownColumn> shown_columns(DataWindowBase& dw);

// Lays the grid's columns out in the order of `columns`, from where its leftmost column
// begins: each keeps its width, its header text <name>_t moves with it, a hidden one takes no
// room. Titles and visibility are set as given.
void lay_out_columns(DataWindowBase& dw, const std::vector<ShownColumn>& columns);

// The users' column settings, kept in a file.
class ColumnSettings {
public:
    explicit ColumnSettings(std::filesystem::path file) : m_file(std::move(file)) {}

    // The settings kept beside the column looks (column_settings.tsv in the same folder).
    static ColumnSettings beside(const ColumnLooks& looks);

    // The columns `userno` set for `dataobject`, in order; none when nothing is kept. Lines
    // that are not settings (a damaged file) are skipped; an unreadable file is its error.
    Result<std::vector<ShownColumn>> of(const std::string& userno, const std::string& dataobject) const;
    // Keeps `columns` as `userno`'s settings of `dataobject`, replacing the ones before. A
    // title holding a tab or a line break, or a failed write: the reason, file unchanged.
    Result<void> keep(const std::string& userno, const std::string& dataobject,
                      const std::vector<ShownColumn>& columns);
    // Lays out dw by `userno`'s kept settings (columns the settings do not name keep their
    // order after the named ones; names the grid no longer has are skipped) and, when dw is
    // a page's grid, fills the page's column arrays. Nothing kept, or an unreadable file:
    // dw stays as designed.
    void apply(DataWindowBase& dw, const std::string& userno) const;

private:
    std::filesystem::path m_file;
};

class w_setshow : public w_response {
public:
    w_setshow();

    ObjectRef dw_list;
    ObjectRef dw_1;
    ObjectRef cb_apply;
    ObjectRef cb_ok;
    ObjectRef cb_cancel;

    ScriptResult open(ScriptCall& call);
    ScriptResult cb_apply_clicked(ScriptCall& call);
    ScriptResult cb_ok_clicked(ScriptCall& call);
    ScriptResult cb_cancel_clicked(ScriptCall& call);

private:
    // Applies the form's row to the columns; false (after telling the user) when it cannot.
    bool apply_form(ScriptCall& call);
    void show_list(ScriptCall& call);

    ObjectRef m_grid;
    std::vector<ShownColumn> m_columns;
};

// Registration entry of w_setshow.
const ClassTable& _getVtableInfo_w_setshow();

} // namespace hearth
