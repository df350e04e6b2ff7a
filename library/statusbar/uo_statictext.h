#pragma once
// uo_statictext: the status bar's static text, in 9-point 宋体 and the application's colours.

#include "host/object/class_registry.h"
#include "host/object/script.h"
#include "host/ui/controls.h"

#include <cstdint>

namespace hearth {

class uo_statictext : public StaticText {
public:
    uo_statictext();

    // constructor: takes the application's background and text colours.
    ScriptResult constructor(ScriptCall& call);

    // Text = value. The runtime keeps a null text null until the next assignment; `text`
    // itself then reads "".
    void set_text(const Value& value);
    // The text as the runtime reads it: null after a null was assigned and nothing since.
    Value text_value() const;

private:
    enum class TextState : std::uint8_t { Set, Null };
    TextState m_text_state = TextState::Set;
};

// Registration entry of uo_statictext.
const ClassTable& _getVtableInfo_uo_statictext();

} // namespace hearth
