#pragma once
// uo_dwform: the free-form data-entry control. Enter moves to the next field as Tab does,
// except in a tall (multi-line) field, where Enter stays in the field unless Ctrl is held.

#include "library/datawindow/uo_dw.h"

namespace hearth {

class uo_dwform : public uo_dw {
public:
    // A field this high or higher, in the DataWindow's units, is a tall multi-line field.
    static constexpr std::int32_t tall_field_height = 66;

    // ue_dwnkey(key, keyflags): Enter sends the control a Tab key-down through Send(Handle).
    // The Enter itself is not suppressed.
    ScriptResult ue_dwnkey(ScriptCall& call);
};

// Registration entry: 436 ue_dwnkey, 0 create, 1 destroy.
const ClassTable& _getVtableInfo_uo_dwform();

} // namespace hearth
