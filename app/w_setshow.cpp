#include "app/w_setshow.h"

#include "app/application.h"
#include "app/dialog_support.h"
#include "host/datawindow/text_util.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/files.h"
#include "host/value/functions.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <algorithm>
#include <climits>
#include <system_error>

namespace hearth {

namespace {

namespace fs = std::filesystem;

// The room between two columns of the grids.
constexpr long column_gap = 9;

long number(DataWindowBase& dw, const std::string& property)
{
    const std::string text = dw.describe(property);
    return fn::is_number(text) ? static_cast<long>(fn::to_long(text)) : LONG_MIN;
}

bool same_column(const std::string& a, std::string_view b) { return lower_name(a) == lower_name(b); }

bool holds_break(std::string_view text) { return text.find_first_of("\t\r\n") != std::string_view::npos; }

// The page whose grid `dw` is; nullptr for a DataWindow on its own.
uo_tabpg_datawindow* page_of(DataWindowBase& dw)
{
    auto* control = dynamic_cast<DataWindowControl*>(&dw);
    return control ? dynamic_cast<uo_tabpg_datawindow*>(control->parent().get()) : nullptr;
}

void fill_arrays(uo_tabpg_datawindow& page, const std::vector<ShownColumn>& columns)
{
    page.is_colname.clear();
    page.is_titlename.clear();
    page.is_colvisible.clear();
    for (const ShownColumn& column : columns) {
        page.is_colname.push_back(column.name);
        page.is_titlename.push_back(column.title);
        page.is_colvisible.push_back(column.visible ? "1" : "0");
    }
    page.il_colcount = static_cast<std::int32_t>(columns.size());
}

std::vector<ShownColumn> from_arrays(const uo_tabpg_datawindow& page)
{
    std::vector<ShownColumn> columns;
    const std::size_t count = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(page.il_colcount, 0)),
        std::min({page.is_colname.size(), page.is_titlename.size(), page.is_colvisible.size()}));
    for (std::size_t i = 0; i < count; ++i)
        columns.push_back({page.is_colname[i], page.is_titlename[i], page.is_colvisible[i] != "0"});
    return columns;
}

// One line of the settings file.
struct SettingLine {
    std::string userno, dataobject;
    ShownColumn column;
};

std::optional<SettingLine> parse_line(std::string_view text)
{
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = text.find('\t', start);
        fields.emplace_back(text.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    if (fields.size() != 5 || (fields[3] != "1" && fields[3] != "0") || fields[2].empty())
        return std::nullopt;
    return SettingLine {fields[0], fields[1], {fields[2], fields[4], fields[3] == "1"}};
}

Result<std::vector<SettingLine>> read_lines(const fs::path& file)
{
    std::error_code ec;
    if (!fs::exists(file, ec))
        return std::vector<SettingLine> {};
    auto text = read_text_file(file);
    if (!text)
        return Result<std::vector<SettingLine>>::failure(text.error());
    std::vector<SettingLine> lines;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (auto line = parse_line(rest.substr(0, end)))
            lines.push_back(std::move(*line));
        rest = end == std::string_view::npos ? std::string_view {} : rest.substr(end + 1);
    }
    return lines;
}

} // namespace

std::vector<ShownColumn> shown_columns(DataWindowBase& dw)
{
    struct Placed {
        ShownColumn column;
        long x;
    };
    std::vector<Placed> placed;
    for (const dialogs::GridColumn& column : dialogs::grid_columns(dw))
        placed.push_back({{column.name, column.title, dw.describe(column.name + ".visible") != "0"},
                          number(dw, column.name + ".x")});
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.x < b.x; });
    std::vector<ShownColumn> columns;
    for (Placed& p : placed)
        columns.push_back(std::move(p.column));
    return columns;
}

void lay_out_columns(DataWindowBase& dw, const std::vector<ShownColumn>& columns)
{
    long x = LONG_MAX;
    for (const ShownColumn& column : columns)
        if (const long at = number(dw, column.name + ".x"); at != LONG_MIN)
            x = std::min(x, at);
    if (x == LONG_MAX)
        return;
    for (const ShownColumn& column : columns) {
        const long at = number(dw, column.name + ".x");
        if (at == LONG_MIN)
            continue;
        const std::string header = column.name + "_t";
        const long header_at = number(dw, header + ".x");
        const std::string shown = column.visible ? "1" : "0";
        dw.modify(column.name + ".x='" + std::to_string(x) + "' " + column.name + ".visible='" + shown + "'");
        if (header_at != LONG_MIN)
            dw.modify(header + ".x='" + std::to_string(x + header_at - at) + "' " + header + ".visible='" + shown + "' "
                      + header + ".text='" + dw::escape_tilde(column.title, '\'') + "'");
        // A hidden column keeps its place in the order without taking room.
        x += column.visible ? std::max(0L, number(dw, column.name + ".width")) + column_gap : 1;
    }
}

ColumnSettings ColumnSettings::beside(const ColumnLooks& looks)
{
    return ColumnSettings(looks.file().parent_path() / "column_settings.tsv");
}

