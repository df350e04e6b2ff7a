#pragma once
// The editing windows of the sheets' pages. The toolbar opens the window "w_m_" + a page's
// is_stringpara with "添加" (a new record) or with the modify button's caption (the page's
// current record). Each window is w_m_edit on the page's free-form DataWindow object; what
// differs from page to page is one row of the table in w_m_edit.cpp (the object, the title,
// the columns the user must fill in, the identity numbers and dates to check, the columns the
// master record fills in). A sheet gets editing windows by adding rows there.
//
// Saving checks the record, writes it through the DataWindow's Update with its optimistic
// check (the row as it was read must still be in the database), commits, writes the user log,
// brings the page up to date with the saved record current, and closes. Every refusal and
// failure is told in a "系统提示" box and leaves the window open with what the user typed.
// Closing without saving writes nothing.

#include "host/object/class_registry.h"
#include "library/printing/w_response.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hearth {

class DataWindowControl;
struct EditForm;

// User-log actions of the editing windows (TC_SYS_UserLog.Action, beside the login's and the
// deletion's in app/application.h).
inline constexpr std::int16_t user_log_add = 2;
inline constexpr std::int16_t user_log_modify = 3;

class w_m_edit : public w_response {
public:
    w_m_edit();

    // The form (a uo_dwform) and the two buttons.
    ObjectRef dw_1;
    ObjectRef cb_save;
    ObjectRef cb_close;

    // open: the record to edit, from Message.StringParm: "添加" inserts a new one with the
    // master record's columns filled in, anything else retrieves the page's current record.
    ScriptResult open(ScriptCall& call);
    // ue_postopen: the focus on the form's first field, once the script that opened the
    // window has ended.
    ScriptResult ue_postopen(ScriptCall& call);
    // cb_save.clicked: checks and saves; the window closes when the record is saved.
    ScriptResult cb_save_clicked(ScriptCall& call);
    // cb_close.clicked: closes without saving.
    ScriptResult cb_close_clicked(ScriptCall& call);

private:
    // The form's row, or nullptr (and a runtime error) when the window has no form.
    DataWindowControl* form(ScriptCall& call);
    // Tells the user what is wrong; the focus goes to `column` when it is given.
    void refuse(DataWindowControl& dw, const std::string& text, const std::string& column = {});
    // The checks before a save; false when one refused.
    bool check(DataWindowControl& dw);
    // Update, COMMIT, user log; false when the save failed (and was rolled back).
    bool write(DataWindowControl& dw);
    // The page shows the saved record as its current row.
    void refresh_page(ScriptCall& call, DataWindowControl& dw);
    // Closes the window; nothing is written.
    void close_window();

    const EditForm* m_form = nullptr;
    bool m_adding = false;
    // The key columns of the form's object.
    std::vector<std::string> m_keys;
    // The page the window was opened for (guo_tabpg_now then).
    ObjectRef m_page;
};

// Registers w_m_edit and one editing window class for each row of the table; w_response and
// uo_dwform must be registered first. A refusal says why.
Result<void> register_edit_windows(ClassRegistry& registry);

} // namespace hearth
