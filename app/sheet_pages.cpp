#include "app/sheet_pages.h"

#include "app/application.h"
#include "app/w_ge_rpr.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "library/frame/application.h"
#include "library/tabs/uo_tabpg_datawindow.h"

namespace hearth {

bool open_sheet_pages(ScriptCall& call, Window& sheet, ObjectRef tab_1, std::span<const SheetPage> pages)
{
    Runtime& runtime = call.runtime();
    AppGlobals* globals = app_globals(call, "guo_tab");
    auto* tab = dynamic_cast<Tab*>(call.use(tab_1, "tab_1"));
    if (!globals || !tab)
        return false;
    const auto* application = dynamic_cast<HearthApplication*>(Application::current());
    const std::string permissions(page_permissions(application && application->is_admin()));

    // A tab without pages has none selected; selecting the first page after they are made
    // raises selectionchanged, which sets up the page in front and the toolbar.
    tab->selectedtab = 0;
    tab->x = 0;
    tab->y = 0;
    tab->width = sheet.width - 27;
    tab->height = sheet.height - 112;
    const ObjectRef outer = runtime.create_control(tab_1, "uo_tabpg_tab");
    if (!outer.is_valid()) {
        call.raise(ErrorCode::NullObjectReference, "uo_tabpg_tab");
        return false;
    }
    runtime.construct(outer);
    globals->guo_tab = outer;
    auto* inner = dynamic_cast<Tab*>(call.use(outer.get()->nested("tab_1"), "guo_tab.tab_1"));
    if (!inner)
        return false;
    inner->selectedtab = 0;

    if (!runtime.message_object())
        runtime.assign_new_message();
    ObjectRef master;
    std::string_view master_tag;
    for (const SheetPage& spec : pages) {
        const ObjectRef made = runtime.create_control(inner->ref(), spec.class_name);
        auto* page = dynamic_cast<uo_tabpg_datawindow*>(made.get());
        if (!page) {
            call.raise(ErrorCode::NullObjectReference, std::string(spec.class_name));
            return false;
        }
        page->text = std::string(spec.text);
        page->tag = std::string(spec.tag);
        page->is_stringpara = std::string(spec.key);
        page->is_relafield = std::string(spec.relafield);
        page->is_autocolumn = std::string(spec.autocolumn);
        page->ii_issingle = spec.issingle;
        page->is_toolbarstatus = permissions;
        // A form offers no deleting, yet selecting its tab enables p_del by the permissions: a
        // record is deleted from its list only, whose object the photo clean-up knows by name.
        if (spec.issingle != 0)
            page->is_toolbarstatus[4] = '1';
        page->ib_visible = true;
        if (spec.relafield.empty()) {
            page->is_haverelation = std::string("1");
            master = made;
            master_tag = spec.tag;
        } else {
            page->is_masterid = std::string(master_tag);
        }
        // dw_1's constructor takes its DataWindow object from Message.StringParm.
        runtime.message_object()->string_parm = std::string(spec.dataobject);
        runtime.construct(made);
    }
    globals->guo_tabpg_master = master;
    globals->guo_tabpg_now = master;

    std::vector<Value> size {Value::integer(static_cast<std::int16_t>(tab->width - 18)),
                             Value::integer(static_cast<std::int16_t>(tab->height - 120))};
    call.call(outer, "resize", size);
    tab->select_tab(1);
    if (auto* grid = dynamic_cast<uo_tabpg_datawindow*>(master.get()))
        runtime.trigger_event(grid->dw_1, "ue_firstretrieve");
    inner->select_tab(1);
    return true;
}

} // namespace hearth
