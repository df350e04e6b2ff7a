#pragma once
// What the host tells a control, and the event each notification raises. The one table in
// notifications.cpp maps a notification to its event name; system events keep their system
// names, the others are the user events the library maps to the host's messages
// (`ue_dwnkey` is the DataWindow's key-down notification, and so on). A notification whose
// event the target's class does not declare raises nothing.

#include <cstdint>
#include <string_view>

namespace hearth {

enum class Notification : std::uint8_t {
    // DataWindow control, over its objects: (xpos, ypos, row, dwo)
    DwClicked,
    DwDoubleClicked,
    DwRButtonDown,
    DwLButtonUp,
    DwMouseMove,
    // DataWindow control: (key, keyflags)
    DwKeyDown,
    // DataWindow control: (row, dwo, data)
    DwItemChanged,
    // DataWindow control: (currentrow)
    DwRowFocusChanged,
    // DataWindow control: (rowcount)
    DwRetrieveEnd,
    // Any control, its own window messages: (flags, xpos, ypos)
    MouseMove,
    LButtonDown,
    LButtonUp,
    // Any control but a DataWindow: (key, keyflags)
    KeyDown,
    // Any control: ()
    LoseFocus,
    GetFocus,
    // Window: (xpos, ypos)
    WindowMove,
    // Window: ()
    WindowOpen,
    // Tab control: (index); (oldindex, newindex)
    TabClicked,
    TabSelectionChanged,
};

// The event a notification raises ("clicked", "ue_dwnkey", ...), lower case.
std::string_view event_name(Notification notification);

} // namespace hearth
