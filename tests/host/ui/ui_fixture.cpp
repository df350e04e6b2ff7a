#include "ui_fixture.h"

#include "host/value/functions.h"

namespace hearth::test {

std::vector<Received>& journal()
{
    static std::vector<Received> received;
    return received;
}

std::string render(const Value& value)
{
    if (value.is_null())
        return "null";
    if (value.type() == Type::Object) {
        if (auto* dwo = dynamic_cast<DwObject*>(value.as_object().get()))
            return "obj:" + dwo->name + "/" + dwo->band;
        return "obj:" + fn::class_name(value.as_object());
    }
    if (value.is_integral())
        return std::to_string(value.as_integral());
    if (value.is_string())
        return value.as_string();
    if (value.type() == Type::Boolean)
        return value.as_bool() ? "true" : "false";
    return "?";
}

namespace {

std::string trim_blanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Records the event with its arguments; answers nothing (the event's default result).
ScriptResult record(ScriptCall& call)
{
    Received entry {call.slot().name, {}};
    for (std::size_t i = 0; i < call.arg_count(); ++i)
        entry.args.push_back(render(call.arg(i)));
    journal().push_back(std::move(entry));
    return no_return;
}

ScriptResult dw_itemchanged(ScriptCall& call)
{
    record(call);
    auto& self = call.self<t_dw>();
    if (self.trim_in_itemchanged) {
        auto* dwo = dynamic_cast<DwObject*>(call.arg(1).as_object().get());
        self.set_item(static_cast<long>(call.arg(0).as_integral()), dwo->name, trim_blanks(call.arg(2).as_string()));
    }
    return Value(self.itemchanged_answer);
}

ScriptResult dw_processenter(ScriptCall& call)
{
    record(call);
    return Value(call.self<t_dw>().enter_answer);
}

const ClassTable& t_dw_table()
{
    static const ClassTable table {"t_dw",
                                   "datawindow",
                                   make_object<t_dw>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"ue_dwnkey", SlotKind::Event, Type::Long, 2, "pbm_dwnkey"},
                                      {"ue_dwnlbuttonup", SlotKind::Event, Type::Long, 4, "pbm_dwnlbuttonup"},
                                      {"ue_dwnmousemove", SlotKind::Event, Type::Long, 4, "pbm_dwnmousemove"},
                                      {"ue_mousemove", SlotKind::Event, Type::Long, 3, "pbm_mousemove"},
                                      {"ue_processenter", SlotKind::Event, Type::Long, 0, "pbm_dwnprocessenter"}},
                                     {{36, "clicked", record},
                                      {40, "doubleclicked", record},
                                      {47, "itemchanged", dw_itemchanged},
                                      {50, "losefocus", record},
                                      {55, "rbuttondown", record},
                                      {57, "retrieveend", record},
                                      {60, "rowfocuschanged", record},
                                      {436, "ue_dwnkey", record},
                                      {437, "ue_dwnlbuttonup", record},
                                      {438, "ue_dwnmousemove", record},
                                      {439, "ue_mousemove", record},
                                      {440, "ue_processenter", dw_processenter}}}}};
    return table;
}

const ClassTable& t_picture_table()
{
    static const ClassTable table {"t_picture",
                                   "picture",
                                   nullptr,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"ue_lbuttondown", SlotKind::Event, Type::Long, 3, "pbm_lbuttondown"},
                                      {"ue_lbuttonup", SlotKind::Event, Type::Long, 3, "pbm_lbuttonup"},
                                      {"ue_keydown", SlotKind::Event, Type::Long, 2, "pbm_keydown"}},
                                     {{48, "ue_lbuttondown", record}, {49, "ue_lbuttonup", record}}}}};
    return table;
}

const ClassTable& t_button_table()
{
    static const ClassTable table {"t_button", "commandbutton", nullptr, {}, {{own_group, "", {}, {{36, "clicked", record}}}}};
    return table;
}

const ClassTable& t_page_table()
{
    static const ClassTable table {"t_page", "userobject", nullptr, {}, {}};
    return table;
}

const ClassTable& t_tab_table()
{
    static const ClassTable table {
        "t_tab",
        "tab",
        nullptr,
        {{"tabpage_1", "t_page", nullptr}, {"tabpage_2", "t_page", nullptr}, {"tabpage_3", "t_page", nullptr}},
        {{own_group,
          "",
          {},
          {{0, "create", create_script}, {1, "destroy", destroy_script}, {47, "selectionchanged", record}}}}};
    return table;
}

// open: records StringParm, DoubleParm and the class of PowerObjectParm.
ScriptResult window_open(ScriptCall& call)
{
    const Message* message = call.runtime().message_object();
    journal().push_back(
        {"open",
         {message ? message->string_parm : "-", message ? std::to_string(static_cast<long>(message->double_parm)) : "-",
          message ? fn::class_name(message->power_object_parm) : "-"}});
    return no_return;
}

const ClassTable& t_window_table()
{
    static const ClassTable table {"t_window",
                                   "window",
                                   make_object<t_window>,
                                   {{"dw_1", "t_dw", store_in<&t_window::dw_1>},
                                    {"dw_2", "t_dw", store_in<&t_window::dw_2>},
                                    {"st_1", "statictext", store_in<&t_window::st_1>},
                                    {"tab_1", "t_tab", store_in<&t_window::tab_1>}},
                                   {{own_group,
                                     "",
                                     {{"ue_move", SlotKind::Event, Type::Long, 2, "pbm_move"}},
                                     {{0, "create", create_script},
                                      {1, "destroy", destroy_script},
                                      {38, "open", window_open},
                                      {119, "ue_move", record}}}}};
    return table;
}

const ClassTable& t_frame_table()
{
    static const ClassTable table {"t_frame", "window", make_object<t_frame>, {}, {}};
    return table;
}

const ClassTable& t_sheet_table()
{
    static const ClassTable table {
        "t_sheet", "window", nullptr, {}, {{own_group, "", {}, {{38, "open", window_open}}}}};
    return table;
}

const ClassTable& w_resp_table()
{
    static const ClassTable table {
        "w_resp", "window", make_object<w_resp>, {}, {{own_group, "", {}, {{38, "open", window_open}}}}};
    return table;
}

} // namespace

void register_test_classes(ClassRegistry& registry)
{
    for (VtableInfoFn entry : {&t_dw_table, &t_picture_table, &t_button_table, &t_page_table, &t_tab_table, &t_window_table,
                               &t_frame_table, &t_sheet_table, &w_resp_table})
        EXPECT_EQ(error_text(registry.register_class(entry)), "");
}

} // namespace hearth::test
