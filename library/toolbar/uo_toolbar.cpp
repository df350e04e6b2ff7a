#include "library/toolbar/uo_toolbar.h"

#include "host/object/runtime.h"
#include "host/ui/datawindow_attributes.h"
#include "host/value/functions.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace hearth {

std::optional<std::string> toolbar::button_of(const std::string& name)
{
    const std::string prefix = fn::left(name, 2);
    if (prefix != "p_" && prefix != "t_")
        return std::nullopt;
    return "p_" + fn::mid(name, 3);
}

namespace {

using toolbar::button_of;

// as_object + ".FileName = 'bmp\<name><suffix>.bmp'"
// The picture of button `object` in the state `suffix` names ("" enabled, "1" pressed, "2" disabled).
std::string button_picture(const std::string& object, std::string_view suffix)
{
    return "bmp\\" + fn::mid(object, 3) + std::string(suffix) + ".bmp";
}

std::string filename_modstring(const std::string& object, std::string_view suffix)
{
    return object + ".FileName = '" + button_picture(object, suffix) + "'";
}

// Object.<line>.<attribute> reads and writes; a failure is a failed host call (raised by the
// control).
class LineAccess {
public:
    explicit LineAccess(DataWindowControl& dw) : m_dw(dw) {}

    std::string get(std::string_view line, std::string_view attribute)
    {
        return m_dw.get_object_attribute(line, attribute);
    }

    void set(std::string_view line, std::string_view attribute, const std::string& value)
    {
        m_dw.set_object_attribute(line, attribute, value);
    }

    // One line, its attributes in the order x1, x2, y1, y2.
    void place(std::string_view line, const std::string& x1, const std::string& x2, const std::string& y1,
               const std::string& y2)
    {
        set(line, "x1", x1);
        set(line, "x2", x2);
        set(line, "y1", y1);
        set(line, "y2", y2);
    }

    void show_frame(bool visible)
    {
        for (std::string_view line : {"l_v1", "l_v2", "l_h1", "l_h2"})
            set(line, "visible", visible ? "1" : "0");
    }

private:
    DataWindowControl& m_dw;
};

// The frame around a button's picture, exactly on its bounding box. `top` and `bottom` are the
// horizontal lines of the top and bottom edges, `left` and `right` the vertical ones: the
// raised look has l_h1/l_v1 on top and left, the pressed look l_h2/l_v2. Each value after the
// first is read back from the line written before, so the lines stay consistent with what the
// DataWindow holds; the first x1 is the text Describe gave.
void place_frame(LineAccess& lines, std::string_view top, std::string_view bottom, std::string_view left,
                 std::string_view right, const std::string& x_text, std::int64_t x, std::int64_t y, std::int64_t w,
                 std::int64_t h)
{
    lines.set(top, "x1", x_text);
    lines.set(top, "x2", fn::to_string(x + w));
    lines.set(top, "y1", fn::to_string(y));
    lines.set(top, "y2", lines.get(top, "y1"));

    lines.set(bottom, "x1", lines.get(top, "x1"));
    lines.set(bottom, "x2", lines.get(top, "x2"));
    lines.set(bottom, "y1", fn::to_string(y + h));
    lines.set(bottom, "y2", lines.get(bottom, "y1"));

    lines.place(left, lines.get(top, "x1"), lines.get(top, "x1"), lines.get(top, "y1"), lines.get(bottom, "y1"));
    lines.place(right, lines.get(top, "x2"), lines.get(top, "x2"), lines.get(left, "y1"), lines.get(left, "y2"));
}

} // namespace

uo_toolbar::uo_toolbar()
{
    set_dataobject("d_tool");
    width = 3465;
    height = 176;
    border = false;
    livescroll = true;
}