Result<std::vector<ShownColumn>> ColumnSettings::of(const std::string& userno, const std::string& dataobject) const
{
    auto lines = read_lines(m_file);
    if (!lines)
        return Result<std::vector<ShownColumn>>::failure(lines.error());
    std::vector<ShownColumn> columns;
    for (SettingLine& line : *lines)
        if (line.userno == userno && same_column(line.dataobject, dataobject))
            columns.push_back(std::move(line.column));
    return columns;
}

Result<void> ColumnSettings::keep(const std::string& userno, const std::string& dataobject,
                                  const std::vector<ShownColumn>& columns)
{
    if (holds_break(userno) || holds_break(dataobject))
        return Result<void>::failure("用户或数据窗口的名字不能含有制表符或换行");
    for (const ShownColumn& column : columns)
        if (holds_break(column.name) || holds_break(column.title))
            return Result<void>::failure("标题不能含有制表符或换行");
    auto lines = read_lines(m_file);
    if (!lines)
        return Result<void>::failure(lines.error());
    std::string text;
    for (const SettingLine& line : *lines)
        if (line.userno != userno || !same_column(line.dataobject, dataobject))
            text += line.userno + '\t' + line.dataobject + '\t' + line.column.name + '\t'
                + (line.column.visible ? "1" : "0") + '\t' + line.column.title + '\n';
    for (const ShownColumn& column : columns)
        text += userno + '\t' + dataobject + '\t' + column.name + '\t' + (column.visible ? "1" : "0") + '\t'
            + column.title + '\n';
    std::error_code ec;
    fs::create_directories(m_file.parent_path(), ec);
    return write_file_atomically(m_file, text);
}

void ColumnSettings::apply(DataWindowBase& dw, const std::string& userno) const
{
    auto kept = of(userno, dw.dataobject());
    if (!kept || kept->empty())
        return;
    std::vector<ShownColumn> current = shown_columns(dw);
    std::vector<ShownColumn> ordered;
    for (const ShownColumn& setting : *kept) {
        auto it = std::find_if(current.begin(), current.end(),
                               [&](const ShownColumn& c) { return same_column(c.name, setting.name); });
        if (it == current.end())
            continue;
        ordered.push_back({it->name, setting.title, setting.visible});
        current.erase(it);
    }
    ordered.insert(ordered.end(), current.begin(), current.end());
    lay_out_columns(dw, ordered);
    if (uo_tabpg_datawindow* page = page_of(dw))
        fill_arrays(*page, ordered);
}

// ---- The window ------------------------------------------------------------------------------

w_setshow::w_setshow()
{
    title = "列设置";
    width = 2400;
    height = 1500;
}

ScriptResult w_setshow::open(ScriptCall& call)
{
    DataWindowControl* grid = dialogs::datawindow_parm(call.runtime());
    if (!grid) {
        dialogs::close_dialog(ref(), "0");
        return no_return;
    }
    m_grid = grid->ref();
    // The page's arrays, in the object's order, put in screen order by the page itself.
    if (uo_tabpg_datawindow* page = page_of(*grid)) {
        std::vector<ShownColumn> columns;
        for (const dialogs::GridColumn& column : dialogs::grid_columns(*grid))
            columns.push_back({column.name, column.title, grid->describe(column.name + ".visible") != "0"});
        fill_arrays(*page, columns);
        call.call(page->ref(), "wf_setsort");
        m_columns = from_arrays(*page);
    } else {
        m_columns = shown_columns(*grid);
    }

    if (auto* list = call.use(Ref<DataWindowControl>(dw_list), "dw_list")) {
        list->x = 40;
        list->y = 40;
        list->width = 1200;
        list->height = 1200;
        list->set_dataobject("d_setshow_list");
    }
    if (auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1")) {
        form->x = 1280;
        form->y = 40;
        form->width = 1060;
        form->height = 520;
    }
    dialogs::place(call, cb_apply, 1300, 640, 300, 100, "应用");
    dialogs::place(call, cb_ok, 1300, 1000, 300, 100, "确定");
    dialogs::place(call, cb_cancel, 1700, 1000, 300, 100, "取消");
    show_list(call);
    dialogs::open_form(call, dw_1, "d_setshow");
    return no_return;
}

void w_setshow::show_list(ScriptCall& call)
{
    auto* list = call.use(Ref<DataWindowControl>(dw_list), "dw_list");
    if (!list)
        return;
    list->reset();
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const long row = list->insert_row(0);
        list->set_item(row, "position", Value(static_cast<std::int32_t>(i + 1)));
        list->set_item(row, "colname", Value(m_columns[i].name));
        list->set_item(row, "title", Value(m_columns[i].title));
        list->set_item(row, "shown", Value(m_columns[i].visible ? "是" : "否"));
    }
}

