#include "app/m_gridrbutton.h"

#include "app/application.h"
#include "host/datawindow/text_util.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/window.h"
#include "host/value/functions.h"
#include "library/frame/struc_scope.h"
#include "library/tabs/select_rewrite.h"

#include <fmt/format.h>

#include <array>

namespace hearth {

// ---- ColumnQueries --------------------------------------------------------------------------

const ColumnQueries::Entry* ColumnQueries::find(DataWindowControl& dw) const
{
    // A query counts only while dw still shows it: a retrieval of the page since then has
    // put its own SELECT back, and the base from before would be stale.
    const std::string current = dw.describe("datawindow.table.select");
    for (const Entry& entry : m_entries)
        if (entry.dw.same_as(dw.ref()) && entry.query == current)
            return &entry;
    return nullptr;
}

std::string ColumnQueries::base(DataWindowControl& dw) const
{
    const Entry* entry = find(dw);
    return entry ? entry->base : dw.describe("datawindow.table.select");
}

void ColumnQueries::remember(DataWindowControl& dw, std::string base, std::string query)
{
    std::erase_if(m_entries, [&](const Entry& entry) { return !entry.dw.is_valid() || entry.dw.same_as(dw.ref()); });
    m_entries.push_back({dw.ref(), std::move(base), std::move(query)});
}

std::optional<std::string> ColumnQueries::take(DataWindowControl& dw)
{
    const Entry* entry = find(dw);
    std::optional<std::string> base;
    if (entry)
        base = entry->base;
    std::erase_if(m_entries, [&](const Entry& e) { return !e.dw.is_valid() || e.dw.same_as(dw.ref()); });
    return base;
}

// ---- The menu's items -----------------------------------------------------------------------

namespace {

// What an item works on: the DataWindow of mf_setdw and the column the page handed over.
struct Context {
    HearthApplication& application;
    Desktop& desktop;
    DataWindowControl& dw;
    std::string column; // "" when the menu was opened over no object
};

// The SELECT as the text of a single-quoted Modify value, exactly as it is.
std::string select_command(const std::string& select)
{
    return "datawindow.table.select='" + dw::escape_tilde(select, '\'') + "'";
}

// The clicked column from the struc_scope in Message.PowerObjectParm; "" without one.
std::string clicked_column(Runtime& runtime)
{
    const Message* message = runtime.message_object();
    const auto* scope = message ? dynamic_cast<const struc_scope*>(message->power_object_parm.get()) : nullptr;
    return scope ? scope->ls_colname : std::string();
}

// Keeps a look for the user, or says why it could not be kept.
void keep_look(Context& c, const std::string& attribute, std::optional<std::int32_t> value)
{
    auto kept = c.application.column_looks().set(c.application.globals().gs_userno, c.dw.dataobject(), c.column,
                                                 attribute, value);
    if (!kept)
        c.desktop.message_box(Value("错误"), Value("列设置未能保存：" + kept.error()), Icon::StopSign);
}

void save_as(Context& c) { c.desktop.runtime().dispatch(c.dw.parent(), "ue_saveas"); }

void set_color(Context& c)
{
    std::int32_t color = fn::to_long(c.dw.describe(c.column + ".Color"));
    if (c.desktop.choose_color(color) != 1)
        return;
    c.dw.modify(fmt::format("{}.Color='{}'", c.column, color));
    keep_look(c, "Color", color);
}

void no_color(Context& c)
{
    c.dw.modify(fmt::format("{}.Color='{}'", c.column, colors::window_text));
    keep_look(c, "Color", std::nullopt);
}

// The runtime's alignment numbers.
template <Alignment A> void align(Context& c)
{
    const auto number = static_cast<std::int32_t>(A);
    c.dw.modify(fmt::format("{}.Alignment='{}'", c.column, number));
    keep_look(c, "Alignment", number);
}

// The condition "field = value" for a query by `column`: the value as one quoted literal for
// text and dates, as a checked number for numbers. The failure is the user's message.
Result<std::string> query_condition(DataWindowControl& dw, const std::string& column, const std::string& value)
{
    const std::string field = dw.describe(column + ".dbname");
    const std::string coltype = fn::left(fn::lower(dw.describe(column + ".ColType")), 4);
    if (field.empty() || field == "!" || field == "?")
        return Result<std::string>::failure("该列不能按值查询！");
    if (coltype == "char")
        return tabs::text_condition(field, value);
    const std::string trimmed = fn::trim(value);
    static const std::array<std::string_view, 7> numbers {"long", "int", "deci", "numb", "real", "ulon", "doub"};
    if (std::find(numbers.begin(), numbers.end(), coltype) != numbers.end()) {
        if (!fn::is_number(trimmed))
            return Result<std::string>::failure("请输入数字！");
        return tabs::number_condition(field, fn::to_string(fn::to_dec(trimmed)));
    }
    if (coltype == "date") {
        if (!fn::is_date(trimmed))
            return Result<std::string>::failure("请输入日期！");
        return tabs::text_condition(field, fn::to_string(Value(fn::to_date(trimmed)), "yyyy-mm-dd").as_string());
    }
    return Result<std::string>::failure("该列不能按值查询！");
}

// Retrieves dw again and shows the count as the page does, then lets the page set its toolbar.
void retrieve_again(Context& c)
{
    Runtime& runtime = c.desktop.runtime();
    const long rows = c.dw.retrieve();
    const ObjectRef& w_main = c.application.globals().w_main;
    if (w_main.is_valid())
        runtime.dispatch(w_main, "wf_setstatus",
                         {Value(rows < 1 ? std::string("没有相关记录!") : fmt::format("检索到{}条记录!", rows))});
    runtime.dispatch(c.dw.ref(), "ue_rowcountchanged");
}

void query(Context& c)
{
    std::string title = c.dw.describe(c.column + "_t.Text");
    if (title.empty() || title == "!" || title == "?")
        title = c.column;
    std::string value;
    if (c.desktop.ask_text("按列查询", "请输入" + title + "的值：", value) != 1)
        return;
    auto condition = query_condition(c.dw, c.column, value);
    if (!condition) {
        c.desktop.message_box(Value("提示信息"), Value(condition.error()));
        return;
    }
    ColumnQueries& queries = c.application.column_queries();
    // The page's own conditions stay: the query is ANDed to the SELECT the page retrieved with.
    std::string base = queries.base(c.dw);
    c.dw.modify(select_command(tabs::rewrite_select(base, {*condition})));
    queries.remember(c.dw, std::move(base), c.dw.describe("datawindow.table.select"));
    c.application.globals().gs_querystr = *condition;
    retrieve_again(c);
}

void no_query(Context& c)
{
    c.application.globals().gs_querystr.clear();
    if (auto base = c.application.column_queries().take(c.dw)) {
        c.dw.modify(select_command(*base));
        retrieve_again(c);
    }
}

void no_sort(Context& c)
{
    // The object's own order, from a fresh copy of its design.
    DataStore design;
    if (design.set_dataobject(c.dw.dataobject()) != 1)
        return;
    const std::string sort = design.describe("datawindow.table.sort");
    if (sort == "?" || sort == "!")
        return;
    c.dw.set_sort(sort);
    c.dw.sort();
}

struct Item {
    std::string_view name;
    std::string_view text;
    void (*action)(Context&);
    bool needs_column;
};

const std::array<Item, 9> items {{
    {"m_saveas", "导出数据", save_as, false},
    {"m_nocolor", "取消颜色", no_color, true},
    {"m_alignleft", "左对齐", align<Alignment::Left>, true},
    {"m_aligncenter", "居中", align<Alignment::Center>, true},
    {"m_alignright", "右对齐", align<Alignment::Right>, true},
    {"m_color", "设置颜色", set_color, true},
    {"m_query", "按此列查询", query, true},
    {"m_noquery", "取消查询", no_query, false},
    {"m_nosort", "取消排序", no_sort, false},
}};

} // namespace

std::shared_ptr<Menu> make_m_gridrbutton(HearthApplication& application, DataWindowControl& dw)
{
    auto menu = std::make_shared<Menu>("m_gridrbutton");
    const std::shared_ptr<Menu> grid = menu->add_item("m_gridmenu");
    const ObjectRef target = dw.ref(); // mf_setdw
    for (const Item& item : items) {
        grid->add_item(std::string(item.name), std::string(item.text))->clicked = [&application, target, item] {
            auto* chosen = dynamic_cast<DataWindowControl*>(target.get());
            Desktop* desktop = Desktop::current();
            if (!chosen || !desktop)
                return;
            Context c {application, *desktop, *chosen, clicked_column(desktop->runtime())};
            if (item.needs_column && c.column.empty())
                return;
            item.action(c);
        };
    }
    return menu;
}

} // namespace hearth
