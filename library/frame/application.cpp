#include "library/frame/application.h"

namespace hearth {

namespace {
// Scripts run one at a time on the user-interface thread, so one process-wide pointer serves.
Application* g_current = nullptr;
} // namespace

Application* Application::current() { return g_current; }

Application* Application::set_current(Application* application)
{
    Application* previous = g_current;
    g_current = application;
    return previous;
}

AppGlobals* app_globals(const ScriptCall& call, std::string_view what)
{
    if (Application* application = Application::current())
        return &application->globals();
    call.raise(ErrorCode::NullObjectReference, std::string(what) + ": no application is running");
    return nullptr;
}

ObjectRef w_main_dw_tool(const AppGlobals& globals)
{
    const Object* w_main = globals.w_main.get();
    return w_main ? w_main->nested("dw_tool") : ObjectRef();
}

} // namespace hearth
