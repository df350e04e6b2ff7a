#include "app/w_datawindow_sort.h"

#include "app/dialog_support.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"

#include <sstream>

namespace hearth {

namespace {

constexpr int sort_columns = 3;

// "A" or "D" for what the user typed as a direction; empty means ascending.
std::optional<std::string> direction(const std::string& typed)
{
    const std::string word = fn::lower(typed);
    if (word.empty() || word == "a" || word == "asc" || word == "升序")
        return "A";
    if (word == "d" || word == "desc" || word == "降序")
        return "D";
    return std::nullopt;
}

} // namespace

w_datawindow_sort::w_datawindow_sort()
{
    title = "排序";
    width = 1300;
    height = 700;
}

ScriptResult w_datawindow_sort::open(ScriptCall& call)
{
    DataWindowControl* grid = dialogs::datawindow_parm(call.runtime());
    if (!grid) {
        dialogs::close_dialog(ref(), "0");
        return no_return;
    }
    m_grid = grid->ref();
    dialogs::place(call, cb_ok, 200, 480, 300, 100, "确定");
    dialogs::place(call, cb_cancel, 700, 480, 300, 100, "取消");
    if (auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1")) {
        form->x = 40;
        form->y = 40;
        form->width = 1160;
        form->height = 400;
    }
    DataWindowControl* form = dialogs::open_form(call, dw_1, "d_sort");
    if (!form)
        return no_return;
    // The present order, by the columns' titles: "name A, hostname D".
    std::istringstream present(grid->describe("datawindow.table.sort"));
    int n = 0;
    for (std::string key; n < sort_columns && std::getline(present, key, ',');) {
        std::istringstream words(key);
        std::string name, dir;
        words >> name >> dir;
        const std::optional<dialogs::GridColumn> column = dialogs::find_column(*grid, name);
        if (!column)
            continue;
        ++n;
        form->set_item(1, "col" + std::to_string(n), Value(column->title));
        form->set_item(1, "dir" + std::to_string(n), Value(fn::lower(dir) == "d" ? "降序" : "升序"));
    }
    return no_return;
}

ScriptResult w_datawindow_sort::cb_ok_clicked(ScriptCall& call)
{
    auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    auto* grid = call.use(Ref<DataWindowControl>(m_grid), "w_datawindow_sort.dw");
    Desktop* desktop = Desktop::current();
    if (!form || !grid || !desktop)
        return no_return;
    auto tell
        = [&](const std::string& text) { desktop->message_box(Value("提示信息"), Value(text), Icon::Exclamation); };
    std::string criteria;
    for (int n = 1; n <= sort_columns; ++n) {
        const std::string typed_column = dialogs::typed(*form, "col" + std::to_string(n));
        if (typed_column.empty())
            continue;
        const std::optional<dialogs::GridColumn> column = dialogs::find_column(*grid, typed_column);
        if (!column) {
            tell("没有这一列：" + typed_column);
            return no_return;
        }
        const std::optional<std::string> dir = direction(dialogs::typed(*form, "dir" + std::to_string(n)));
        if (!dir) {
            tell("排序方向只能是升序或降序。");
            return no_return;
        }
        criteria += (criteria.empty() ? "" : ", ") + column->name + " " + *dir;
    }
    if (criteria.empty()) {
        tell("请至少填一列。");
        return no_return;
    }
    if (grid->set_sort(criteria) != 1) {
        tell("排序条件有误，顺序没有改变。");
        return no_return;
    }
    grid->sort();
    dialogs::close_dialog(ref(), "1");
    return no_return;
}

ScriptResult w_datawindow_sort::cb_cancel_clicked(ScriptCall&)
{
    dialogs::close_dialog(ref(), "0");
    return no_return;
}

const ClassTable& _getVtableInfo_w_datawindow_sort()
{
    static const ClassTable table {
        "w_datawindow_sort",
        "w_response",
        make_object<w_datawindow_sort>,
        {{"dw_1", "datawindow", store_in<&w_datawindow_sort::dw_1>},
         {"cb_ok", "commandbutton", store_in<&w_datawindow_sort::cb_ok>},
         {"cb_cancel", "commandbutton", store_in<&w_datawindow_sort::cb_cancel>}},
        {{own_group,
          "",
          {},
          {{0, "create", create_script},
           {1, "destroy", destroy_script},
           {38, "open", on_self<&w_datawindow_sort::open>}}},
         {32771, "cb_ok", {}, {{36, "clicked", on_parent<&w_datawindow_sort::cb_ok_clicked>}}},
         {32772, "cb_cancel", {}, {{36, "clicked", on_parent<&w_datawindow_sort::cb_cancel_clicked>}}}}};
    return table;
}

} // namespace hearth
