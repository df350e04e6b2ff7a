#pragma once
// Windows and menus. A window's controls are its Control array; its menu is a tree of Menu
// items that PopMenu shows (the desktop records every popped menu with its position).

#include "host/ui/controls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hearth {

// A menu or menu item: MenuID of a window is the root, Item[n] its entries.
class Menu : public std::enable_shared_from_this<Menu> {
public:
    explicit Menu(std::string menu_name = {}, std::string menu_text = {})
        : name(std::move(menu_name)), text(std::move(menu_text))
    {
    }

    std::string name;
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::string tag;
    // What choosing the item does (the item's clicked script); empty: nothing.
    std::function<void()> clicked;

    // Appends an item and returns it.
    std::shared_ptr<Menu> add_item(std::string item_name, std::string item_text = {});
    // Item[n], 1-based; nullptr outside 1..UpperBound(Item).
    std::shared_ptr<Menu> item(std::size_t n) const;
    const std::vector<std::shared_ptr<Menu>>& items() const { return m_items; }
    // PopMenu(x, y): shows the menu at x, y (layout units, relative to the active window);
    // the desktop records it. 1, or -1 when no desktop runs.
    std::int32_t pop_menu(std::int32_t px, std::int32_t py);
    // The item of that name anywhere below this one; nullptr when none.
    std::shared_ptr<Menu> find(std::string_view item_name) const;

    // The user chooses this item: runs `clicked` when the item is enabled and visible. 1 when
    // it ran, 0 for a disabled or hidden item or one without an action.
    std::int32_t choose();

private:
    std::vector<std::shared_ptr<Menu>> m_items;
};

// window: a top-level window with its controls.
class Window : public VisualObject {
public:
    Window()
    {
        visible = false;
        backcolor = colors::button_face;
    }

    std::string title = "Untitled";
    WindowType windowtype = WindowType::Main;
    bool titlebar = true;
    bool controlmenu = true;
    bool minbox = false;
    bool maxbox = false;
    bool resizable = false;
    bool center = false;
    std::string icon = "AppIcon!";
    bool toolbarvisible = true;
    // MenuID: the window's menu; nullptr when it has none.
    std::shared_ptr<Menu> menuid;
    // ParentWindow(): the window given as parent to Open, or the frame of a sheet.
    ObjectRef parent_window;
    bool takes_focus() const override { return false; }
};

} // namespace hearth
