#pragma once
// uo_button: a picture that behaves like a push button with three images. The designer sets
// one picture name (say "bmp\ok.bmp"); the pressed image is the same name with "1" before
// the extension ("bmp\ok1.bmp") and the disabled image with "2" ("bmp\ok2.bmp").

#include "host/object/class_registry.h"
#include "host/object/script.h"
#include "host/ui/controls.h"

#include <string>

namespace hearth {

class uo_button : public Picture {
public:
    uo_button();

    // The design-time picture name without its last four characters (the extension).
    std::string is_picturename;
    // The last four characters of the design-time picture name, e.g. ".bmp".
    std::string is_picturetype;

    // ue_lbuttondown(flags, xpos, ypos): shows the pressed image.
    ScriptResult ue_lbuttondown(ScriptCall& call);
    // ue_lbuttonup(flags, xpos, ypos): shows the normal image.
    ScriptResult ue_lbuttonup(ScriptCall& call);
    // uf_setenabled(ab_enabled): enables or disables the button and shows the matching image;
    // a null argument counts as disabled.
    ScriptResult uf_setenabled(ScriptCall& call);
    // constructor: splits the design-time picture name into base name and extension.
    ScriptResult constructor(ScriptCall& call);
};

// Registration entry of uo_button.
const ClassTable& _getVtableInfo_uo_button();

} // namespace hearth