ScriptResult uo_toolbar::ue_dwnmousemove(ScriptCall& call)
{
    std::string name;
    if (DwObject* dwo = call.use(call.arg_object<DwObject>(3), "dwo"))
        name = dwo->name;

    if (std::optional<std::string> ls_object = button_of(name)) {
        if (!is_clickedobject.empty()) {
            // While a button is held only that button reacts: the mouse came back onto it.
            if (is_clickedobject == *ls_object)
                call.call(ref(), "uf_setstate", {Value(is_clickedobject), Value("lowered")});
        } else if (is_object != *ls_object) {
            if (!is_object.empty())
                call.call(ref(), "uf_setstate", {Value(is_object), Value("normal")});
            call.call(ref(), "uf_setstate", {Value(*ls_object), Value("float")});
        }
        return no_return;
    }
    // Off every button. A held button loses its pressed look too, but stays held, so that
    // releasing it after coming back still runs its command.
    if (!is_object.empty())
        call.call(ref(), "uf_setstate", {Value(is_object), Value("normal")});
    return no_return;
}

ScriptResult uo_toolbar::ue_mousemove(ScriptCall& call)
{
    const std::optional<std::uint32_t> flags = call.arg_as<std::uint32_t>(0);
    if (flags && (*flags & 1) == 0)
        is_clickedobject.clear();
    return no_return;
}

