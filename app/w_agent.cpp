#include "app/w_agent.h"

#include "app/dialog_support.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "library/frame/application.h"

#include <array>
#include <sstream>
#include <utility>

namespace hearth {

std::string_view command_keys(std::string_view button)
{
    // The keys a page turns into presses of the toolbar's buttons.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 7> keys {{
        {"p_main", "F10"},
        {"p_retrieve", "F3"},
        {"p_add", "Ctrl+N"},
        {"p_modify", "Ctrl+M、回车、双击记录"},
        {"p_del", "Ctrl+D"},
        {"p_preview", "Ctrl+P"},
        {"p_filter", "F9"},
    }};
    for (const auto& [name, text] : keys)
        if (name == button)
            return text;
    return {};
}

w_agent::w_agent()
{
    title = "帮助";
    width = 1200;
    height = 1500;
}

ScriptResult w_agent::open(ScriptCall& call)
{
    dialogs::place(call, st_1, 40, 30, 1100, 64, "工具栏的命令和它们的快捷键：");
    dialogs::place(call, cb_ok, 440, 1280, 300, 100, "关闭");
    auto* list = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    if (!list)
        return no_return;
    list->x = 40;
    list->y = 110;
    list->width = 1100;
    list->height = 1140;
    list->set_dataobject("d_agent");
    AppGlobals* globals = app_globals(call, "w_main");
    auto* toolbar = globals ? dynamic_cast<DataWindowControl*>(w_main_dw_tool(*globals).get()) : nullptr;
    if (!toolbar)
        return no_return;
    std::istringstream objects(toolbar->describe("datawindow.objects"));
    for (std::string name; std::getline(objects, name, '\t');) {
        if (!name.starts_with("p_") || toolbar->describe(name + ".type") != "bitmap"
            || toolbar->describe(name + ".visible") == "0")
            continue;
        const std::string caption = toolbar->describe("t_" + name.substr(2) + ".text");
        const std::string_view keys = command_keys(name);
        const long row = list->insert_row(0);
        list->set_item(row, "command", Value(caption == "!" || caption == "?" ? name : caption));
        list->set_item(row, "keys", Value(std::string(keys.empty() ? "（无）" : keys)));
    }
    return no_return;
}

ScriptResult w_agent::cb_ok_clicked(ScriptCall&)
{
    dialogs::close_dialog(ref(), "1");
    return no_return;
}

const ClassTable& _getVtableInfo_w_agent()
{
    static const ClassTable table {
        "w_agent",
        "w_response",
        make_object<w_agent>,
        {{"st_1", "statictext", store_in<&w_agent::st_1>},
         {"dw_1", "datawindow", store_in<&w_agent::dw_1>},
         {"cb_ok", "commandbutton", store_in<&w_agent::cb_ok>}},
        {{own_group,
          "",
          {},
          {{0, "create", create_script}, {1, "destroy", destroy_script}, {38, "open", on_self<&w_agent::open>}}},
         {32771, "cb_ok", {}, {{36, "clicked", on_parent<&w_agent::cb_ok_clicked>}}}}};
    return table;
}

} // namespace hearth
