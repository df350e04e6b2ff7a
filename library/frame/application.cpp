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

} // namespace hearth