ScriptResult uo_toolbar::uf_setenabled(ScriptCall& call)
{
    const std::optional<std::string> as_object = call.arg_as<std::string>(0);
    const std::optional<bool> ab_enabled = call.arg_as<bool>(1);
    if (!as_object)
        return no_return; // a null name makes null modstrings, which Modify ignores
    const std::string& object = *as_object;
    const bool enable = ab_enabled.value_or(false);
    // Pages set their buttons on every retrieval, mostly to the state they already show: a
    // plain button name whose picture and tag are already these needs no Modify at all.
    const bool plain_name = std::all_of(object.begin(), object.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
    if (plain_name && !object.empty()
        && attribute_holds(*this, object, "filename", button_picture(object, enable ? "" : "2"))
        && attribute_holds(*this, object, "tag", enable ? "1" : "0"))
        return no_return;
    // Two separate Modify calls whose answers are not examined, as the runtime passes them.
    if (enable) {
        modify(filename_modstring(object, ""));
        modify(object + ".tag = '1'");
    } else {
        modify(filename_modstring(object, "2"));
        modify(object + ".tag = '0'");
    }
    return no_return;
}

ScriptResult uo_toolbar::uf_setstate(ScriptCall& call)
{
    const std::optional<std::string> as_object_arg = call.arg_as<std::string>(0);
    const std::string as_state = call.arg_as<std::string>(1).value_or("");
    if (!as_object_arg || describe(*as_object_arg + ".tag") != "1")
        return no_return; // disabled, or no button of d_tool
    const std::string& as_object = *as_object_arg;

    const std::string x_text = describe(as_object + ".x");
    const std::int64_t button_x = fn::to_long(x_text);
    const std::int64_t button_y = fn::to_long(describe(as_object + ".y"));
    const std::int64_t w = fn::to_long(describe(as_object + ".width"));
    const std::int64_t h = fn::to_long(describe(as_object + ".height"));

    LineAccess lines(*this);
    if (as_state == "lowered") {
        is_object = as_object;
        is_clickedobject = as_object;
        modify(filename_modstring(as_object, "1"));
        place_frame(lines, "l_h2", "l_h1", "l_v2", "l_v1", x_text, button_x, button_y, w, h);
        lines.show_frame(true);
    } else if (as_state == "normal") {
        is_object.clear();
        lines.show_frame(false); // the lines keep their coordinates
        modify(filename_modstring(as_object, ""));
    } else if (as_state == "float") {
        is_object = as_object;
        modify(filename_modstring(as_object, ""));
        place_frame(lines, "l_h1", "l_h2", "l_v1", "l_v2", x_text, button_x, button_y, w, h);
        lines.show_frame(true);
    }
    return no_return;
}

ScriptResult uo_toolbar::uf_expand(ScriptCall& call)
{
    // The body is empty; only the call's conversion of its dwobject argument happens.
    call.arg_object<DwObject>(0);
    return no_return;
}

ScriptResult uo_toolbar::constructor(ScriptCall&) { return no_return; }

const ClassTable& _getVtableInfo_uo_toolbar()
{
    // Declaration order fixes the slots 436..450; the scripts of the command dispatch, the
    // deletion workflow, the photo clean-up and the history archive join this table with
    // their own rows (437, 441, 443-450, 36 clicked).
    static const ClassTable table {
        "uo_toolbar",
        "datawindow",
        make_object<uo_toolbar>,
        {},
        {{own_group,
          "",
          {{"ue_dwnmousemove", SlotKind::Event, Type::Long, 4, "pbm_dwnmousemove"},
           {"ue_dwnlbuttonup", SlotKind::Event, Type::Long, 4, "pbm_dwnlbuttonup"},
           {"ue_mousemove", SlotKind::Event, Type::Long, 3, "pbm_mousemove"},
           {"uf_setenabled", SlotKind::Function, std::nullopt, 2}, // (as_object, ab_enabled)
           {"uf_setstate", SlotKind::Function, std::nullopt, 2},   // (as_object, as_state)
           {"uf_delphoto", SlotKind::Function, Type::Integer, 2},  // (as_dataobject, al_row)
           {"uf_expand", SlotKind::Function, std::nullopt, 1},     // (dwo)
           {"uf_delbefore", SlotKind::Function, Type::String, 1},  // (ref as_errmsg)
           {"uf_delafter", SlotKind::Function, Type::Integer, 2},  // (as_sql, as_errmsg)
           {"uf_confirmmessage", SlotKind::Function, Type::Integer, 0},
           {"uf_updateother", SlotKind::Function, std::nullopt, 2},   // (as_dwobject, as_rprno)
           {"wf_savehisinfo", SlotKind::Function, Type::Integer, 3},  // (adw_source, as_histablename, ai_param)
           {"wf_copycolumn", SlotKind::Function, Type::Integer, 4},   // (adw_source, ads_target, ads_source, ai_flag)
           {"wf_copyrelation", SlotKind::Function, Type::Integer, 2}, // (as_personno, as_relation)
           {"wf_savepersoninfo", SlotKind::Function, Type::Integer, 2}}, // (as_personno, ai_flag)
          {{436, "ue_dwnmousemove", on_self<&uo_toolbar::ue_dwnmousemove>},
           {437, "ue_dwnlbuttonup", on_self<&uo_toolbar::ue_dwnlbuttonup>},
           {438, "ue_mousemove", on_self<&uo_toolbar::ue_mousemove>},
           {439, "uf_setenabled", on_self<&uo_toolbar::uf_setenabled>},
           {440, "uf_setstate", on_self<&uo_toolbar::uf_setstate>},
           {441, "uf_delphoto", on_self<&uo_toolbar::uf_delphoto>},
           {442, "uf_expand", on_self<&uo_toolbar::uf_expand>},
           {443, "uf_delbefore", on_self<&uo_toolbar::uf_delbefore>},
           {444, "uf_delafter", on_self<&uo_toolbar::uf_delafter>},
           {445, "uf_confirmmessage", on_self<&uo_toolbar::uf_confirmmessage>},
           {446, "uf_updateother", on_self<&uo_toolbar::uf_updateother>},
           {447, "wf_savehisinfo", on_self<&uo_toolbar::wf_savehisinfo>},
           {448, "wf_copycolumn", on_self<&uo_toolbar::wf_copycolumn>},
           {449, "wf_copyrelation", on_self<&uo_toolbar::wf_copyrelation>},
           {450, "wf_savepersoninfo", on_self<&uo_toolbar::wf_savepersoninfo>},
           {0, "create", create_script},
           {1, "destroy", destroy_script},
           {36, "clicked", on_self<&uo_toolbar::clicked>},
           {37, "constructor", on_self<&uo_toolbar::constructor>}}}}};
    return table;
}

} // namespace hearth
