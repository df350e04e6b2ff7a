#include "library/toolbar/uo_button.h"

#include "host/object/runtime.h"
#include "host/value/functions.h"

namespace hearth {

namespace {
// The suffixes before the extension that name the pressed and the disabled image.
constexpr std::string_view pressed_suffix = "1";
constexpr std::string_view disabled_suffix = "2";
// Length of the extension with its dot (".bmp").
constexpr long extension_length = 4;
} // namespace

uo_button::uo_button()
{
    width = 402;
    height = 84;
}

ScriptResult uo_button::constructor(ScriptCall&)
{
    // Left and Right clip at the text's bounds, so a name shorter than four characters gives
    // an empty base name and the whole name as its "extension".
    is_picturename = fn::left(picturename, fn::len(picturename) - extension_length);
    is_picturetype = fn::right(picturename, extension_length);
    return no_return;
}

ScriptResult uo_button::ue_lbuttondown(ScriptCall&)
{
    // Kept as designed: the pressed look is shown whether or not the button is enabled.
    picturename = is_picturename + std::string(pressed_suffix) + is_picturetype;
    return no_return;
}

ScriptResult uo_button::ue_lbuttonup(ScriptCall&)
{
    picturename = is_picturename + is_picturetype;
    return no_return;
}

ScriptResult uo_button::uf_setenabled(ScriptCall& call)
{
    const bool on = call.arg_as<bool>(0).value_or(false);
    // Enabled holds no null: a null argument leaves the button disabled, as its image says.
    enabled = on;
    if (on)
        picturename = is_picturename + is_picturetype;
    else
        picturename = is_picturename + std::string(disabled_suffix) + is_picturetype;
    return no_return;
}

const ClassTable& _getVtableInfo_uo_button()
{
    static const ClassTable table {"uo_button",
                                   "picture",
                                   make_object<uo_button>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"ue_lbuttondown", SlotKind::Event, Type::Long, 3, "pbm_lbuttondown"},
                                      {"ue_lbuttonup", SlotKind::Event, Type::Long, 3, "pbm_lbuttonup"},
                                      // Declared for the host's key-down message; it has no script.
                                      {"ue_keydown", SlotKind::Event, Type::Long, 2, "pbm_keydown"},
                                      {"uf_setenabled", SlotKind::Function, std::nullopt, 1}}, // (ab_enabled)
                                     {{48, "ue_lbuttondown", on_self<&uo_button::ue_lbuttondown>},
                                      {49, "ue_lbuttonup", on_self<&uo_button::ue_lbuttonup>},
                                      {51, "uf_setenabled", on_self<&uo_button::uf_setenabled>},
                                      {0, "create", create_script},
                                      {1, "destroy", destroy_script},
                                      {35, "constructor", on_self<&uo_button::constructor>}}}}};
    return table;
}

} // namespace hearth
