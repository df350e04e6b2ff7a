// Focus, window handles, Send and the keyboard.

#include "host/ui/desktop.h"

#include "host/ui/datawindow_control.h"
#include "host/ui/dw_layout.h"
#include "host/ui/window.h"

#include <algorithm>

namespace hearth {

std::int32_t Desktop::set_focus(const ObjectRef& control)
{
    auto* visual = dynamic_cast<VisualObject*>(control.get());
    if (!visual || !visual->takes_focus() || !visual->visible || !visual->enabled)
        return -1;
    if (m_focus.is_valid() && m_focus.same_as(control))
        return 1;
    const ObjectRef old = m_focus;
    // The focus has moved before losefocus runs, so a script there sees the new state.
    m_focus = control;
    if (old.is_valid())
        raise(old, Notification::LoseFocus);
    raise(control, Notification::GetFocus);
    settle();
    return 1;
}

std::int32_t Desktop::handle(const ObjectRef& object)
{
    if (!object.is_valid())
        return 0;
    for (const auto& [number, ref] : m_handles)
        if (ref.is_valid() && ref.same_as(object))
            return number;
    const std::int32_t number = m_next_handle;
    m_next_handle += 4;
    m_handles.emplace_back(number, object);
    return number;
}

ObjectRef Desktop::object_of_handle(std::int32_t number) const
{
    for (const auto& [n, ref] : m_handles)
        if (n == number && ref.is_valid())
            return ref;
    return {};
}

std::int32_t Desktop::send(std::int32_t number, std::int32_t message, std::int64_t word, std::int64_t long_parm)
{
    m_sent.push_back({number, message, word, long_parm});
    const ObjectRef target = object_of_handle(number);
    if (!target.is_valid())
        return -1;
    if (message == wm_keydown)
        deliver_key(target, static_cast<std::int32_t>(word), 0);
    return 0;
}

void Desktop::key_down(std::int32_t key, std::uint32_t keyflags)
{
    if (m_focus.is_valid())
        deliver_key(m_focus, key, keyflags);
}

std::int32_t Desktop::type_text(std::string_view text)
{
    auto* dw = dynamic_cast<DataWindowControl*>(m_focus.get());
    return dw ? dw->set_text(text) : -1;
}

namespace {

// The Enter event's result 1 keeps the DataWindow from its own handling of the key.
bool enter_handled(const DispatchResult& result)
{
    return result.outcome == Outcome::Completed && result.value.is_integral() && !result.value.is_null()
        && result.value.as_integral() == 1;
}

} // namespace

void Desktop::deliver_key(const ObjectRef& target, std::int32_t key, std::uint32_t keyflags)
{
    const bool backwards = (keyflags & key_shift) != 0;
    if (auto* dw = dynamic_cast<DataWindowControl*>(target.get())) {
        raise(target, Notification::DwKeyDown, {Value(key), Value::ulong(keyflags)});
        // The script may have closed the window; the key then goes nowhere.
        if (target.is_valid()) {
            if (key == key_tab)
                next_field(*dw, backwards);
            else if (key == key_enter && (keyflags & key_ctrl) == 0 && layout::multiline_edit(*dw, dw->get_column()))
                dw->new_line(); // the edit takes the Enter as a line break
            else if (key == key_enter && !enter_handled(raise(target, Notification::DwProcessEnter))
                     && target.is_valid())
                dw->accept_text();
        }
    } else if (target.is_valid()) {
        raise(target, Notification::KeyDown, {Value(key), Value::ulong(keyflags)});
        if (key == key_tab && target.is_valid())
            next_control(target, backwards);
    }
    settle();
}

void Desktop::next_field(DataWindowControl& dw, bool backwards)
{
    // The edit is accepted first; a rejected value keeps the focus where it is.
    if (dw.has_pending_edit() && dw.accept_text() != 1)
        return;
    long row = dw.get_row();
    if (row < 1) {
        if (dw.row_count() < 1)
            return;
        dw.set_row(1);
        row = 1;
    }
    const std::vector<int> order = layout::tab_columns(dw, row);
    if (order.empty())
        return;
    const auto at = std::find(order.begin(), order.end(), dw.get_column());
    int column = 0;
    if (at == order.end()) {
        column = backwards ? order.back() : order.front();
    } else if (!backwards) {
        if (at + 1 != order.end()) {
            column = *(at + 1);
        } else {
            // Past the last field: the first field of the next row; on the last row the
            // focus wraps to the first field of the same row.
            column = order.front();
            if (row < dw.row_count())
                dw.set_row(row + 1);
        }
    } else {
        if (at != order.begin()) {
            column = *(at - 1);
        } else {
            column = order.back();
            if (row > 1)
                dw.set_row(row - 1);
        }
    }
    dw.set_column(column);
}

namespace {

// The controls of a container that take the focus by Tab, in tab order, depth first:
// user objects and the selected page of a tab control pass the Tab on to their controls.
void collect_tab_stops(Object& container, std::vector<ObjectRef>& stops)
{
    std::vector<std::pair<std::int32_t, ObjectRef>> children;
    for (const ObjectRef& ref : container.control()) {
        auto* visual = dynamic_cast<VisualObject*>(ref.get());
        if (visual && visual->visible && visual->enabled)
            children.emplace_back(visual->taborder, ref);
    }
    std::stable_sort(children.begin(), children.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    if (auto* tab = dynamic_cast<Tab*>(&container)) {
        const auto selected = static_cast<std::size_t>(tab->selectedtab);
        if (selected >= 1 && selected <= tab->control().size())
            if (Object* page = tab->control()[selected - 1].get())
                collect_tab_stops(*page, stops);
        return;
    }
    for (const auto& [order, ref] : children) {
        auto* visual = dynamic_cast<VisualObject*>(ref.get());
        if (visual->takes_focus() && order > 0)
            stops.push_back(ref);
        else if (dynamic_cast<UserObject*>(visual) || dynamic_cast<Tab*>(visual))
            collect_tab_stops(*visual, stops);
    }
}

} // namespace

void Desktop::next_control(const ObjectRef& from, bool backwards)
{
    Window* window = window_of(from.get());
    if (!window)
        return;
    std::vector<ObjectRef> stops;
    collect_tab_stops(*window, stops);
    if (stops.empty())
        return;
    auto at = std::find_if(stops.begin(), stops.end(), [&](const ObjectRef& r) { return r.same_as(from); });
    std::size_t next = 0;
    if (at == stops.end())
        next = backwards ? stops.size() - 1 : 0;
    else if (!backwards)
        next = (static_cast<std::size_t>(at - stops.begin()) + 1) % stops.size();
    else
        next = (static_cast<std::size_t>(at - stops.begin()) + stops.size() - 1) % stops.size();
    set_focus(stops[next]);
}

} // namespace hearth
