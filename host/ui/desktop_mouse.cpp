// Mouse gestures: hit testing a DataWindow by the geometry of its object, and the events of
// presses, releases, moves and double-clicks.

#include "host/ui/desktop.h"

#include "host/ui/datawindow_control.h"
#include "host/ui/dw_layout.h"
#include "host/ui/engine_access.h"
#include "host/ui/window.h"

namespace hearth {

namespace {

Value position(std::int32_t coordinate) { return Value::integer(static_cast<std::int16_t>(coordinate)); }

} // namespace

DwHit Desktop::hit_test(DataWindowControl& dw, std::int32_t x, std::int32_t y)
{
    DwHit hit;
    hit.name = "datawindow";
    hit.type = "datawindow";
    hit.band = "detail";
    const dw::Engine& engine = EngineAccess::engine(dw);
    if (!engine.has_object())
        return hit;
    const dw::ObjectDefinition& object = engine.object();

    // The bands from the top: the header, one detail band per row from the first row shown,
    // the summary after the last row, then the footer. Below them lies empty detail area.
    const std::int32_t header = layout::band_height(object, "header");
    const std::int32_t detail = layout::band_height(object, "detail");
    const std::int32_t summary = layout::band_height(object, "summary");
    const std::int32_t footer = layout::band_height(object, "footer");
    const long first = std::max(1L, dw.first_row);
    const long shown = std::max(0L, dw.row_count() - first + 1);

    std::int32_t band_y = 0; // y inside the band hit
    if (y < header) {
        hit.band = "header";
        band_y = y;
    } else if (detail > 0 && y - header < shown * detail) {
        const long index = (y - header) / detail;
        hit.band = "detail";
        hit.row = first + index;
        band_y = static_cast<std::int32_t>(y - header - index * detail);
    } else {
        const std::int32_t below = static_cast<std::int32_t>(y - header - shown * detail);
        if (below < summary) {
            hit.band = "summary";
            band_y = below;
        } else if (below - summary < footer) {
            hit.band = "footer";
            band_y = below - summary;
        } else {
            return hit; // empty area below the bands
        }
    }

    // The object drawn last lies on top. Lines are not hit: the runtime reports them only
    // exactly on their pixels, and a frame drawn over a button must not take its hits.
    for (auto it = object.controls.rbegin(); it != object.controls.rend(); ++it) {
        const dw::Control& control = *it;
        if (control.kind == dw::ControlKind::Line || layout::control_band(control) != hit.band)
            continue;
        const std::int32_t cx = layout::control_number(control, "x");
        const std::int32_t cy = layout::control_number(control, "y");
        const std::int32_t cw = layout::control_number(control, "width");
        const std::int32_t ch = layout::control_number(control, "height");
        if (x < cx || x >= cx + cw || band_y < cy || band_y >= cy + ch)
            continue;
        if (!layout::control_visible(dw, control, hit.row))
            continue;
        hit.name = control.name;
        hit.type = std::string(dw::control_type_name(control.kind));
        hit.column = control.kind == dw::ControlKind::Column ? control.column_id : 0;
        break;
    }
    return hit;
}

DispatchResult Desktop::raise_dw(DataWindowControl& dw, Notification notification, std::int32_t x, std::int32_t y)
{
    const DwHit hit = hit_test(dw, x, y);
    ObjectRef dwo = make_dwobject(hit.name, hit.band, hit.type);
    DispatchResult result = raise(dw.ref(), notification,
                                  {position(x), position(y), Value(static_cast<std::int32_t>(hit.row)), Value(dwo)});
    m_runtime.destroy(dwo);
    return result;
}

namespace {

// Hidden and disabled controls take no mouse input.
bool takes_mouse(Object* object)
{
    auto* visual = dynamic_cast<VisualObject*>(object);
    return visual && visual->visible && visual->enabled;
}

} // namespace

void Desktop::mouse_down(const ObjectRef& target, std::int32_t x, std::int32_t y, std::uint32_t flags)
{
    if (!takes_mouse(target.get()))
        return;
    note_pointer(target, x, y);
    auto* dw = dynamic_cast<DataWindowControl*>(target.get());
    if (!dw) {
        raise(target, Notification::LButtonDown, {Value::ulong(flags), position(x), position(y)});
        settle();
        return;
    }
    set_focus(target);
    if (!target.is_valid())
        return settle();
    const DwHit hit = hit_test(*dw, x, y);
    EngineAccess::engine(*dw).set_clicked_column(hit.column);
    DispatchResult clicked = raise_dw(*dw, Notification::DwClicked, x, y);
    // clicked returning 1 keeps the current row and column where they are.
    const bool stay = clicked.outcome == Outcome::Completed && clicked.value.is_integral() && !clicked.value.is_null()
        && clicked.value.as_integral() == 1;
    if (target.is_valid() && !stay && hit.row > 0 && hit.row <= dw->row_count()) {
        const std::vector<int> editable = layout::tab_columns(*dw, hit.row);
        const bool to_column = std::find(editable.begin(), editable.end(), hit.column) != editable.end();
        const bool moves = hit.row != dw->get_row() || (to_column && hit.column != dw->get_column());
        // A click on another cell accepts the edit first; a rejected value keeps the cell.
        if (moves && (!dw->has_pending_edit() || dw->accept_text() == 1)) {
            if (hit.row != dw->get_row())
                dw->set_row(hit.row);
            if (to_column && target.is_valid())
                dw->set_column(hit.column);
        }
    }
    settle();
}

void Desktop::mouse_up(const ObjectRef& target, std::int32_t x, std::int32_t y, std::uint32_t flags)
{
    if (!takes_mouse(target.get()))
        return;
    note_pointer(target, x, y);
    if (auto* dw = dynamic_cast<DataWindowControl*>(target.get()))
        raise_dw(*dw, Notification::DwLButtonUp, x, y);
    else
        raise(target, Notification::LButtonUp, {Value::ulong(flags), position(x), position(y)});
    // A button released outside itself is a press taken back.
    if (auto* button = dynamic_cast<CommandButton*>(target.get());
        button && target.is_valid() && x >= 0 && y >= 0 && x < button->width && y < button->height)
        raise(target, Notification::ButtonClicked);
    settle();
}

std::int32_t Desktop::click_button(const ObjectRef& button)
{
    auto* control = dynamic_cast<CommandButton*>(button.get());
    if (!control || !takes_mouse(control))
        return -1;
    const std::int32_t x = control->width / 2;
    const std::int32_t y = control->height / 2;
    mouse_down(button, x, y);
    mouse_up(button, x, y);
    return 1;
}

void Desktop::mouse_move(const ObjectRef& target, std::int32_t x, std::int32_t y, std::uint32_t flags)
{
    if (!takes_mouse(target.get()))
        return;
    note_pointer(target, x, y);
    // The control's own message is handled before the DataWindow's notification about it.
    raise(target, Notification::MouseMove, {Value::ulong(flags), position(x), position(y)});
    if (auto* dw = dynamic_cast<DataWindowControl*>(target.get()); dw && target.is_valid())
        raise_dw(*dw, Notification::DwMouseMove, x, y);
    settle();
}

void Desktop::double_click(const ObjectRef& target, std::int32_t x, std::int32_t y)
{
    // The window system's order: the first press and release are an ordinary click; the
    // second press comes as the double-click message (no second press, so no second clicked),
    // and its release as an ordinary release. A script may close the window on the way.
    mouse_down(target, x, y, mouse_left_button);
    mouse_up(target, x, y);
    double_click_message(target, x, y);
}

void Desktop::double_click_message(const ObjectRef& target, std::int32_t x, std::int32_t y)
{
    if (!takes_mouse(target.get()))
        return;
    note_pointer(target, x, y);
    if (auto* dw = dynamic_cast<DataWindowControl*>(target.get())) {
        EngineAccess::engine(*dw).set_clicked_column(hit_test(*dw, x, y).column);
        raise_dw(*dw, Notification::DwDoubleClicked, x, y);
    }
    settle();
    mouse_up(target, x, y);
}

void Desktop::right_down(const ObjectRef& target, std::int32_t x, std::int32_t y)
{
    if (!takes_mouse(target.get()))
        return;
    note_pointer(target, x, y);
    if (auto* dw = dynamic_cast<DataWindowControl*>(target.get())) {
        // GetClickedColumn in rbuttondown names the column under the right button.
        EngineAccess::engine(*dw).set_clicked_column(hit_test(*dw, x, y).column);
        raise_dw(*dw, Notification::DwRButtonDown, x, y);
    }
    settle();
}

void Desktop::move_window(const ObjectRef& window, std::int32_t x, std::int32_t y)
{
    auto* moved = dynamic_cast<Window*>(window.get());
    if (!moved)
        return;
    moved->x = x;
    moved->y = y;
    raise(window, Notification::WindowMove, {position(x), position(y)});
    settle();
}

void Desktop::click_tab(const ObjectRef& tab, std::int32_t index)
{
    auto* control = dynamic_cast<Tab*>(tab.get());
    if (!takes_mouse(control))
        return;
    // The page changes first, so clicked sees the new selection.
    if (control->select_tab(index) != 1)
        return settle();
    if (tab.is_valid())
        raise(tab, Notification::TabClicked, {Value::integer(static_cast<std::int16_t>(index))});
    settle();
}

} // namespace hearth
