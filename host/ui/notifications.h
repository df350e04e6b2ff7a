#pragma once
// What the host tells a control, and the event each notification raises. The one table in
// notifications.cpp gives each notification either a system event, raised by its system name
// (clicked, itemchanged, ...), or a host event id (`pbm_dwnkey`, ...), which raises the user
// event that the target's class maps to that id in its slot table, whatever its name. The
// host never knows a library event's name. A notification whose event the target's class
// does not have raises nothing.

#include "host/object/class_registry.h"

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
    // DataWindow control, Enter pressed: ()
    DwProcessEnter,
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
    // Command button, released over it: ()
    ButtonClicked,
    // Window: (xpos, ypos)
    WindowMove,
    // Window: ()
    WindowOpen,
    // Window, resized by the user: (sizetype, newwidth, newheight)
    WindowResize,
    // Tab control: (index); (oldindex, newindex)
    TabClicked,
    TabSelectionChanged,
};

// The event a notification raises on an instance of `cls`: its system event of that name, or
// the user event it maps to the notification's event id; nullptr when it has none.
const SlotInfo* notified_event(const ClassInfo& cls, Notification notification);

} // namespace hearth
