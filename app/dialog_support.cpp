#include "app/dialog_support.h"

#include "host/object/class_registry.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"

#include <sstream>

namespace hearth::dialogs {

DataWindowControl* datawindow_parm(Runtime& runtime)
{
    const Message* message = runtime.message_object();
    return message ? dynamic_cast<DataWindowControl*>(message->power_object_parm.get()) : nullptr;
}

void place(ScriptCall& call, const ObjectRef& control, std::int32_t x, std::int32_t y, std::int32_t width,
           std::int32_t height, std::string_view text)
{
    auto* visual = call.use(Ref<VisualObject>(control), "control");
    if (!visual)
        return;
    visual->x = x;
    visual->y = y;
    visual->width = width;
    visual->height = height;
    if (auto* button = dynamic_cast<CommandButton*>(visual))
        button->text = std::string(text);
    else if (auto* label = dynamic_cast<StaticText*>(visual))
        label->text = std::string(text);
}

DataWindowControl* open_form(ScriptCall& call, const ObjectRef& control, std::string_view dataobject)
{
    auto* form = call.use(Ref<DataWindowControl>(control), "dw_1");
    if (!form || form->set_dataobject(dataobject) != 1)
        return nullptr;
    form->insert_row(0);
    form->set_focus();
    return form;
}

std::string typed(DataWindowControl& form, std::string_view column)
{
    form.accept_text();
    if (form.row_count() < 1)
        return {};
    const Value value = form.get_item_string(1, column);
    return value.is_null() ? std::string() : fn::trim(value.as_string());
}

std::vector<GridColumn> grid_columns(DataWindowBase& dw)
{
    std::vector<GridColumn> columns;
    std::istringstream objects(dw.describe("datawindow.objects"));
    for (std::string name; std::getline(objects, name, '\t');) {
        if (name.empty() || dw.describe(name + ".type") != "column" || dw.describe(name + ".band") != "detail")
            continue;
        std::string title = dw.describe(name + "_t.text");
        if (title == "!" || title == "?" || title.empty())
            title = name;
        columns.push_back({name, title});
    }
    return columns;
}

std::optional<GridColumn> find_column(DataWindowBase& dw, std::string_view text)
{
    const std::string wanted = lower_name(text);
    for (GridColumn& column : grid_columns(dw))
        if (lower_name(column.name) == wanted || column.title == text)
            return column;
    return std::nullopt;
}

void close_dialog(const ObjectRef& window, std::string_view value)
{
    if (Desktop* desktop = Desktop::current())
        desktop->close_with_return(window, Value(std::string(value)));
}

} // namespace hearth::dialogs
