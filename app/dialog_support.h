#pragma once
// What the dialogs the toolbar opens share: the DataWindow they were opened on, their controls'
// places, the text typed into their one-row forms, and a grid's columns by name or title.

#include "host/object/script.h"
#include "host/ui/datawindow_control.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

class Runtime;

namespace dialogs {

// The DataWindow control OpenWithParm handed over in Message.PowerObjectParm; nullptr when
// there is none (the dialog then closes without doing anything).
DataWindowControl* datawindow_parm(Runtime& runtime);

// Places a control of the dialog and, for a button or a text, sets its text.
void place(ScriptCall& call, const ObjectRef& control, std::int32_t x, std::int32_t y, std::int32_t width,
           std::int32_t height, std::string_view text = {});

// The dialog's form: `dataobject` with one empty row to type into, and the focus.
DataWindowControl* open_form(ScriptCall& call, const ObjectRef& control, std::string_view dataobject);

// The text the user typed into `column` of the form's row, blanks trimmed ("" for none). The
// edit in progress is accepted first.
std::string typed(DataWindowControl& form, std::string_view column);

// A column a grid shows in its detail band, with the title of its header text <name>_t (the
// name itself when it has none).
struct GridColumn {
    std::string name;
    std::string title;
};

// The grid's columns, in the order of its object.
std::vector<GridColumn> grid_columns(DataWindowBase& dw);

// The column the user means by `text`: its name (without case) or its title.
std::optional<GridColumn> find_column(DataWindowBase& dw, std::string_view text);

// The dialog closes, handing `value` back in Message.StringParm.
void close_dialog(const ObjectRef& window, std::string_view value);

} // namespace dialogs
} // namespace hearth
