#include "library/tabs/tabs_support.h"

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/toolbar/uo_toolbar.h"

namespace hearth::tabs {

namespace {

uo_toolbar* toolbar(ScriptCall& call)
{
    AppGlobals* globals = app_globals(call, "w_main");
    if (!globals || !call.use(globals->w_main, "w_main"))
        return nullptr;
    return call.use(Ref<uo_toolbar>(w_main_dw_tool(*globals)), "w_main.dw_tool");
}

} // namespace

std::string status_char(const std::string& status, std::size_t position)
{
    // Characters, not bytes: a permission string is the application's text.
    return fn::mid(status, static_cast<long>(position), 1);
}

void set_enabled(ScriptCall& call, std::string_view button, bool enabled)
{
    if (uo_toolbar* tool = toolbar(call))
        call.call(tool->ref(), "uf_setenabled", {Value(std::string(button)), Value(enabled)});
}

std::string button_tag(ScriptCall& call, std::string_view button)
{
    uo_toolbar* tool = toolbar(call);
    return tool ? tool->describe(std::string(button) + ".tag") : std::string();
}

void press(ScriptCall& call, std::string_view button, long row)
{
    uo_toolbar* tool = toolbar(call);
    if (!tool)
        return;
    tool->is_object = std::string(button);
    Desktop* desktop = Desktop::current();
    ObjectRef dwo = desktop ? desktop->make_dwobject(button, tool->describe(std::string(button) + ".band"), "bitmap")
                            : ObjectRef();
    call.call(tool->ref(), "ue_dwnlbuttonup",
              {Value(std::int32_t(0)), Value(std::int32_t(0)), Value(std::int32_t(row)), Value(dwo)});
    if (dwo.is_valid())
        call.runtime().destroy(dwo);
}

void set_status(ScriptCall& call, const std::string& text)
{
    AppGlobals* globals = app_globals(call, "w_main");
    if (!globals)
        return;
    if (call.use(globals->w_main, "w_main"))
        call.call(globals->w_main, "wf_setstatus", {Value(text)});
}

} // namespace hearth::tabs