bool w_setshow::apply_form(ScriptCall& call)
{
    auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    Desktop* desktop = Desktop::current();
    if (!form || !desktop)
        return false;
    auto refuse = [&](const std::string& text) {
        desktop->message_box(Value("提示信息"), Value(text), Icon::Exclamation);
        return false;
    };
    const std::string typed_column = dialogs::typed(*form, "colname");
    if (typed_column.empty())
        return refuse("请先填要设置的列。");
    auto it = std::find_if(m_columns.begin(), m_columns.end(), [&](const ShownColumn& c) {
        return same_column(c.name, typed_column) || c.title == typed_column;
    });
    if (it == m_columns.end())
        return refuse("没有这一列：" + typed_column);
    ShownColumn changed = *it;

    const std::string new_title = dialogs::typed(*form, "title");
    if (holds_break(new_title))
        return refuse("标题不能含有制表符或换行。");
    if (!new_title.empty())
        changed.title = new_title;

    const std::string shown = fn::lower(dialogs::typed(*form, "shown"));
    if (shown == "是" || shown == "显示" || shown == "1" || shown == "yes")
        changed.visible = true;
    else if (shown == "否" || shown == "隐藏" || shown == "0" || shown == "no")
        changed.visible = false;
    else if (!shown.empty())
        return refuse("“显示”只能填是或否。");
    if (changed.visible && !it->visible) {
        // A column the user has no right to see stays hidden.
        auto* application = dynamic_cast<HearthApplication*>(Application::current());
        const uo_tabpg_datawindow* page
            = Ref<DataWindowControl>(m_grid).get() ? page_of(*Ref<DataWindowControl>(m_grid).get()) : nullptr;
        if (application && page) {
            const std::string page_no = std::to_string(fn::to_long(page->tag));
            auto rights = application->column_rights(fn::to_long(page->tag));
            if (!application->is_admin() && rights
                && column_access(*rights, page_no, changed.name) == ColumnAccess::Hidden)
                return refuse("您没有查看「" + changed.title + "」的权限。");
        }
    }

    std::size_t place = static_cast<std::size_t>(it - m_columns.begin());
    const std::string position = dialogs::typed(*form, "position");
    if (!position.empty()) {
        const long wanted = fn::is_number(position) ? static_cast<long>(fn::to_long(position)) : 0;
        if (wanted < 1 || wanted > static_cast<long>(m_columns.size()) || position.find('.') != std::string::npos)
            return refuse("“位置”要填 1 到 " + std::to_string(m_columns.size()) + " 之间的整数。");
        place = static_cast<std::size_t>(wanted - 1);
    }
    m_columns.erase(it);
    m_columns.insert(m_columns.begin() + static_cast<std::ptrdiff_t>(place), changed);

    for (const char* column : {"colname", "title", "shown", "position"})
        form->set_item(1, column, Value(std::string()));
    show_list(call);
    return true;
}

ScriptResult w_setshow::cb_apply_clicked(ScriptCall& call)
{
    apply_form(call);
    return no_return;
}

ScriptResult w_setshow::cb_ok_clicked(ScriptCall& call)
{
    auto* form = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    auto* grid = call.use(Ref<DataWindowControl>(m_grid), "w_setshow.dw");
    Desktop* desktop = Desktop::current();
    if (!form || !grid || !desktop)
        return no_return;
    // A setting typed but not yet applied is applied now.
    if (!dialogs::typed(*form, "colname").empty() && !apply_form(call))
        return no_return;

    lay_out_columns(*grid, m_columns);
    if (uo_tabpg_datawindow* page = page_of(*grid)) {
        fill_arrays(*page, m_columns);
        call.call(page->ref(), "wf_setsort");
    }
    if (auto* application = dynamic_cast<HearthApplication*>(Application::current())) {
        ColumnSettings settings = ColumnSettings::beside(application->column_looks());
        if (auto kept = settings.keep(application->globals().gs_userno, grid->dataobject(), m_columns); !kept)
            desktop->message_box(Value("警告信息"), Value("列设置没有保存：" + kept.error()), Icon::Exclamation);
    }
    dialogs::close_dialog(ref(), "1");
    return no_return;
}

ScriptResult w_setshow::cb_cancel_clicked(ScriptCall&)
{
    dialogs::close_dialog(ref(), "0");
    return no_return;
}

const ClassTable& _getVtableInfo_w_setshow()
{
    static const ClassTable table {
        "w_setshow",
        "w_response",
        make_object<w_setshow>,
        {{"dw_list", "datawindow", store_in<&w_setshow::dw_list>},
         {"dw_1", "datawindow", store_in<&w_setshow::dw_1>},
         {"cb_apply", "commandbutton", store_in<&w_setshow::cb_apply>},
         {"cb_ok", "commandbutton", store_in<&w_setshow::cb_ok>},
         {"cb_cancel", "commandbutton", store_in<&w_setshow::cb_cancel>}},
        {{own_group,
          "",
          {},
          {{0, "create", create_script}, {1, "destroy", destroy_script}, {38, "open", on_self<&w_setshow::open>}}},
         {32771, "cb_apply", {}, {{36, "clicked", on_parent<&w_setshow::cb_apply_clicked>}}},
         {32772, "cb_ok", {}, {{36, "clicked", on_parent<&w_setshow::cb_ok_clicked>}}},
         {32773, "cb_cancel", {}, {{36, "clicked", on_parent<&w_setshow::cb_cancel_clicked>}}}}};
    return table;
}

} // namespace hearth
