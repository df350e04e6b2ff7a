#pragma once
// w_main: the application's frame, an MDI window. It holds the toolbar dw_tool along its top
// and the five-cell status bar uo_status along its bottom (1 the status text, 2 the user,
// 3 the community, 4 today's date, 5 the version), and its menu, whose first two items are
// what the toolbar's p_main and p_close pop up. While open it is the application's w_main.

#include "host/object/class_registry.h"
#include "host/ui/window.h"
#include "library/statusbar/uo_statusbar_main.h"
#include "library/toolbar/uo_toolbar.h"

#include <map>
#include <string>
#include <string_view>

namespace hearth {

// The version the status bar shows.
inline constexpr std::string_view app_version_text = "版本 1.0";

// ue_explorer's modes.
enum class ExplorerMode : std::int16_t {
    OpenSheet = 0, // the text is a sheet's window class: open it, or bring it to the front
    ShowText = 1,  // the text is shown in the status bar (no web browser runs here)
};

class w_main : public Window {
public:
    w_main();

    Ref<uo_toolbar> dw_tool;
    Ref<uo_statusbar_main> uo_status;
    // Whether closing the frame from its menu asks the user first; the toolbar clears it to
    // close the frame without asking.
    bool ib_query = true;

    // GetActiveSheet(): the sheet in front; invalid when none is open.
    ObjectRef get_active_sheet() const;
    // Opens a sheet of class `class_name` inside the frame, or brings the one already open to
    // the front. Returns it; invalid (after a message box) for a class that is no window.
    ObjectRef open_sheet(std::string_view class_name);
    // Closes the frame, asking "确定要退出系统吗?" first while ib_query is true. True when it
    // closed.
    bool exit_frame();

    // Scripts.
    ScriptResult open(ScriptCall& call);
    ScriptResult destroy(ScriptCall& call);
    // resize(sizetype, newwidth, newheight): lays the toolbar and the status bar out again
    // for the new size.
    ScriptResult resize(ScriptCall& call);
    // wf_setstatus(as_text): the text in status cell 1, and on the desktop's status line.
    ScriptResult wf_setstatus(ScriptCall& call);
    // ue_explorer(as_text, ai_mode): see ExplorerMode; 1 when done, -1 when the sheet could
    // not be opened or the mode is unknown.
    ScriptResult ue_explorer(ScriptCall& call);

private:
    void build_menu();
    // The toolbar across the top and the status bar along the bottom, as wide as the frame;
    // the sheets take the area between them.
    void lay_out(ScriptCall& call);

    // The sheets opened by open_sheet, by class name, so that a second open activates.
    std::map<std::string, ObjectRef> m_sheets;
};

// Registration entry of w_main.
const ClassTable& _getVtableInfo_w_main();

} // namespace hearth
