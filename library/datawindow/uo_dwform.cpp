#include "library/datawindow/uo_dwform.h"

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"
#include "library/datawindow/script_support.h"

namespace hearth {

namespace {

// Send(Handle(this), 256, 9, 0): a Tab key-down to the control's own window.
void send_tab(Object& control)
{
    Desktop* desktop = Desktop::current();
    if (!desktop)
        return; // no desktop: Handle gives 0 and Send reaches no window
    desktop->send(desktop->handle(control.ref()), wm_keydown, key_tab, 0);
}

} // namespace

ScriptResult uo_dwform::ue_dwnkey(ScriptCall& call)
{
    const std::optional<std::int32_t> key = call.arg_as<std::int32_t>(0);
    const std::optional<std::uint32_t> keyflags = call.arg_as<std::uint32_t>(1);
    if (key != key_enter)
        return no_return;

    // Kept as the runtime has it: a field name must be longer than one character.
    const std::string ls_colname = get_column_name();
    if (fn::len(fn::trim(ls_colname)) <= 1)
        return no_return;

    const std::string ls_column = dw_script::describe(call, *this, ls_colname + ".Height");
    const Value field_height = fn::to_long(Value(ls_column));
    if (field_height.is_null() || field_height.as_integral() < tall_field_height) {
        send_tab(*this);
        return no_return;
    }

    // A tall field: Enter starts a new line; only Ctrl+Enter moves on.
    if (keyflags == key_ctrl)
        send_tab(*this);
    return no_return;
}

const ClassTable& _getVtableInfo_uo_dwform()
{
    static const ClassTable table {"uo_dwform",
                                   "uo_dw",
                                   make_object<uo_dwform>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"ue_dwnkey", SlotKind::Event, Type::Long, 2, "pbm_dwnkey"}},
                                     {{436, "ue_dwnkey", on_self<&uo_dwform::ue_dwnkey>},
                                      {0, "create", create_script},
                                      {1, "destroy", destroy_script}}}}};
    return table;
}

} // namespace hearth
