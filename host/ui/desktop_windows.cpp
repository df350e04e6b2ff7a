// Opening, closing and activating windows and sheets.

#include "host/ui/desktop.h"

#include "host/ui/window.h"
#include "host/value/functions.h"

#include <algorithm>

namespace hearth {

Window* Desktop::window_of(Object* object)
{
    for (Object* o = object; o; o = o->parent().get())
        if (auto* window = dynamic_cast<Window*>(o))
            return window;
    return nullptr;
}

void Desktop::set_message_parm(const Value& parm)
{
    if (!m_runtime.message_object())
        m_runtime.assign_new_message();
    Message* message = m_runtime.message_object();
    if (parm.type() == Type::Object) {
        message->power_object_parm = parm.as_object();
    } else if (parm.is_numeric()) {
        message->double_parm = fn::to_double(parm).as_double();
    } else if (parm.is_string()) {
        // A null string arrives as the empty text: StringParm holds no null.
        message->string_parm = parm.is_null() ? std::string() : parm.as_string();
    }
}

std::int32_t Desktop::open_window(ObjectRef& window, std::string_view class_name, const ObjectRef& parent,
                                  const ObjectRef& frame, const Value* parm)
{
    const ClassInfo* cls = m_runtime.registry().find(class_name);
    if (!cls || cls->origin() == ClassOrigin::Nested)
        return -1;
    if (parm)
        set_message_parm(*parm);
    // A window variable that holds an open window of this class: the window comes to the front.
    if (Object* open = window.get(); open && lower_name(open->class_info().name()) == lower_name(cls->name())) {
        activate(window);
        return 1;
    }
    ObjectRef made = m_runtime.create(class_name);
    auto* made_window = dynamic_cast<Window*>(made.get());
    if (!made_window) {
        m_runtime.destroy(made);
        return -1;
    }
    made_window->parent_window = frame.is_valid() ? frame : parent;
    made_window->visible = true;
    m_windows.push_back({made, frame, m_focus});
    window = made;
    if (m_observer)
        m_observer->window_opened(cls->name(), parm && parm->is_string() && !parm->is_null() ? parm->as_string() : "");
    m_runtime.construct(made);
    raise(made, Notification::WindowOpen);
    if (made.is_valid() && made_window->windowtype == WindowType::Response) {
        auto handler = m_response_handlers.find(lower_name(cls->name()));
        if (handler != m_response_handlers.end())
            handler->second(*this, made);
    }
    settle();
    return 1;
}

std::int32_t Desktop::open(ObjectRef& window, std::string_view class_name, const ObjectRef& parent)
{
    return open_window(window, class_name, parent, {}, nullptr);
}

std::int32_t Desktop::open_with_parm(ObjectRef& window, const Value& parm, std::string_view class_name,
                                     const ObjectRef& parent)
{
    return open_window(window, class_name, parent, {}, &parm);
}

std::int32_t Desktop::open_sheet(ObjectRef& sheet, std::string_view class_name, const ObjectRef& frame)
{
    if (!dynamic_cast<Window*>(frame.get()))
        return -1;
    return open_window(sheet, class_name, {}, frame, nullptr);
}

std::int32_t Desktop::open_sheet_with_parm(ObjectRef& sheet, const Value& parm, std::string_view class_name,
                                           const ObjectRef& frame)
{
    if (!dynamic_cast<Window*>(frame.get()))
        return -1;
    return open_window(sheet, class_name, {}, frame, &parm);
}

std::int32_t Desktop::close(const ObjectRef& window)
{
    auto it = std::find_if(m_windows.begin(), m_windows.end(),
                           [&](const OpenWindow& w) { return w.window.is_valid() && w.window.same_as(window); });
    if (it == m_windows.end())
        return -1;
    const ObjectRef focus_before = it->focus_before;
    // The windows it owns (its sheets, and the windows opened with it as parent) go first.
    for (;;) {
        auto owned = std::find_if(m_windows.begin(), m_windows.end(), [&](const OpenWindow& w) {
            auto* other = dynamic_cast<Window*>(w.window.get());
            return other && other->parent_window.is_valid() && other->parent_window.same_as(window);
        });
        if (owned == m_windows.end())
            break;
        close(owned->window);
    }
    std::erase_if(m_windows, [&](const OpenWindow& w) { return !w.window.is_valid() || w.window.same_as(window); });
    const bool focus_inside = m_focus.is_valid() && window_of(m_focus.get()) == window.get();
    if (focus_inside)
        m_focus = {};
    m_runtime.destroy(window);
    if ((focus_inside || !m_focus.is_valid()) && focus_before.is_valid())
        set_focus(focus_before);
    settle();
    return 1;
}

std::int32_t Desktop::close_with_return(const ObjectRef& window, const Value& value)
{
    if (!window.is_valid())
        return -1;
    set_message_parm(value);
    return close(window);
}

void Desktop::activate(const ObjectRef& window)
{
    auto it = std::find_if(m_windows.begin(), m_windows.end(),
                           [&](const OpenWindow& w) { return w.window.is_valid() && w.window.same_as(window); });
    if (it == m_windows.end())
        return;
    OpenWindow entry = *it;
    m_windows.erase(it);
    m_windows.push_back(std::move(entry));
}

void Desktop::resize_window(const ObjectRef& window, std::int32_t width, std::int32_t height)
{
    auto* resized = dynamic_cast<Window*>(window.get());
    if (!resized)
        return;
    // The event's sizes are integers; a window is never drawn smaller than a unit.
    width = std::clamp(width, 1, 32767);
    height = std::clamp(height, 1, 32767);
    resized->width = width;
    resized->height = height;
    raise(window, Notification::WindowResize,
          {Value::ulong(0), Value::integer(static_cast<std::int16_t>(width)),
           Value::integer(static_cast<std::int16_t>(height))});
    settle();
}

ObjectRef Desktop::get_active_sheet(const ObjectRef& frame) const
{
    if (!frame.is_valid())
        return {};
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
        if (it->window.is_valid() && it->frame.is_valid() && it->frame.same_as(frame))
            return it->window;
    return {};
}

std::vector<ObjectRef> Desktop::windows() const
{
    std::vector<ObjectRef> open;
    for (const OpenWindow& w : m_windows)
        if (w.window.is_valid())
            open.push_back(w.window);
    return open;
}

void Desktop::set_response_handler(std::string_view class_name, ResponseHandler handler)
{
    if (handler)
        m_response_handlers[lower_name(class_name)] = std::move(handler);
    else
        m_response_handlers.erase(lower_name(class_name));
}

} // namespace hearth
