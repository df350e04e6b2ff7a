#include "app/w_locklogin.h"

#include "app/application.h"
#include "app/dialog_support.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"

namespace hearth {

w_locklogin::w_locklogin()
{
    title = "系统锁定";
    width = 1100;
    height = 560;
    controlmenu = false; // the lock is left only by unlocking
}

ScriptResult w_locklogin::open(ScriptCall& call)
{
    // Nothing but an unlock hands back "1": not a value left over from another window.
    if (Message* message = call.runtime().message_object())
        message->string_parm.clear();
    auto* application = dynamic_cast<HearthApplication*>(Application::current());
    const std::string user = application ? application->globals().gs_username : std::string();
    dialogs::place(call, st_user, 40, 30, 1000, 64, "系统已锁定，请" + user + "输入口令解锁。");
    dialogs::place(call, cb_ok, 380, 300, 300, 100, "解锁");
    if (auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1")) {
        form->x = 40;
        form->y = 120;
        form->width = 1000;
        form->height = 160;
    }
    dialogs::open_form(call, dw_1, "d_locklogin");
    return no_return;
}

ScriptResult w_locklogin::cb_ok_clicked(ScriptCall& call)
{
    auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    auto* application = dynamic_cast<HearthApplication*>(Application::current());
    Desktop* desktop = Desktop::current();
    if (!form || !application || !desktop)
        return no_return;
    form->accept_text();
    const Value typed = form->get_item_string(1, "password");
    auto checked = application->check_password(typed.is_null() ? std::string() : typed.as_string());
    if (checked) {
        dialogs::close_dialog(ref(), "1");
        return no_return;
    }
    form->set_item(1, "password", Value(std::string()));
    if (++m_wrong >= max_tries) {
        desktop->message_box(Value("警告信息"), Value("口令连续三次错误，系统将关闭！"), Icon::StopSign);
        dialogs::close_dialog(ref(), "0");
        return no_return;
    }
    desktop->message_box(Value("提示信息"),
                         Value(checked.error() + "还可以再试" + std::to_string(max_tries - m_wrong) + "次。"),
                         Icon::Exclamation);
    return no_return;
}

const ClassTable& _getVtableInfo_w_locklogin()
{
    static const ClassTable table {
        "w_locklogin",
        "w_response",
        make_object<w_locklogin>,
        {{"st_user", "statictext", store_in<&w_locklogin::st_user>},
         {"dw_1", "datawindow", store_in<&w_locklogin::dw_1>},
         {"cb_ok", "commandbutton", store_in<&w_locklogin::cb_ok>}},
        {{own_group,
          "",
          {},
          {{0, "create", create_script}, {1, "destroy", destroy_script}, {38, "open", on_self<&w_locklogin::open>}}},
         {32771, "cb_ok", {}, {{36, "clicked", on_parent<&w_locklogin::cb_ok_clicked>}}}}};
    return table;
}

} // namespace hearth
