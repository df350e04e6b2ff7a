#include "host/ui/desktop.h"

#include "host/ui/datawindow_control.h"
#include "host/ui/window.h"

namespace hearth {

namespace {
Desktop* g_current = nullptr;
} // namespace

Desktop::Desktop(Runtime& runtime, dw::ObjectLibrary library)
    : m_runtime(runtime), m_library(std::move(library)), m_previous(g_current)
{
    g_current = this;
    if (!m_runtime.message_object())
        m_runtime.assign_new_message();
}

Desktop::~Desktop() { g_current = m_previous; }

Desktop* Desktop::current() { return g_current; }

DispatchResult Desktop::raise(const ObjectRef& target, Notification notification, std::vector<Value>& args)
{
    Object* object = target.get();
    // Checked here so that a class without the (user) event raises no error even inside a
    // script: the host only sends what the class maps.
    const SlotInfo* slot = object ? notified_event(object->class_info(), notification) : nullptr;
    if (!slot)
        return {Outcome::Invalid, Value()};
    return m_runtime.dispatch(target, slot->slot, args);
}

ObjectRef Desktop::make_dwobject(std::string_view name, std::string_view band, std::string_view type)
{
    ObjectRef ref = m_runtime.create("dwobject");
    auto* dwo = dynamic_cast<DwObject*>(ref.get());
    assert(dwo && "register_ui_classes registers dwobject with its C++ type");
    dwo->name = std::string(name);
    dwo->band = std::string(band);
    dwo->type = std::string(type);
    return ref;
}

void Desktop::settle()
{
    if (m_runtime.depth() == 0) {
        m_runtime.drain_posted();
        m_pointer = Pointer::Arrow;
    }
}

// ---- Menus ------------------------------------------------------------------------------------

std::int32_t Desktop::record_pop_menu(std::shared_ptr<Menu> menu, std::int32_t x, std::int32_t y)
{
    PoppedMenu popped;
    popped.name = menu->name;
    popped.menu = std::move(menu);
    popped.x = x;
    popped.y = y;
    if (!m_windows.empty())
        popped.window = m_windows.back().window;
    m_popped.push_back(std::move(popped));
    if (m_observer)
        m_observer->menu_popped(m_popped.back());
    return 1;
}

void Desktop::show_status(const std::string& text)
{
    // Only the recent texts are kept: a user sees one on every row change, and the list
    // would otherwise grow for as long as the program runs.
    constexpr std::size_t kept_status_texts = 256;
    if (m_status_texts.size() >= 2 * kept_status_texts)
        m_status_texts.erase(m_status_texts.begin(), m_status_texts.end() - std::ptrdiff_t(kept_status_texts));
    m_status_texts.push_back(text);
    if (m_observer)
        m_observer->status_shown(text);
}

void Desktop::note_retrieve(const std::string& select)
{
    if (m_observer)
        m_observer->retrieving(select);
}

void Desktop::note_file_written(const std::string& path)
{
    if (m_observer)
        m_observer->file_written(path);
}

// ---- Pointer ----------------------------------------------------------------------------------

Pointer Desktop::set_pointer(Pointer pointer)
{
    const Pointer previous = this->pointer();
    m_pointer_history.push_back(pointer);
    // Outside any script nothing holds the pointer: it is the arrow again at once.
    m_pointer = m_runtime.depth() == 0 ? Pointer::Arrow : pointer;
    return previous;
}

Pointer Desktop::pointer() const
{
    // The runtime puts the arrow back when the outermost script ends; between scripts no
    // other pointer can be in force.
    if (m_runtime.depth() == 0)
        m_pointer = Pointer::Arrow;
    return m_pointer;
}

void Desktop::note_pointer(const ObjectRef& object, std::int32_t x, std::int32_t y)
{
    m_pointer_position = {object, x, y};
}

namespace {

// The object's position relative to its window's client area: the sum of its own and its
// parents' positions below the window.
std::pair<std::int32_t, std::int32_t> offset_in_window(Object* object)
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    for (Object* o = object; o; o = o->parent().get()) {
        auto* visual = dynamic_cast<VisualObject*>(o);
        if (!visual || dynamic_cast<Window*>(o))
            break;
        x += visual->x;
        y += visual->y;
    }
    return {x, y};
}

} // namespace

std::int32_t Desktop::pointer_x(const ObjectRef& object) const
{
    Object* target = object.get();
    if (!target)
        return -1;
    Object* source = m_pointer_position.object.get();
    if (!source)
        return 0;
    return offset_in_window(source).first + m_pointer_position.x - offset_in_window(target).first;
}

std::int32_t Desktop::pointer_y(const ObjectRef& object) const
{
    Object* target = object.get();
    if (!target)
        return -1;
    Object* source = m_pointer_position.object.get();
    if (!source)
        return 0;
    return offset_in_window(source).second + m_pointer_position.y - offset_in_window(target).second;
}

} // namespace hearth
