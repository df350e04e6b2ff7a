#pragma once
// w_login: the login dialog, a response window. The user types a user number and a password
// into its DataWindow dw_1 (d_login) and confirms (ue_ok) or cancels (ue_cancel). A confirmed
// login that the application accepts closes the window with "1" in message.StringParm; a
// refused one shows why and stays open with the password cleared. Cancelling closes it with
// "0".

#include "host/object/class_registry.h"
#include "library/printing/w_response.h"

#include <string>

namespace hearth {

class Desktop;

class w_login : public w_response {
public:
    w_login();

    ObjectRef dw_1;

    // open: an empty row to type into.
    ScriptResult open(ScriptCall& call);
    // ue_ok: logs in with the typed user number and password (HearthApplication::login).
    // Returns 1 when the window closed, 0 when it stays open.
    ScriptResult ue_ok(ScriptCall& call);
    // ue_cancel: closes with "0".
    ScriptResult ue_cancel(ScriptCall& call);
};

// The scripted user of an open login window: types `userno` and `password` and confirms.
// Returns ue_ok's answer (1 closed, 0 refused and still open); -1 when `window` is no w_login.
// Tests and the scenario player use it, inside a response handler or on a window left open.
std::int32_t answer_login(Desktop& desktop, const ObjectRef& window, const std::string& userno,
                          const std::string& password);

// Registration entry of w_login.
const ClassTable& _getVtableInfo_w_login();

} // namespace hearth
