#include "app/w_main.h"

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"
#include "library/frame/application.h"

namespace hearth {

w_main::w_main()
{
    windowtype = WindowType::Mdi;
    title = "社区综合信息管理系统";
    width = 3680;
    height = 2400;
    resizable = true;
    minbox = true;
    maxbox = true;
}

ObjectRef w_main::get_active_sheet() const
{
    const Desktop* desktop = Desktop::current();
    return desktop ? desktop->get_active_sheet(const_cast<w_main*>(this)->ref()) : ObjectRef();
}

ObjectRef w_main::open_sheet(std::string_view class_name)
{
    Desktop* desktop = Desktop::current();
    if (!desktop)
        return {};
    ObjectRef& sheet = m_sheets[lower_name(class_name)];
    if (desktop->open_sheet(sheet, class_name, ref()) != 1) {
        desktop->message_box(Value("提示信息"), Value("无法打开窗口" + std::string(class_name) + "！"),
                             Icon::Exclamation);
        return {};
    }
    return sheet;
}

bool w_main::exit_frame()
{
    Desktop* desktop = Desktop::current();
    if (!desktop)
        return false;
    if (ib_query) {
        const Value answer = desktop->message_box(Value("系统提示"), Value("确定要退出系统吗?"), Icon::Question,
                                                  Buttons::YesNo, Value(1));
        if (answer.is_null() || answer.as_integral() != 1)
            return false;
    }
    return desktop->close(ref()) == 1;
}

void w_main::build_menu()
{
    // Menu actions hold the frame by handle: they do nothing once it is closed.
    const ObjectRef self = ref();
    auto on_frame = [self](auto action) {
        return [self, action] {
            if (auto* frame = dynamic_cast<w_main*>(self.get()))
                action(*frame);
        };
    };
    menuid = std::make_shared<Menu>("m_main");
    // Item 1, popped up by p_main: one entry per sheet.
    const auto sheets = menuid->add_item("m_sheets", "主菜单");
    struct SheetEntry {
        std::string_view item, text, window;
    };
    static constexpr SheetEntry entries[]
        = {{"m_ge_rpr", "户籍管理", "w_ge_rpr"}, {"m_ge_building", "楼院管理", "w_ge_building"}};
    for (const SheetEntry& entry : entries)
        sheets->add_item(std::string(entry.item), std::string(entry.text))->clicked
            = on_frame([window = entry.window](w_main& frame) { frame.open_sheet(window); });
    // The history archive, where deleted households and persons can be brought back.
    sheets->add_item("m_history", "历史档案")->clicked = on_frame([](w_main& frame) {
        if (Desktop* desktop = Desktop::current()) {
            ObjectRef window;
            desktop->open(window, "w_history", frame.ref());
        }
    });
    // Item 2, popped up by p_close.
    const auto closing = menuid->add_item("m_close", "关闭");
    closing->add_item("m_closesheet", "关闭当前窗口")->clicked = on_frame([](w_main& frame) {
        if (Desktop* desktop = Desktop::current())
            desktop->close(frame.get_active_sheet());
    });
    closing->add_item("m_closeall", "关闭所有窗口")->clicked = on_frame([](w_main& frame) {
        if (Desktop* desktop = Desktop::current())
            for (ObjectRef sheet = frame.get_active_sheet(); sheet.is_valid(); sheet = frame.get_active_sheet())
                if (desktop->close(sheet) != 1)
                    break;
    });
    closing->add_item("m_exit", "退出系统")->clicked = on_frame([](w_main& frame) { frame.exit_frame(); });
}

ScriptResult w_main::open(ScriptCall& call)
{
    AppGlobals* globals = app_globals(call, "w_main");
    if (!globals)
        return no_return;
    globals->w_main = ref();
    backcolor = globals->gl_backcolor;
    build_menu();
    lay_out(call);
    if (uo_status.is_valid()) {
        const std::string community = globals->gs_workparm.empty() ? std::string() : globals->gs_workparm[0];
        const std::string cells[] = {"当前用户：" + globals->gs_username, community,
                                     fn::to_string(fn::today().as_date()), std::string(app_version_text)};
        std::int16_t index = 2;
        for (const std::string& text : cells)
            call.call(uo_status, "uf_settext", {Value::integer(index++), Value(text)});
    }
    return no_return;
}

void w_main::lay_out(ScriptCall& call)
{
    if (uo_toolbar* tool = call.use(dw_tool, "dw_tool")) {
        tool->x = 0;
        tool->y = 0;
        tool->width = width;
    }
    if (uo_statusbar_main* bar = call.use(uo_status, "uo_status")) {
        bar->x = 0;
        bar->y = std::max(0, height - bar->height);
        // The panel places its cells for the new width, as a frame's resize asks of it.
        call.call(uo_status, "resize", {Value::integer(static_cast<std::int16_t>(width)), Value::integer(0)});
    }
}

ScriptResult w_main::resize(ScriptCall& call)
{
    lay_out(call);
    return Value(0);
}

ScriptResult w_main::destroy(ScriptCall& call)
{
    if (Application* application = Application::current())
        if (application->globals().w_main.same_as(ref()))
            application->globals().w_main = {};
    call.runtime().destroy_controls(call);
    return no_return;
}

ScriptResult w_main::wf_setstatus(ScriptCall& call)
{
    const std::string text = call.arg_as<std::string>(0).value_or("");
    if (uo_status.is_valid())
        call.call(uo_status, "uf_settext", {Value::integer(1), Value(text)});
    if (Desktop* desktop = Desktop::current())
        desktop->show_status(text);
    return no_return;
}

ScriptResult w_main::ue_explorer(ScriptCall& call)
{
    const std::string text = call.arg_as<std::string>(0).value_or("");
    switch (static_cast<ExplorerMode>(call.arg_as<std::int16_t>(1).value_or(-1))) {
    case ExplorerMode::OpenSheet: return Value(open_sheet(text).is_valid() ? 1 : -1);
    case ExplorerMode::ShowText: call.call(ref(), "wf_setstatus", {Value(text)}); return Value(1);
    }
    return Value(-1);
}

const ClassTable& _getVtableInfo_w_main()
{
    static const ClassTable table {
        "w_main",
        "window",
        make_object<w_main>,
        {{"dw_tool", "uo_toolbar", store_in<&w_main::dw_tool>},
         {"uo_status", "uo_statusbar_main", store_in<&w_main::uo_status>}},
        {{own_group,
          "",
          {{"wf_setstatus", SlotKind::Function, std::nullopt, 1}, {"ue_explorer", SlotKind::Event, Type::Long, 2}},
          {{0, "create", create_script},
           {1, "destroy", on_self<&w_main::destroy>},
           {38, "open", on_self<&w_main::open>},
           {46, "resize", on_self<&w_main::resize>},
           {119, "wf_setstatus", on_self<&w_main::wf_setstatus>},
           {120, "ue_explorer", on_self<&w_main::ue_explorer>}}}}};
    return table;
}

} // namespace hearth
