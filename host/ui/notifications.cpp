#include "host/ui/notifications.h"

#include <array>
#include <cassert>
#include <utility>

namespace hearth {

namespace {

// The one place where a host notification meets an event name. The user events are the
// names the library declares for the host's messages: the DataWindow's key-down,
// left-button-up and mouse-move notifications, and a control's own mouse-move, left button
// down/up, key-down and (for windows) move messages.
constexpr std::array<std::pair<Notification, std::string_view>, 19> events {{
    {Notification::DwClicked, "clicked"},
    {Notification::DwDoubleClicked, "doubleclicked"},
    {Notification::DwRButtonDown, "rbuttondown"},
    {Notification::DwLButtonUp, "ue_dwnlbuttonup"},
    {Notification::DwMouseMove, "ue_dwnmousemove"},
    {Notification::DwKeyDown, "ue_dwnkey"},
    {Notification::DwItemChanged, "itemchanged"},
    {Notification::DwRowFocusChanged, "rowfocuschanged"},
    {Notification::DwRetrieveEnd, "retrieveend"},
    {Notification::MouseMove, "ue_mousemove"},
    {Notification::LButtonDown, "ue_lbuttondown"},
    {Notification::LButtonUp, "ue_lbuttonup"},
    {Notification::KeyDown, "ue_keydown"},
    {Notification::LoseFocus, "losefocus"},
    {Notification::GetFocus, "getfocus"},
    {Notification::WindowMove, "ue_move"},
    {Notification::WindowOpen, "open"},
    {Notification::TabClicked, "clicked"},
    {Notification::TabSelectionChanged, "selectionchanged"},
}};

} // namespace

std::string_view event_name(Notification notification)
{
    for (const auto& [n, name] : events)
        if (n == notification)
            return name;
    assert(false && "every notification has a row in the table");
    return {};
}

} // namespace hearth
