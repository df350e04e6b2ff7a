#include "host/ui/controls.h"

#include "host/ui/desktop.h"

namespace hearth {

std::int32_t Tab::select_tab(std::int32_t index)
{
    if (index < 1 || static_cast<std::size_t>(index) > control().size())
        return -1;
    // Selecting the page already selected changes nothing and raises nothing.
    if (index == selectedtab)
        return 1;
    const std::int32_t old_index = selectedtab;
    selectedtab = index;
    if (Desktop* desktop = Desktop::current())
        desktop->raise(
            ref(), Notification::TabSelectionChanged,
            {Value::integer(static_cast<std::int16_t>(old_index)), Value::integer(static_cast<std::int16_t>(index))});
    return 1;
}

std::int32_t Tab::select_tab(const ObjectRef& page)
{
    const auto& pages = control();
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (pages[i].is_valid() && pages[i].same_as(page))
            return select_tab(static_cast<std::int32_t>(i + 1));
    return -1;
}

} // namespace hearth
