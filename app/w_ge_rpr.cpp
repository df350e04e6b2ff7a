#include "app/w_ge_rpr.h"

#include "app/application.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "library/frame/application.h"
#include "library/tabs/uo_tabpg_datawindow.h"

namespace hearth {

namespace {

// One inner page of the sheet. `tag` is the page's number for the column rights (the household
// sheet's pages are 101 to 105); `key` the table key the toolbar's commands choose by
// (is_stringpara).
struct PageSpec {
    std::string_view class_name;
    std::string_view dataobject;
    std::string_view text;
    std::string_view tag;
    std::string_view key;
    std::string_view relafield;
    std::string_view autocolumn;
    std::int16_t issingle;
};

constexpr std::string_view master_tag = "101";

constexpr PageSpec pages[] = {
    {"uo_tabpg_grid", "d_ge_rpr", "户籍信息", master_tag, "GE_Rpr", "", "", 0},
    {"uo_tabpg_datawindow", "d_ge_personinfo", "人员信息", "102", "GE_PersonInfo", "rprno", "rprno", 0},
    {"uo_tabpg_datawindow", "d_ge_rprownhouse", "房屋产权", "103", "GE_RprOwnHouse", "rprno", "rprno", 0},
    {"uo_tabpg_datawindow", "d_ge_familyhonor", "家庭荣誉", "104", "GE_FamilyHonor", "rprno", "rprno", 0},
    {"uo_tabpg_form", "d_ge_rpr_f", "户籍卡片", "105", "GE_Rpr", "rprno", "", 1},
};

// Characters 2 to 5 govern retrieve, add, modify and delete ("1" forbids retrieve and add,
// anything but "0" forbids modify and delete); 8 and 9 the filter and the context menu.
constexpr std::string_view everything_allowed = "0000000000";
constexpr std::string_view read_only = "0011100000";

} // namespace

w_ge_rpr::w_ge_rpr()
{
    title = "户籍管理";
    windowtype = WindowType::Child;
    width = 3621;
    height = 2100;
    resizable = true;
    maxbox = true;
}

std::string_view page_permissions(bool administrator) { return administrator ? everything_allowed : read_only; }

ScriptResult w_ge_rpr::open(ScriptCall& call)
{
    Runtime& runtime = call.runtime();
    AppGlobals* globals = app_globals(call, "guo_tab");
    auto* tab = dynamic_cast<Tab*>(call.use(tab_1, "tab_1"));
    if (!globals || !tab)
        return no_return;
    const auto* application = dynamic_cast<HearthApplication*>(Application::current());
    const std::string permissions(page_permissions(application && application->is_admin()));

    // A tab without pages has none selected; selecting the first page after they are made
    // raises selectionchanged, which sets up the page in front and the toolbar.
    tab->selectedtab = 0;
    tab->x = 0;
    tab->y = 0;
    tab->width = width - 27;
    tab->height = height - 112;
    const ObjectRef outer = runtime.create_control(tab_1, "uo_tabpg_tab");
    if (!outer.is_valid()) {
        call.raise(ErrorCode::NullObjectReference, "uo_tabpg_tab");
        return no_return;
    }
    runtime.construct(outer);
    globals->guo_tab = outer;
    auto* inner = dynamic_cast<Tab*>(call.use(outer.get()->nested("tab_1"), "guo_tab.tab_1"));
    if (!inner)
        return no_return;
    inner->selectedtab = 0;

    if (!runtime.message_object())
        runtime.assign_new_message();
    ObjectRef master;
    for (const PageSpec& spec : pages) {
        const ObjectRef made = runtime.create_control(inner->ref(), spec.class_name);
        auto* page = dynamic_cast<uo_tabpg_datawindow*>(made.get());
        if (!page) {
            call.raise(ErrorCode::NullObjectReference, std::string(spec.class_name));
            return no_return;
        }
        page->text = std::string(spec.text);
        page->tag = std::string(spec.tag);
        page->is_stringpara = std::string(spec.key);
        page->is_relafield = std::string(spec.relafield);
        page->is_autocolumn = std::string(spec.autocolumn);
        page->ii_issingle = spec.issingle;
        page->is_toolbarstatus = permissions;
        page->ib_visible = true;
        if (spec.relafield.empty()) {
            page->is_haverelation = "1";
            master = made;
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
    return no_return;
}

const ClassTable& _getVtableInfo_w_ge_rpr()
{
    static const ClassTable table {
        "w_ge_rpr",
        "window",
        make_object<w_ge_rpr>,
        {{"tab_1", "uo_tab", store_in<&w_ge_rpr::tab_1>}},
        {{own_group,
          "",
          {},
          {{0, "create", create_script}, {1, "destroy", destroy_script}, {38, "open", on_self<&w_ge_rpr::open>}}}}};
    return table;
}

} // namespace hearth
