#pragma once
// w_history: the history archive, a response window for the administrator. Its list dw_1
// (dh_list) shows the archived households and persons by kind, number, name, household and
// the time they were archived. cb_restore brings the chosen one back into the current tables:
// a household with its persons, a person into its household, each person with the secondary
// records archived with it. cb_close closes the window.
//
// A restore is one transaction on the records database: every row goes in, or none does.
// The history rows are removed only after that transaction has committed, so a record is
// never in neither database.

#include "host/object/class_registry.h"
#include "library/printing/w_response.h"

#include <cstdint>
#include <string>

namespace hearth {

struct AppGlobals;

class w_history : public w_response {
public:
    w_history();

    ObjectRef dw_1;
    ObjectRef cb_restore;
    ObjectRef cb_close;

    // open: the list of the archive, for the administrator only; anyone else is told so and
    // the window closes.
    ScriptResult open(ScriptCall& call);
    // wf_retrieve(): fills the list from the archive. The number of rows, or -1 after a
    // message.
    ScriptResult wf_retrieve(ScriptCall& call);
    // wf_restore(): restores the chosen row after the user confirmed. 1 restored, 0 not
    // asked or answered No, -1 refused or failed (after a message).
    ScriptResult wf_restore(ScriptCall& call);
    ScriptResult cb_restore_clicked(ScriptCall& call);
    ScriptResult cb_close_clicked(ScriptCall& call);
};

// What an archived record is: a household (with its persons) or one person.
enum class ArchivedKind : std::uint8_t { Household, Person };

// What restore_history did.
struct RestoreOutcome {
    int rows = 0;              // rows copied into the current tables; 0 when nothing changed
    std::string message;       // for the user: why nothing changed, or why the history stayed
    bool history_kept = false; // restored, but the history rows could not be removed
};

// Copies the household or the person numbered `number` from the archive (photosqlca) back into the current tables (sqlca), with its persons and their
// secondary records, then removes the copied history rows. Values are bound, never spliced.
RestoreOutcome restore_history(AppGlobals& globals, ArchivedKind kind, const std::string& number);

// Registration entry of w_history.
const ClassTable& _getVtableInfo_w_history();

} // namespace hearth
