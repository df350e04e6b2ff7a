#include "library/toolbar/delete_support.h"

namespace hearth::delete_support {

std::optional<CurrentList> current_list(ScriptCall& call, ObjectRef AppGlobals::*page, std::string_view what)
{
    AppGlobals* globals = app_globals(call, what);
    if (!globals)
        return std::nullopt;
    auto* tabpg = call.use(Ref<uo_tabpg_datawindow>(globals->*page), what);
    if (!tabpg)
        return std::nullopt;
    uo_dw* dw = call.use(tabpg->dw_1, "dw_1");
    if (!dw)
        return std::nullopt;
    return CurrentList {globals, tabpg, dw};
}

std::int16_t show_box(std::string_view title, std::string_view text, Icon icon, Buttons buttons,
                      std::int16_t default_button)
{
    Desktop* desktop = Desktop::current();
    if (!desktop)
        return 0;
    const Value answer = desktop->message_box(Value(title), Value(text), icon, buttons, Value::integer(default_button));
    return answer.is_null() ? 0 : static_cast<std::int16_t>(answer.as_integral());
}

} // namespace hearth::delete_support
