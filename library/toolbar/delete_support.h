#pragma once
// What the deletion's scripts of uo_toolbar share: the list a page shows, and the message box.

#include "host/object/script.h"
#include "host/ui/desktop.h"
#include "library/frame/application.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <optional>
#include <string_view>

namespace hearth::delete_support {

// A page of the application (guo_tabpg_now or guo_tabpg_master) with its dw_1.
struct CurrentList {
    AppGlobals* globals = nullptr;
    uo_tabpg_datawindow* page = nullptr;
    uo_dw* dw = nullptr;
};

// The page in the global `page` (named `what` in errors) and its dw_1. No application, a null
// page or a page without dw_1 raises 20502; when that is reported handled, nullopt and the
// script does nothing more.
std::optional<CurrentList> current_list(ScriptCall& call, ObjectRef AppGlobals::*page, std::string_view what);

// MessageBox(title, text, icon, buttons, default) on the desktop: the button answered, or 0
// when no desktop shows boxes.
std::int16_t show_box(std::string_view title, std::string_view text, Icon icon, Buttons buttons,
                      std::int16_t default_button);

} // namespace hearth::delete_support
