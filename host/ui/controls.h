#pragma once
// The host's system controls as C++ types: the runtime makes every instance of a system class
// (and of a library class descending from it) as one of these, so a library class derives
// from the matching type and sets its design-time values in its constructor:
//
//   class uo_button : public Picture {
//   public:
//       uo_button() { width = 402; height = 84; }
//   };
//
// Properties are public members named as the runtime names them, in snake case (`x`,
// `picturename`, `focusrectangle` ...). A property whose assignment does work in the runtime
// (DataObject loads an object) is a get/set pair instead (`data_object()`,
// `set_data_object()`). Events are raised by the desktop (desktop.h), always through
// Runtime::dispatch.

#include "host/object/object.h"

#include <cstdint>
#include <string>

namespace hearth {

// The runtime's border styles (BorderStyle property), with its numbers.
enum class BorderStyle : std::int16_t { None = 0, ShadowBox = 1, Box = 2, Lowered = 5, Raised = 6 };
// FontPitch property.
enum class FontPitch : std::int16_t { Default = 0, Fixed = 1, Variable = 2 };
// Alignment of a text control.
enum class Alignment : std::int16_t { Left = 0, Right = 1, Center = 2, Justify = 3 };
// WindowType property.
enum class WindowType : std::int16_t { Main = 0, Popup = 1, Child = 2, Response = 3, Mdi = 4, MdiHelp = 5 };
// TabPosition property of a tab control.
enum class TabPosition : std::int16_t { Top = 0, Bottom = 1, Left = 2, Right = 3, TopLeft = 4 };

// Colours the runtime names (long colour values).
namespace colors {
inline constexpr std::int32_t window_text = 33554432;         // 2^25
inline constexpr std::int32_t button_face = 67108864;         // 2^26
inline constexpr std::int32_t transparent = 536870912;        // 2^29
inline constexpr std::int32_t window_background = 1073741824; // 2^30
} // namespace colors

// What every visual control has: geometry in layout units relative to its parent, the
// common flags and colours. Windows are visual objects too; their x and y are on the screen.
class VisualObject : public Object {
public:
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool visible = true;
    bool enabled = true;
    std::string tag;
    // Tab order among the controls of the same parent; 0 never takes focus by Tab.
    std::int32_t taborder = 0;
    std::int32_t backcolor = colors::button_face;
    std::int32_t textcolor = colors::window_text;
    bool border = false;
    BorderStyle borderstyle = BorderStyle::None;
    bool bringtotop = false;
    // Whether the control can take the focus at all (static texts and pictures cannot).
    virtual bool takes_focus() const { return true; }
};

// Font properties shared by text-bearing controls.
struct FontProperties {
    std::string facename = "Arial";
    std::int32_t textsize = -10; // negative: points
    std::int32_t weight = 400;   // 400 normal, 700 bold
    std::int32_t fontcharset = 0;
    FontPitch fontpitch = FontPitch::Default;
    bool italic = false;
    bool underline = false;
};

// picture: a bitmap from a file (find_bitmap in bitmap.h resolves its name).
class Picture : public VisualObject {
public:
    std::string picturename;
    // Shows the bitmap at its own size instead of the control's.
    bool originalsize = false;
    bool focusrectangle = true;
    bool invert = false;
    bool takes_focus() const override { return false; }
};

// statictext: one text.
class StaticText : public VisualObject, public FontProperties {
public:
    std::string text;
    Alignment alignment = Alignment::Left;
    bool focusrectangle = true;
    bool takes_focus() const override { return false; }
};

// commandbutton: a push button with a text. A press and a release over it raise clicked();
// the default button is the one Enter presses, the cancel button the one Esc presses.
class CommandButton : public VisualObject, public FontProperties {
public:
    std::string text;
    bool default_button = false;
    bool cancel_button = false;
};

// line: a drawing object from (beginx, beginy) to (endx, endy); no focus, no events.
class Line : public Object {
public:
    std::int32_t beginx = 0;
    std::int32_t beginy = 0;
    std::int32_t endx = 0;
    std::int32_t endy = 0;
    std::int32_t linecolor = 0;
    std::int32_t linethickness = 4;
    bool visible = true;
    std::string tag;
};

// userobject: a custom visual object; its nested controls are its Control array. As a tab
// page, `text` is its tab's label and the tab colours are its own.
class UserObject : public VisualObject {
public:
    std::string text;
    std::string picturename;
    std::int32_t tabtextcolor = colors::window_text;
    std::int32_t tabbackcolor = colors::button_face;
    std::int32_t picturemaskcolor = colors::transparent;
    bool takes_focus() const override { return false; }
};

// tab: a tab control whose pages are the user objects of its Control array.
class Tab : public VisualObject, public FontProperties {
public:
    // The selected page's index in Control (1-based); 0 when there is none.
    std::int32_t selectedtab = 1;
    bool raggedright = false;
    bool focusonbuttondown = false;
    TabPosition tabposition = TabPosition::Top;

    // SelectTab(index): makes page `index` the selected one and raises selectionchanged
    // (oldindex, newindex) through the runtime when the selection changes. 1, or -1 for an
    // index outside the pages.
    std::int32_t select_tab(std::int32_t index);
    // SelectTab(page): the page given by its object.
    std::int32_t select_tab(const ObjectRef& page);
};

} // namespace hearth
