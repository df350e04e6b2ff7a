#include "host/ui/notifications.h"

#include <array>
#include <cassert>

namespace hearth {

namespace {

// What a notification raises: a system event by name, or the user event mapped to a host
// event id. Exactly one of the two is set.
struct Raises {
    Notification notification;
    std::string_view system_event;
    std::string_view event_id;
};

// The one place where a host notification meets an event. The event ids are the host's
// messages that user events are declared for: the DataWindow's key-down, Enter, left-button-up
// and mouse-move notifications, and a control's own mouse-move, left button down/up, key-down
// and (for windows) move messages.
constexpr std::array<Raises, 22> table {{
    {Notification::DwClicked, "clicked", {}},
    {Notification::DwDoubleClicked, "doubleclicked", {}},
    {Notification::DwRButtonDown, "rbuttondown", {}},
    {Notification::DwLButtonUp, {}, "pbm_dwnlbuttonup"},
    {Notification::DwMouseMove, {}, "pbm_dwnmousemove"},
    {Notification::DwKeyDown, {}, "pbm_dwnkey"},
    {Notification::DwProcessEnter, {}, "pbm_dwnprocessenter"},
    {Notification::DwItemChanged, "itemchanged", {}},
    {Notification::DwRowFocusChanged, "rowfocuschanged", {}},
    {Notification::DwRetrieveEnd, "retrieveend", {}},
    {Notification::MouseMove, {}, "pbm_mousemove"},
    {Notification::LButtonDown, {}, "pbm_lbuttondown"},
    {Notification::LButtonUp, {}, "pbm_lbuttonup"},
    {Notification::KeyDown, {}, "pbm_keydown"},
    {Notification::LoseFocus, "losefocus", {}},
    {Notification::GetFocus, "getfocus", {}},
    {Notification::ButtonClicked, "clicked", {}},
    {Notification::WindowMove, {}, "pbm_move"},
    {Notification::WindowOpen, "open", {}},
    {Notification::WindowResize, "resize", {}},
    {Notification::TabClicked, "clicked", {}},
    {Notification::TabSelectionChanged, "selectionchanged", {}},
}};

const Raises& row_of(Notification notification)
{
    for (const Raises& row : table)
        if (row.notification == notification)
            return row;
    assert(false && "every notification has a row in the table");
    return table.front();
}

} // namespace

const SlotInfo* notified_event(const ClassInfo& cls, Notification notification)
{
    const Raises& row = row_of(notification);
    const SlotInfo* slot = row.event_id.empty() ? cls.slot_named(row.system_event) : cls.slot_mapped_to(row.event_id);
    // A user event that merely shares a system event's name is not raised for it.
    if (!slot || slot->kind != SlotKind::Event || slot->system != row.event_id.empty())
        return nullptr;
    return slot;
}

} // namespace hearth
