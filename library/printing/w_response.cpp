#include "library/printing/w_response.h"

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "library/frame/application.h"

namespace hearth {

w_response::w_response()
{
    windowtype = WindowType::Response;
    width = 2674;
    height = 1416;
    titlebar = true;
    title = "Untitled";
    controlmenu = true;
    // Replaced by the application's colour when the window opens.
    backcolor = colors::button_face;
    icon = "AppIcon!";
    toolbarvisible = false;
    center = true;
}

ScriptResult w_response::open(ScriptCall& call)
{
    if (AppGlobals* globals = app_globals(call, "gl_backcolor"))
        backcolor = globals->gl_backcolor;
    return no_return;
}

ScriptResult w_response::ue_move(ScriptCall&)
{
    // GetActiveSheet asked of the frame this window belongs to: the frame of a sheet, or the
    // window it was opened with. A window opened on its own is asked itself and, being no
    // frame, has no active sheet.
    Desktop* desktop = Desktop::current();
    if (!desktop)
        return no_return;
    const ObjectRef frame = parent_window.is_valid() ? parent_window : ref();
    const ObjectRef sheet = desktop->get_active_sheet(frame);
    if (dynamic_cast<Window*>(sheet.get()) && sheet.same_as(ref())) {
        x = 0;
        y = 0;
    }
    return no_return;
}

const ClassTable& _getVtableInfo_w_response()
{
    static const ClassTable table {"w_response",
                                   "window",
                                   make_object<w_response>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"ue_move", SlotKind::Event, Type::Long, 2, "pbm_move"}},
                                     {{119, "ue_move", on_self<&w_response::ue_move>},
                                      {0, "create", create_script},
                                      {1, "destroy", destroy_script},
                                      {38, "open", on_self<&w_response::open>}}}}};
    return table;
}

} // namespace hearth
