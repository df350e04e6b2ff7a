#pragma once
// w_agent: help. Lists the commands of the main window's toolbar, each by its caption, with the
// keys that give it on a page (Ctrl+N to add, F3 to retrieve ...); a command without a key
// is listed for the mouse alone. The list is read from the toolbar as it stands, so a renamed
// caption shows renamed.

#include "host/object/class_registry.h"
#include "library/printing/w_response.h"

#include <string>
#include <string_view>

namespace hearth {

class w_agent : public w_response {
public:
    w_agent();

    ObjectRef st_1;
    ObjectRef dw_1;
    ObjectRef cb_ok;

    ScriptResult open(ScriptCall& call);
    ScriptResult cb_ok_clicked(ScriptCall& call);
};

// The keys that press toolbar button `button` on a page ("" for none).
std::string_view command_keys(std::string_view button);

// Registration entry of w_agent.
const ClassTable& _getVtableInfo_w_agent();

} // namespace hearth
