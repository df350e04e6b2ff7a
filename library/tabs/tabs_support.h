#pragma once
// What the tab pages' scripts share: the toolbar of the main window as they drive it, and the
// status text.

#include "host/object/script.h"

#include <string>
#include <string_view>

namespace hearth::tabs {

// Character `position` (1-based) of a permission string, as Mid(s, position, 1) reads it: ""
// beyond its end.
std::string status_char(const std::string& status, std::size_t position);

// w_main.dw_tool.uf_setenabled(button, enabled). No main window or toolbar: the null-object
// runtime error (20502), which ends the script unless reported handled.
void set_enabled(ScriptCall& call, std::string_view button, bool enabled);

// The `tag` of a toolbar button ("1" usable, "0" not). No main window or toolbar: 20502 as
// for set_enabled, and "" when that is reported handled.
std::string button_tag(ScriptCall& call, std::string_view button);

// Presses toolbar button `button`: the toolbar's is_object takes its name, then its
// ue_dwnlbuttonup(0, 0, row, the button's object) runs. A toolbar without a script for the
// release does nothing.
void press(ScriptCall& call, std::string_view button, long row);

// w_main.wf_setstatus(text).
void set_status(ScriptCall& call, const std::string& text);

} // namespace hearth::tabs
