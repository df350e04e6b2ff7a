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

ObjectRef w_main_dw_tool(const AppGlobals& globals)
{
    const Object* w_main = globals.w_main.get();
    return w_main ? w_main->nested("dw_tool") : ObjectRef();
}

} // namespace hearth
