#include "host/ui/window.h"

#include "host/object/class_registry.h"
#include "host/ui/desktop.h"

namespace hearth {

std::shared_ptr<Menu> Menu::add_item(std::string item_name, std::string item_text)
{
    m_items.push_back(std::make_shared<Menu>(std::move(item_name), std::move(item_text)));
    return m_items.back();
}

std::shared_ptr<Menu> Menu::item(std::size_t n) const
{
    if (n < 1 || n > m_items.size())
        return nullptr;
    return m_items[n - 1];
}

std::shared_ptr<Menu> Menu::find(std::string_view item_name) const
{
    const std::string wanted = lower_name(item_name);
    for (const auto& entry : m_items) {
        if (lower_name(entry->name) == wanted)
            return entry;
        if (auto below = entry->find(item_name))
            return below;
    }
    return nullptr;
}

std::int32_t Menu::pop_menu(std::int32_t px, std::int32_t py)
{
    Desktop* desktop = Desktop::current();
    if (!desktop)
        return -1;
    return desktop->record_pop_menu(shared_from_this(), px, py);
}

std::int32_t Menu::choose()
{
    if (!enabled || !visible || !clicked)
        return 0;
    clicked();
    return 1;
}

} // namespace hearth
