#include "app/w_filter.h"

#include "app/dialog_support.h"
#include "host/datawindow/text_util.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"

#include <array>

namespace hearth {

namespace {

// A quoted string literal of the expression language.
std::string literal(const std::string& text) { return "'" + dw::escape_tilde(text, '\'') + "'"; }

bool numeric_type(const std::string& coltype)
{
    for (const char* type : {"long", "inte", "deci", "numb", "real", "ulon", "doub"})
        if (coltype.starts_with(type))
            return true;
    return false;
}

} // namespace

Result<std::string> filter_expression(const std::string& column, const std::string& title, const std::string& coltype,
                                      const std::string& op, const std::string& value)
{
    using Expression = Result<std::string>;
    static constexpr std::array<std::string_view, 6> comparisons {"=", "<>", ">", "<", ">=", "<="};
    const std::string how = fn::lower(op);
    const bool compares = std::find(comparisons.begin(), comparisons.end(), how) != comparisons.end();
    if (!compares && how != "like" && how != "contains")
        return Expression::failure("比较方式只能是 =、<>、>、<、>=、<=、like 或 contains。");

    // Patterns and parts of a text work on the column's text, whatever its type.
    const bool is_text = coltype.starts_with("char");
    const std::string text_of = is_text ? column : "string(" + column + ")";
    if (how == "like")
        return text_of + " like " + literal(value);
    if (how == "contains")
        return "pos(" + text_of + ", " + literal(value) + ") > 0";

    if (is_text)
        return column + " " + how + " " + literal(value);
    if (numeric_type(coltype)) {
        if (!fn::is_number(value))
            return Expression::failure("「" + title + "」要填数字。");
        return column + " " + how + " " + fn::trim(value);
    }
    if (coltype.starts_with("date")) {
        if (!fn::is_date(value))
            return Expression::failure("「" + title + "」要填日期，例如 2024-01-31。");
        return "date(" + column + ") " + how + " date(" + literal(value) + ")";
    }
    return Expression::failure("「" + title + "」不能这样过滤。");
}

w_filter::w_filter()
{
    title = "过滤";
    width = 1300;
    height = 700;
}

ScriptResult w_filter::open(ScriptCall& call)
{
    DataWindowControl* grid = dialogs::datawindow_parm(call.runtime());
    if (!grid) {
        dialogs::close_dialog(ref(), "0");
        return no_return;
    }
    m_grid = grid->ref();
    dialogs::place(call, cb_ok, 60, 480, 300, 100, "确定");
    dialogs::place(call, cb_clear, 420, 480, 300, 100, "清除过滤");
    dialogs::place(call, cb_cancel, 780, 480, 300, 100, "取消");
    if (auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1")) {
        form->x = 40;
        form->y = 40;
        form->width = 1160;
        form->height = 400;
    }
    dialogs::open_form(call, dw_1, "d_filter");
    return no_return;
}

ScriptResult w_filter::cb_ok_clicked(ScriptCall& call)
{
    auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    auto* grid = call.use(Ref<DataWindowControl>(m_grid), "w_filter.dw");
    Desktop* desktop = Desktop::current();
    if (!form || !grid || !desktop)
        return no_return;
    auto tell
        = [&](const std::string& text) { desktop->message_box(Value("提示信息"), Value(text), Icon::Exclamation); };
    const std::string typed_column = dialogs::typed(*form, "colname");
    const std::optional<dialogs::GridColumn> column = dialogs::find_column(*grid, typed_column);
    if (!column) {
        tell(typed_column.empty() ? "请先填要过滤的列。" : "没有这一列：" + typed_column);
        return no_return;
    }
    // The value as typed: blanks may belong to it.
    form->accept_text();
    const Value raw = form->get_item_string(1, "value");
    const std::string value = raw.is_null() ? std::string() : raw.as_string();
    auto expression = filter_expression(column->name, column->title, grid->describe(column->name + ".coltype"),
                                        dialogs::typed(*form, "op"), value);
    if (!expression) {
        tell(expression.error());
        return no_return;
    }

    const std::string before = grid->describe("datawindow.table.filter");
    if (grid->set_filter(*expression) != 1 || grid->filter() != 1) {
        grid->set_filter(before == "?" || before == "!" ? "" : before);
        grid->filter();
        tell("过滤条件有误，数据没有改变。");
        return no_return;
    }
    dialogs::close_dialog(ref(), "1");
    return no_return;
}

ScriptResult w_filter::cb_clear_clicked(ScriptCall& call)
{
    if (auto* grid = call.use(Ref<DataWindowControl>(m_grid), "w_filter.dw")) {
        grid->set_filter("");
        grid->filter();
    }
    dialogs::close_dialog(ref(), "1");
    return no_return;
}

ScriptResult w_filter::cb_cancel_clicked(ScriptCall&)
{
    dialogs::close_dialog(ref(), "0");
    return no_return;
}

const ClassTable& _getVtableInfo_w_filter()
{
    static const ClassTable table {
        "w_filter",
        "w_response",
        make_object<w_filter>,
        {{"dw_1", "datawindow", store_in<&w_filter::dw_1>},
         {"cb_ok", "commandbutton", store_in<&w_filter::cb_ok>},
         {"cb_clear", "commandbutton", store_in<&w_filter::cb_clear>},
         {"cb_cancel", "commandbutton", store_in<&w_filter::cb_cancel>}},
        {{own_group,
          "",
          {},
          {{0, "create", create_script}, {1, "destroy", destroy_script}, {38, "open", on_self<&w_filter::open>}}},
         {32771, "cb_ok", {}, {{36, "clicked", on_parent<&w_filter::cb_ok_clicked>}}},
         {32772, "cb_clear", {}, {{36, "clicked", on_parent<&w_filter::cb_clear_clicked>}}},
         {32773, "cb_cancel", {}, {{36, "clicked", on_parent<&w_filter::cb_cancel_clicked>}}}}};
    return table;
}

} // namespace hearth
