#include "app/w_login.h"

#include "app/application.h"
#include "host/object/runtime.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"

namespace hearth {

w_login::w_login()
{
    title = "用户登录";
    width = 1100;
    height = 520;
}

ScriptResult w_login::open(ScriptCall& call)
{
    if (auto* dw = call.use(Ref<DataWindowControl>(dw_1), "dw_1")) {
        dw->x = 40;
        dw->y = 40;
        dw->width = 1000;
        dw->height = 300;
        dw->set_dataobject("d_login");
        dw->insert_row(0);
    }
    return no_return;
}

ScriptResult w_login::ue_ok(ScriptCall& call)
{
    auto* dw = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    Desktop* desktop = Desktop::current();
    auto* application = dynamic_cast<HearthApplication*>(Application::current());
    if (!dw || !desktop || !application)
        return Value(0);
    dw->accept_text();
    auto text = [&](const char* column) {
        const Value value = dw->get_item_string(1, std::string_view(column));
        return value.is_null() ? std::string() : value.as_string();
    };
    auto done = application->login(text("userno"), text("password"));
    if (!done) {
        desktop->message_box(Value("提示信息"), Value(done.error()), Icon::Exclamation);
        dw->set_item(1, std::string_view("password"), Value(std::string()));
        return Value(0);
    }
    desktop->close_with_return(ref(), Value("1"));
    return Value(1);
}

ScriptResult w_login::ue_cancel(ScriptCall&)
{
    if (Desktop* desktop = Desktop::current())
        desktop->close_with_return(ref(), Value("0"));
    return Value(1);
}

std::int32_t answer_login(Desktop& desktop, const ObjectRef& window, const std::string& userno,
                          const std::string& password)
{
    auto* login = dynamic_cast<w_login*>(window.get());
    auto* dw = login ? dynamic_cast<DataWindowControl*>(login->dw_1.get()) : nullptr;
    if (!dw || dw->row_count() < 1)
        return -1;
    dw->set_item(1, std::string_view("userno"), Value(userno));
    dw->set_item(1, std::string_view("password"), Value(password));
    const DispatchResult result = desktop.runtime().dispatch(window, "ue_ok");
    return result.value.is_null() ? 0 : static_cast<std::int32_t>(result.value.as_integral());
}

const ClassTable& _getVtableInfo_w_login()
{
    static const ClassTable table {
        "w_login",
        "w_response",
        make_object<w_login>,
        {{"dw_1", "datawindow", store_in<&w_login::dw_1>}},
        {{own_group,
          "",
          {{"ue_ok", SlotKind::Event, Type::Long, 0}, {"ue_cancel", SlotKind::Event, Type::Long, 0}},
          {{0, "create", create_script},
           {1, "destroy", destroy_script},
           {38, "open", on_self<&w_login::open>},
           {120, "ue_ok", on_self<&w_login::ue_ok>},
           {121, "ue_cancel", on_self<&w_login::ue_cancel>}}}}};
    return table;
}

} // namespace hearth
