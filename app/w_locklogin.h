#pragma once
// w_locklogin: the lock. While it is open the main window is hidden; the logged-in user
// unlocks it with their own password (checked as the login checks it), which closes it with
// "1" in Message.StringParm. After three wrong passwords it closes with "0", and the toolbar
// then closes the main window.

#include "host/object/class_registry.h"
#include "library/printing/w_response.h"

namespace hearth {

class w_locklogin : public w_response {
public:
    w_locklogin();

    ObjectRef st_user;
    ObjectRef dw_1;
    ObjectRef cb_ok;

    // How many wrong passwords close the frame and log the user out.
    static constexpr int max_tries = 3;

    ScriptResult open(ScriptCall& call);
    ScriptResult cb_ok_clicked(ScriptCall& call);

private:
    int m_wrong = 0;
};

// Registration entry of w_locklogin.
const ClassTable& _getVtableInfo_w_locklogin();

} // namespace hearth
