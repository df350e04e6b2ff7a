#include "app/player.h"

#include "app/app_classes.h"
#include "app/application.h"
#include "app/w_main.h"
#include "app/w_setshow.h"
#include "host/object/runtime.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "host/ui/window.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/library_classes.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace hearth {

namespace {

// ---- Reading a scenario ---------------------------------------------------------------------

// The actions the player knows: how many words follow the action's name, and how to use it.
struct ActionSpec {
    std::string_view name;
    std::size_t min_args;
    std::size_t max_args;
    std::string_view usage;
};

constexpr ActionSpec action_specs[] = {
    {"login", 2, 2, "login USER PASSWORD"},
    {"open", 1, 1, "open SHEET"},
    {"tab", 1, 1, "tab DATAOBJECT"},
    {"row", 1, 1, "row N"},
    {"press", 1, 1, "press BUTTON"},
    {"key", 1, 2, "key KEY [ctrl]"},
    {"dblclick", 1, 2, "dblclick OBJECT [ROW]"},
    {"rclick", 1, 2, "rclick OBJECT [ROW]"},
    {"menu", 1, 1, "menu ITEM"},
    {"answer", 1, 1, "answer N"},
    {"savename", 1, 1, "savename PATH|cancel"},
    {"color", 1, 1, "color N|cancel"},
    {"value", 1, 1, "value TEXT|cancel"},
    {"printer", 1, 1, "printer NAME|cancel"},
    {"pagesetup", 1, 3, "pagesetup PAPER ORIENTATION MARGINS|cancel"},
    {"type", 2, 2, "type COLUMN TEXT"},
    {"click", 1, 1, "click BUTTON"},
    {"show", 1, 2, "show status|tags|rows [COLUMN,...]|page|sort|menu|dialog|column NAME|list|grid|window"},
    {"drag", 2, 2, "drag FROM_BUTTON TO_BUTTON"},
    {"query", 2, 2, "query records|archive SELECT"},
    {"setting", 2, 2, "setting N VALUE"},
};

const ActionSpec* find_action(std::string_view name)
{
    for (const ActionSpec& spec : action_specs)
        if (spec.name == name)
            return &spec;
    return nullptr;
}

// The words of one line; ${NAME} is replaced inside and outside quotes.
Result<std::vector<std::string>> split_words(std::string_view line, const EnvLookup& env)
{
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
            if (in_word)
                words.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else if (c == '$' && i + 1 < line.size() && line[i + 1] == '{') {
            const std::size_t close = line.find('}', i + 2);
            if (close == std::string_view::npos)
                return Result<std::vector<std::string>>::failure("${ 没有配对的 }");
            const std::string name(line.substr(i + 2, close - i - 2));
            const std::optional<std::string> value = env(name);
            if (!value)
                return Result<std::vector<std::string>>::failure("环境变量没有设置：" + name);
            word += *value;
            in_word = true;
            i = close;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (quoted)
        return Result<std::vector<std::string>>::failure("引号没有配对");
    if (in_word)
        words.push_back(std::move(word));
    return words;
}

// ---- What the user sees -----------------------------------------------------------------------

std::string one_line(std::string text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n' || text[i] == '\r')
            out += "\\n";
        else
            out += text[i];
    }
    return out;
}

class Transcript : public DesktopObserver {
public:
    // Paths under `files` (a folder; "" for none) are printed relative to it, so that a
    // scenario that writes into a scratch folder prints the same lines wherever that lies.
    Transcript(std::ostream& out, std::string files) : m_out(out), m_files(std::move(files))
    {
        if (!m_files.empty() && !m_files.ends_with('/'))
            m_files += '/';
    }

    void message_box(const MessageBoxRecord& box) override
    {
        line(fmt::format("message {} | {} -> {}", one_line(box.title), one_line(box.text), box.answer));
    }
    void window_opened(const std::string& class_name, const std::string& parameter) override
    {
        line(parameter.empty() ? "open " + class_name : fmt::format("open {} {}", class_name, one_line(parameter)));
    }
    void menu_popped(const PoppedMenu& menu) override { line(fmt::format("menu {} {} {}", menu.name, menu.x, menu.y)); }
    void status_shown(const std::string& text) override { line("status " + one_line(text)); }
    void retrieving(const std::string& select) override { line("select " + one_line(select)); }
    void file_written(const std::string& path) override { line("file " + path); }
    void color_dialog(const ColorDialogRecord& dialog) override
    {
        line(dialog.result == 1 ? fmt::format("color {} -> {}", dialog.initial, dialog.chosen)
                                : fmt::format("color {} -> cancel", dialog.initial));
    }
    void text_dialog(const TextDialogRecord& dialog) override
    {
        line(fmt::format("ask {} | {} -> {}", one_line(dialog.title), one_line(dialog.prompt),
                         dialog.result == 1 ? one_line(dialog.text) : "cancel"));
    }

    void print_dialog(const PrintDialogRecord& dialog) override
    {
        line(fmt::format("print {} -> {}", dialog.offered, dialog.result == 1 ? dialog.chosen : "cancel"));
    }
    void page_setup_dialog(const PageSetupDialogRecord& dialog) override
    {
        const PageSetupChoice& c = dialog.chosen;
        line(dialog.result == 1 ? fmt::format("pagesetup {} -> paper {} orientation {} margins {},{},{},{}",
                                              dialog.printer, c.paper, c.orientation, c.left, c.top, c.right, c.bottom)
                                : fmt::format("pagesetup {} -> cancel", dialog.printer));
    }

    void line(std::string text)
    {
        if (!m_files.empty())
            for (std::size_t at = text.find(m_files); at != std::string::npos; at = text.find(m_files, at))
                text.erase(at, m_files.size());
        m_out << text << '\n';
    }
    bool good() const { return static_cast<bool>(m_out); }

private:
    std::ostream& m_out;
    std::string m_files;
};

// ---- Doing the actions --------------------------------------------------------------------

using Done = Result<void>;
Done fail(std::string why) { return Done::failure(std::move(why)); }

bool same_name(std::string_view a, std::string_view b) { return lower_name(a) == lower_name(b); }

std::optional<long> whole_number(std::string_view text)
{
    long number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

std::int32_t number_of(DataWindowBase& dw, const std::string& property)
{
    return static_cast<std::int32_t>(whole_number(dw.describe(property)).value_or(0));
}

// Where an object of a DataWindow lies: its band and its box inside the band.
struct Placement {
    std::string band;
    std::int32_t x = 0, y = 0, width = 0, height = 0;
};

std::optional<Placement> placement(DataWindowBase& dw, const std::string& name)
{
    // An object's name is a word; anything else would read as more than one Describe item.
    const auto word = [](unsigned char c) { return std::isalnum(c) || c == '_'; };
    if (name.empty() || !std::all_of(name.begin(), name.end(), word))
        return std::nullopt;
    const std::string type = dw.describe(name + ".type");
    if (type.empty() || type == "!" || type == "?")
        return std::nullopt;
    Placement at;
    at.band = dw.describe(name + ".band");
    at.x = number_of(dw, name + ".x");
    at.y = number_of(dw, name + ".y");
    at.width = number_of(dw, name + ".width");
    at.height = number_of(dw, name + ".height");
    return at;
}

// The names of a DataWindow's objects, in the object's order.
std::vector<std::string> object_names(DataWindowBase& dw)
{
    std::vector<std::string> names;
    std::istringstream list(dw.describe("datawindow.objects"));
    for (std::string name; std::getline(list, name, '\t');)
        if (!name.empty())
            names.push_back(name);
    return names;
}

// A key by its name: A-Z, F1-F12, Enter, Tab.
std::optional<std::int32_t> key_code(std::string_view name)
{
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])))
        return std::toupper(static_cast<unsigned char>(name[0]));
    if (same_name(name, "enter"))
        return key_enter;
    if (same_name(name, "tab"))
        return key_tab;
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f'))
        if (const auto n = whole_number(name.substr(1)); n && *n >= 1 && *n <= 12)
            return static_cast<std::int32_t>(111 + *n); // F1 is 112
    return std::nullopt;
}

class Player {
public:
    Player(Runtime& runtime, Desktop& desktop, HearthApplication& application, Transcript& transcript)
        : m_runtime(runtime), m_desktop(desktop), m_application(application), m_transcript(transcript)
    {
    }

    // Runs the scenario's actions in order; the first that cannot be done ends the play.
    // Returns the failure with the line it happened on.
    std::optional<std::pair<int, std::string>> run_all(const std::vector<ScenarioAction>& actions)
    {
        m_actions = &actions;
        m_next = 0;
        for (const char* dialog : modal_dialogs)
            m_desktop.set_response_handler(dialog,
                                           [this](Desktop&, const ObjectRef& window) { run_while_open(window); });
        while (!m_failure && m_next < m_actions->size())
            run_next();
        for (const char* dialog : modal_dialogs)
            m_desktop.set_response_handler(dialog, {});
        return m_failure;
    }

private:
    // The dialogs that hold the user as a modal window does: while one is open the following
    // actions go to it, and the script that opened it goes on only once it has closed (or
    // the scenario has ended).
    static constexpr const char* modal_dialogs[]
        = {"w_setshow", "w_filter", "w_datawindow_sort", "w_print_preview", "w_locklogin", "w_agent"};

    void run_next()
    {
        const ScenarioAction& action = (*m_actions)[m_next++];
        if (auto done = run(action.words); !done && !m_failure)
            m_failure = std::make_pair(action.line, done.error());
        else if (!m_failure && !m_transcript.good())
            m_failure = std::make_pair(action.line, std::string("写不出结果"));
    }

    void run_while_open(const ObjectRef& window)
    {
        while (!m_failure && window.is_valid() && m_next < m_actions->size())
            run_next();
    }

    Done run(const std::vector<std::string>& words)
    {
        const std::string& action = words[0];
        const std::vector<std::string> args(words.begin() + 1, words.end());
        const std::size_t errors_before = m_runtime.error_log().size();
        Done done = dispatch(action, args);
        if (!done)
            return done;
        // A script that stopped on a runtime error is a fault the user would see as one.
        for (std::size_t i = errors_before; i < m_runtime.error_log().size(); ++i) {
            const ErrorRecord& error = m_runtime.error_log()[i];
            if (error.handling == ErrorHandling::Unhandled)
                return fail(fmt::format("脚本出错 {}：{}（{}.{}：{}）", static_cast<int>(error.code), error.text,
                                        error.class_name, error.script, error.context));
        }
        return {};
    }

    Done dispatch(const std::string& action, const std::vector<std::string>& args)
    {
        if (action == "login")
            return login(args[0], args[1]);
        if (action == "open")
            return open(args[0]);
        if (action == "tab")
            return tab(args[0]);
        if (action == "row")
            return row(args[0]);
        if (action == "press")
            return press(args[0]);
        if (action == "key")
            return key(args);
        if (action == "dblclick" || action == "rclick")
            return click_object(action, args);
        if (action == "menu")
            return menu(args[0]);
        if (action == "answer")
            return answer(args[0]);
        if (action == "savename")
            return savename(args[0]);
        if (action == "color")
            return color(args[0]);
        if (action == "value")
            return value(args[0]);
        if (action == "printer")
            return printer(args[0]);
        if (action == "pagesetup")
            return pagesetup(args);
        if (action == "type")
            return type(args[0], args[1]);
        if (action == "click")
            return click(args[0]);
        if (action == "drag")
            return drag(args[0], args[1]);
        if (action == "query")
            return query(args[0], args[1]);
        if (action == "setting")
            return setting(args[0], args[1]);
        return show(args);
    }

    AppGlobals& globals() { return m_application.globals(); }

    Done login(const std::string& user, const std::string& password)
    {
        if (auto done = m_application.login(user, password); !done)
            return fail("登录失败：" + done.error());
        if (!globals().w_main.is_valid()) {
            ObjectRef main;
            if (m_desktop.open(main, "w_main") != 1 || !main.is_valid())
                return fail("主窗口打不开");
            globals().w_main = main;
        }
        return {};
    }

    Done open(const std::string& sheet)
    {
        auto* frame = dynamic_cast<w_main*>(globals().w_main.get());
        if (!frame)
            return fail("请先登录：" + sheet);
        const ClassInfo* cls = m_runtime.registry().find(sheet);
        if (!cls || cls->origin() == ClassOrigin::Nested || !frame->open_sheet(sheet).is_valid())
            return fail("没有这个窗口：" + sheet);
        return {};
    }

    // The page in front and its DataWindow.
    Result<uo_tabpg_datawindow*> page_in_front()
    {
        auto* page = dynamic_cast<uo_tabpg_datawindow*>(globals().guo_tabpg_now.get());
        if (!page || !page->dw_1.is_valid())
            return Result<uo_tabpg_datawindow*>::failure("前面没有打开的页");
        return page;
    }

    // Finds the page showing `dataobject` under `object` (depth first) and the tab holding it.
    static bool find_page(Object& object, const std::string& dataobject, ObjectRef& tab, std::int32_t& index)
    {
        if (auto* control = dynamic_cast<Tab*>(&object)) {
            const auto& pages = control->control();
            for (std::size_t i = 0; i < pages.size(); ++i) {
                auto* page = dynamic_cast<uo_tabpg_datawindow*>(pages[i].get());
                if (page && page->dw_1.is_valid() && same_name(page->dw_1.get()->dataobject(), dataobject)) {
                    tab = control->ref();
                    index = static_cast<std::int32_t>(i + 1);
                    return true;
                }
            }
        }
        for (const ObjectRef& child : object.control())
            if (Object* c = child.get(); c && c->parent().get() == &object && find_page(*c, dataobject, tab, index))
                return true;
        return false;
    }

    Done tab(const std::string& dataobject)
    {
        const std::vector<ObjectRef> windows = m_desktop.windows();
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            ObjectRef tab_control;
            std::int32_t index = 0;
            if (Object* window = it->get(); window && find_page(*window, dataobject, tab_control, index)) {
                m_desktop.click_tab(tab_control, index);
                return {};
            }
        }
        return fail("没有显示这个数据窗口的页：" + dataobject);
    }

    // The y of the middle of `row` in the detail band, scrolling it into view first as the
    // user would with the scroll bar.
    static std::int32_t row_y(DataWindowControl& dw, long row, std::int32_t inside)
    {
        const std::int32_t header = number_of(dw, "datawindow.header.height");
        const std::int32_t detail = std::max(1, number_of(dw, "datawindow.detail.height"));
        const long visible = std::max<long>(1, (dw.height - header) / detail);
        if (row < dw.first_row || row >= dw.first_row + visible)
            dw.first_row = row;
        return static_cast<std::int32_t>(header + (row - dw.first_row) * detail + inside);
    }

    // The x of a point in a row over the first visible column of the detail band.
    static std::int32_t column_x(DataWindowControl& dw)
    {
        for (const std::string& name : object_names(dw))
            if (dw.describe(name + ".type") == "column" && dw.describe(name + ".band") == "detail"
                && dw.describe(name + ".visible") != "0")
                return number_of(dw, name + ".x") + number_of(dw, name + ".width") / 2;
        return 1;
    }

    // The DataWindow with the focus in a response window in front (a dialog's list), if any.
    DataWindowControl* dialog_datawindow()
    {
        const std::vector<ObjectRef> windows = m_desktop.windows();
        auto* focused = dynamic_cast<DataWindowControl*>(m_desktop.focus().get());
        if (!focused || windows.empty())
            return nullptr;
        auto* window = dynamic_cast<Window*>(windows.back().get());
        return window && window->windowtype == WindowType::Response && Desktop::window_of(focused) == window ? focused
                                                                                                             : nullptr;
    }

    Done row(const std::string& text)
    {
        DataWindowControl* list = dialog_datawindow();
        auto page = page_in_front();
        if (!list && !page)
            return page;
        DataWindowControl& dw = list ? *list : *(*page)->dw_1.get();
        const std::optional<long> row = whole_number(text);
        if (!row || *row < 1 || *row > dw.row_count())
            return fail("没有这一行：row " + text);
        const std::int32_t detail = number_of(dw, "datawindow.detail.height");
        const std::int32_t y = row_y(dw, *row, std::max(1, detail / 2));
        const std::int32_t x = column_x(dw);
        if (Desktop::hit_test(dw, x, y).row != *row)
            return fail("这一行不在窗口里：row " + text);
        const ObjectRef target = dw.ref();
        m_desktop.mouse_down(target, x, y);
        m_desktop.mouse_up(target, x, y);
        return {};
    }

    Done press(const std::string& button)
    {
        auto* toolbar = dynamic_cast<DataWindowControl*>(w_main_dw_tool(globals()).get());
        if (!toolbar)
            return fail("没有工具栏");
        const std::optional<Placement> at = placement(*toolbar, button);
        if (!at || at->band != "header" || !button.starts_with("p_"))
            return fail("工具栏上没有这个按钮：" + button);
        const std::int32_t x = at->x + at->width / 2;
        const std::int32_t y = at->y + at->height / 2;
        m_desktop.mouse_down(toolbar->ref(), x, y);
        m_desktop.mouse_up(toolbar->ref(), x, y);
        return {};
    }

    // Presses the left button on toolbar button `from`, moves to `to` with the button held and
    // releases it there.
    Done drag(const std::string& from, const std::string& to)
    {
        auto* toolbar = dynamic_cast<DataWindowControl*>(w_main_dw_tool(globals()).get());
        if (!toolbar)
            return fail("没有工具栏");
        std::pair<std::int32_t, std::int32_t> points[2];
        for (int i = 0; i < 2; ++i) {
            const std::string& button = i == 0 ? from : to;
            const std::optional<Placement> at = placement(*toolbar, button);
            if (!at || at->band != "header" || !button.starts_with("p_"))
                return fail("工具栏上没有这个按钮：" + button);
            points[i] = {at->x + at->width / 2, at->y + at->height / 2};
        }
        m_desktop.mouse_down(toolbar->ref(), points[0].first, points[0].second);
        m_desktop.mouse_move(toolbar->ref(), points[1].first, points[1].second, mouse_left_button);
        m_desktop.mouse_up(toolbar->ref(), points[1].first, points[1].second);
        return {};
    }

    // The rows of a SELECT on the records or the archive database, one line each. A moment
    // (a timestamp such as SaveTime) prints only whether it is set, and numbers without
    // trailing zeros, so that both backends and every run print the same lines.
    Done query(const std::string& database, const std::string& select)
    {
        Transaction* transaction = database == "records" ? &globals().sqlca
            : database == "archive"                      ? &globals().photosqlca
                                                         : nullptr;
        if (!transaction)
            return fail("用法：query records|archive SELECT");
        // A transaction the application left open is its own to end; only a read transaction
        // of this query is ended here, so that it holds no lock.
        const bool was_open = transaction->in_transaction();
        std::vector<std::string> lines;
        const long read = transaction->query(select, {}, [&](const sql::ResultRow& row) {
            std::string line;
            for (int column = 0; column < row.column_count(); ++column) {
                if (column > 0)
                    line += " | ";
                line += cell_text(row, column);
            }
            lines.push_back(std::move(line));
            return RowAction::Continue;
        });
        if (read < 0) {
            const std::string why = transaction->sql_err_text();
            if (!was_open && transaction->in_transaction())
                transaction->rollback();
            return fail("查询出错：" + why);
        }
        if (!was_open && transaction->in_transaction())
            transaction->commit();
        m_transcript.line(fmt::format("query {} {}", database, lines.size()));
        for (const std::string& line : lines)
            m_transcript.line("  " + one_line(line));
        return {};
    }

    static std::string cell_text(const sql::ResultRow& row, int column)
    {
        switch (row.kind(column)) {
        case sql::CellKind::Null: return "(空)";
        case sql::CellKind::Integer:
        case sql::CellKind::Boolean: return std::to_string(row.int64(column));
        case sql::CellKind::Float: return trimmed_number(fmt::format("{:.6f}", row.real(column)));
        case sql::CellKind::Numeric: return trimmed_number(std::string(row.text(column)));
        case sql::CellKind::Blob: return fmt::format("(二进制 {} 字节)", row.blob(column).size());
        case sql::CellKind::Text: break;
        }
        const std::string_view text = row.text(column);
        // A date followed by a time of day: "2026-12-09 23:32:52.4" or "2026-12-09T23:32".
        const auto digits = [&](std::size_t from, std::size_t count) {
            return text.size() >= from + count
                && std::all_of(text.begin() + static_cast<long>(from), text.begin() + static_cast<long>(from + count),
                               [](char c) { return c >= '0' && c <= '9'; });
        };
        if (text.size() >= 16 && digits(0, 4) && text[4] == '-' && digits(5, 2) && text[7] == '-' && digits(8, 2)
            && (text[10] == ' ' || text[10] == 'T') && digits(11, 2) && text[13] == ':')
            return "(时间)";
        return std::string(text);
    }

    // "85.50" and "85.5" alike as 85.5; "4.00" as 4.
    static std::string trimmed_number(std::string text)
    {
        if (text.find('.') == std::string::npos)
            return text;
        while (text.ends_with('0'))
            text.pop_back();
        if (text.ends_with('.'))
            text.pop_back();
        return text;
    }

    // Work parameter N (gs_workparm[N]) set to VALUE as the administrator's settings do: in
    // the settings table and in the running application.
    Done setting(const std::string& number_text, const std::string& value)
    {
        const std::optional<long> number = whole_number(number_text);
        if (!number || *number < 1 || *number > 1000)
            return fail("用法：setting N VALUE（N 从 1 到 1000）");
        Transaction& sqlca = globals().sqlca;
        const long written
            = sqlca.execute("UPDATE TC_SYS_WorkParm SET ParmValue = :value WHERE ParmNo = :number",
                            {{"value", Value(value)}, {"number", Value::long_(static_cast<std::int32_t>(*number))}});
        if (written != 0 || sqlca.sql_nrows() != 1) {
            const std::string why = written != 0 ? sqlca.sql_err_text() : "没有这个系统参数：" + number_text;
            sqlca.rollback();
            return fail("系统参数没有保存：" + why);
        }
        if (sqlca.commit() != 0)
            return fail("系统参数没有保存：" + sqlca.sql_err_text());
        std::vector<std::string>& parameters = globals().gs_workparm;
        if (parameters.size() < static_cast<std::size_t>(*number))
            parameters.resize(static_cast<std::size_t>(*number));
        parameters[static_cast<std::size_t>(*number - 1)] = value;
        return {};
    }

    Done key(const std::vector<std::string>& args)
    {
        const std::optional<std::int32_t> code = key_code(args[0]);
        if (!code)
            return fail("不认识这个键：" + args[0]);
        if (args.size() > 1 && !same_name(args[1], "ctrl"))
            return fail("用法：key KEY [ctrl]");
        m_desktop.key_down(*code, args.size() > 1 ? key_ctrl : 0);
        return {};
    }

    Done click_object(const std::string& action, const std::vector<std::string>& args)
    {
        auto page = page_in_front();
        if (!page)
            return page;
        DataWindowControl& dw = *(*page)->dw_1.get();
        const std::string& name = args[0];
        long row = dw.get_row();
        if (args.size() > 1) {
            const std::optional<long> given = whole_number(args[1]);
            if (!given || *given < 1 || *given > dw.row_count())
                return fail("没有这一行：row " + args[1]);
            row = *given;
        }
        std::int32_t x = 0, y = 0;
        if (same_name(name, "datawindow")) {
            // Right of every object, in the row's detail band (below the rows without one).
            for (const std::string& object : object_names(dw))
                if (auto at = placement(dw, object))
                    x = std::max(x, at->x + at->width + 20);
            if (row >= 1)
                y = row_y(dw, row, 1);
            else
                y = number_of(dw, "datawindow.header.height")
                    + static_cast<std::int32_t>(dw.row_count()) * number_of(dw, "datawindow.detail.height") + 1;
        } else {
            const std::optional<Placement> at = placement(dw, name);
            if (!at)
                return fail("没有这个对象：" + name);
            if (dw.describe(name + ".visible") == "0")
                return fail("这个对象没有显示：" + name);
            x = at->x + at->width / 2;
            if (at->band == "header") {
                y = at->y + at->height / 2;
            } else if (at->band == "detail") {
                if (row < 1)
                    return fail("没有当前行：" + name);
                y = row_y(dw, row, at->y + at->height / 2);
            } else {
                return fail("不能点这个对象：" + name);
            }
            if (!same_name(Desktop::hit_test(dw, x, y).name, name))
                return fail("这个对象被盖住了：" + name);
        }
        if (action == "dblclick")
            m_desktop.double_click(dw.ref(), x, y);
        else
            m_desktop.right_down(dw.ref(), x, y);
        return {};
    }

    Done menu(const std::string& item)
    {
        const auto& popped = m_desktop.popped_menus();
        if (popped.empty() || !popped.back().menu)
            return fail("还没有弹出菜单：" + item);
        std::shared_ptr<Menu> chosen = popped.back().menu->find(item);
        if (!chosen) {
            // By its text, without the accelerator's ampersand.
            std::function<std::shared_ptr<Menu>(const Menu&)> by_text = [&](const Menu& menu) {
                for (const auto& entry : menu.items()) {
                    std::string text = entry->text;
                    std::erase(text, '&');
                    if (text == item)
                        return entry;
                    if (auto found = by_text(*entry))
                        return found;
                }
                return std::shared_ptr<Menu>();
            };
            chosen = by_text(*popped.back().menu);
        }
        if (!chosen)
            return fail("菜单里没有这一项：" + item);
        if (chosen->choose() != 1)
            return fail("这个菜单项不能用：" + item);
        return {};
    }

    Done answer(const std::string& text)
    {
        const std::optional<long> button = whole_number(text);
        if (!button || *button < 1 || *button > 3)
            return fail("用法：answer N（按钮 1 到 3）");
        m_desktop.answer_message_box(static_cast<int>(*button));
        return {};
    }

    Done savename(const std::string& path)
    {
        m_desktop.answer_file_dialog(path == "cancel" ? FileAnswer::cancel() : FileAnswer::chosen(path));
        return {};
    }

    // The colour the user picks in the next colour dialog: a colour value (RGB(r,g,b) as the
    // runtime computes it, r + 256 g + 65536 b), or cancel.
    Done color(const std::string& text)
    {
        if (text == "cancel") {
            m_desktop.answer_color_dialog(std::nullopt);
            return {};
        }
        const std::optional<long> chosen = whole_number(text);
        if (!chosen || *chosen < 0 || *chosen > 0xFFFFFF)
            return fail("用法：color N|cancel（颜色值 0 到 16777215）");
        m_desktop.answer_color_dialog(static_cast<std::int32_t>(*chosen));
        return {};
    }

    // The text the user enters in the next dialog asking for a value, or cancel.
    Done value(const std::string& text)
    {
        m_desktop.answer_text_dialog(text == "cancel" ? std::nullopt : std::optional<std::string>(text));
        return {};
    }

    // The printer the user picks in the next print dialog ("" keeps the one offered), or cancel.
    Done printer(const std::string& name)
    {
        m_desktop.answer_print_dialog(name == "cancel" ? std::nullopt : std::optional<std::string>(name));
        return {};
    }

    // The next page setup dialog: a paper code, portrait or landscape (1 or 2), and the margins
    // in whole millimetres, one for all sides or left,top,right,bottom; or cancel.
    Done pagesetup(const std::vector<std::string>& args)
    {
        if (args.size() == 1 && args[0] == "cancel") {
            m_desktop.answer_page_setup_dialog(std::nullopt);
            return {};
        }
        const auto usage
            = [&] { return fail("用法：pagesetup 纸张代码 portrait|landscape 页边距毫米[,上,右,下]|cancel"); };
        if (args.size() != 3)
            return usage();
        const std::optional<long> paper = whole_number(args[0]);
        const std::int16_t orientation = args[1] == "portrait" || args[1] == "1" ? 1
            : args[1] == "landscape" || args[1] == "2"                           ? 2
                                                                                 : 0;
        std::vector<long> margins;
        for (std::size_t start = 0; start <= args[2].size();) {
            const std::size_t end = std::min(args[2].find(',', start), args[2].size());
            const std::optional<long> mm = whole_number(std::string_view(args[2]).substr(start, end - start));
            if (!mm || *mm < 0 || *mm > 1000)
                return usage();
            margins.push_back(*mm * 100);
            start = end + 1;
        }
        if (!paper || *paper < 1 || *paper > 32767 || orientation == 0 || (margins.size() != 1 && margins.size() != 4))
            return usage();
        if (margins.size() == 1)
            margins.assign(4, margins[0]);
        m_desktop.answer_page_setup_dialog(
            PageSetupChoice {static_cast<std::int16_t>(*paper), orientation, static_cast<std::int32_t>(margins[0]),
                             static_cast<std::int32_t>(margins[1]), static_cast<std::int32_t>(margins[2]),
                             static_cast<std::int32_t>(margins[3])});
        return {};
    }

    // The DataWindow a typed text goes to: the one with the focus in the window in front, else
    // the page in front.
    DataWindowControl* edited_datawindow()
    {
        const std::vector<ObjectRef> windows = m_desktop.windows();
        auto* focused = dynamic_cast<DataWindowControl*>(m_desktop.focus().get());
        if (focused && !windows.empty() && Desktop::window_of(focused) == windows.back().get())
            return focused;
        auto* page = dynamic_cast<uo_tabpg_datawindow*>(globals().guo_tabpg_now.get());
        return page ? page->dw_1.get() : nullptr;
    }

    Done type(const std::string& column, const std::string& text)
    {
        DataWindowControl* dw = edited_datawindow();
        if (!dw)
            return fail("没有可以输入的数据窗口");
        if (dw->get_row() < 1)
            return fail("没有当前行：" + column);
        // Moving to another column keeps what was typed in the last one, as a click there would.
        if (dw->has_pending_edit() && dw->accept_text() != 1)
            return fail("上一列的输入不合适：" + column);
        if (m_desktop.set_focus(dw->ref()) != 1 || dw->set_column(column) != 1)
            return fail("没有这一列：" + column);
        if (m_desktop.type_text(text) != 1)
            return fail("这一列不能输入：" + column);
        return {};
    }

    // A command button of the window in front, found by its control name at any depth.
    Done click(const std::string& name)
    {
        const std::vector<ObjectRef> windows = m_desktop.windows();
        if (windows.empty())
            return fail("没有打开的窗口：" + name);
        std::function<ObjectRef(const Object&)> find = [&](const Object& parent) {
            for (const ObjectRef& control : parent.control()) {
                if (!control.is_valid())
                    continue;
                if (same_name(control.get()->class_name(), name) && dynamic_cast<CommandButton*>(control.get()))
                    return control;
                if (ObjectRef found = find(*control.get()); found.is_valid())
                    return found;
            }
            return ObjectRef();
        };
        const ObjectRef button = find(*windows.back().get());
        if (!button.is_valid())
            return fail("窗口里没有这个按钮：" + name);
        if (m_desktop.click_button(button) != 1)
            return fail("这个按钮不能用：" + name);
        return {};
    }

    Done show(const std::vector<std::string>& args)
    {
        const std::string& what = args[0];
        if (args.size() > 1 && what != "rows" && what != "column")
            return fail("用法：show status|tags|rows [COLUMN,...]|page|sort|menu|dialog|column NAME|list|grid|window");
        if (what == "status") {
            const auto& texts = m_desktop.status_texts();
            m_transcript.line("status " + (texts.empty() ? std::string() : one_line(texts.back())));
            return {};
        }
        if (what == "tags") {
            auto* toolbar = dynamic_cast<DataWindowControl*>(w_main_dw_tool(globals()).get());
            if (!toolbar)
                return fail("没有工具栏");
            std::string line = "tags";
            for (const std::string& name : object_names(*toolbar))
                if (name.starts_with("p_") && toolbar->describe(name + ".type") == "bitmap")
                    line += fmt::format(" {}={}", name, toolbar->describe(name + ".tag"));
            m_transcript.line(line);
            return {};
        }
        if (what == "dialog") {
            // The file dialog last shown: its title, default extension and filter, and the answer.
            const auto& dialogs = m_desktop.file_dialogs();
            if (dialogs.empty())
                return fail("还没有文件对话框");
            const FileDialogRecord& dialog = dialogs.back();
            m_transcript.line(
                fmt::format("dialog {} | {} | {} -> {}", dialog.title, dialog.extension, dialog.filter,
                            dialog.result == 1 ? dialog.chosen : (dialog.result == 0 ? "cancel" : "error")));
            return {};
        }
        if (what == "menu") {
            // The items of the menu last shown, each with 1 when it can be chosen, else 0.
            const auto& popped = m_desktop.popped_menus();
            if (popped.empty() || !popped.back().menu)
                return fail("还没有弹出菜单");
            std::string line = "items";
            for (const auto& item : popped.back().menu->items())
                line += fmt::format(" {}={}", item->name, item->enabled && item->visible ? 1 : 0);
            m_transcript.line(line);
            return {};
        }
        if (what == "rows" || what == "page" || what == "sort" || what == "column") {
            auto page = page_in_front();
            if (!page)
                return page;
            DataWindowControl& dw = *(*page)->dw_1.get();
            if (what == "column") {
                if (args.size() < 2 || !placement(dw, args[1]))
                    return fail("用法：show column NAME（页上的一个对象）");
                const std::string& name = args[1];
                m_transcript.line(fmt::format("column {} color={} alignment={}", name, dw.describe(name + ".color"),
                                              dw.describe(name + ".alignment")));
            } else if (what == "sort") {
                m_transcript.line("sort " + dw.describe("datawindow.table.sort"));
            } else {
                m_transcript.line(what == "rows"
                                      ? fmt::format("rows {}", dw.row_count())
                                      : fmt::format("page {} {}/{}", dw.dataobject(), dw.get_row(), dw.row_count()));
                if (args.size() > 1)
                    return show_values(dw, args[1]);
            }
            return {};
        }
        if (what == "list") {
            // The rows of the list in the dialog in front, one line each.
            DataWindowControl* list = dialog_datawindow();
            if (!list)
                return fail("前面没有对话框的列表");
            const long columns = fn::to_long(list->describe("datawindow.column.count"));
            m_transcript.line(fmt::format("list {} {}/{}", list->dataobject(), list->get_row(), list->row_count()));
            for (long row = 1; row <= list->row_count(); ++row) {
                std::string line;
                for (long column = 1; column <= columns; ++column) {
                    const int id = static_cast<int>(column);
                    const std::string type = list->describe(fmt::format("#{}.coltype", column));
                    const bool moment = type.starts_with("datetime") || type.starts_with("timestamp");
                    const Value item = type.starts_with("char") ? list->get_item_string(row, id)
                        : moment                                ? list->get_item_datetime(row, id)
                        : type.starts_with("date")              ? list->get_item_date(row, id)
                        : type.starts_with("deci")              ? list->get_item_decimal(row, id)
                                                                : list->get_item_number(row, id);
                    // A moment prints only that it is there, as query does.
                    const std::string text = item.is_null() ? std::string("(空)")
                        : moment                            ? std::string("(时间)")
                                                            : fn::to_string(item).as_string();
                    line += (column > 1 ? " | " : "  ") + text;
                }
                m_transcript.line(one_line(line));
            }
            return {};
        }
        if (what == "grid")
            return show_grid();
        if (what == "window")
            return show_window();
        return fail("用法：show status|tags|rows [COLUMN,...]|page|sort|menu|dialog|column NAME|list|grid|window");
    }

    // The given columns of every row, as the user reads them; the current row is marked.
    Done show_values(DataWindowControl& dw, const std::string& list)
    {
        std::vector<std::string> columns;
        std::istringstream names(list);
        for (std::string name; std::getline(names, name, ',');)
            if (dw.describe(name + ".coltype") == "!")
                return fail("没有这一列：" + name);
            else
                columns.push_back(name);
        for (long row = 1; row <= dw.row_count(); ++row) {
            std::string line = fmt::format("{}{}", row == dw.get_row() ? "> " : "  ", row);
            for (const std::string& column : columns)
                line += " | " + one_line(dw.describe(fmt::format("evaluate('string({})', {})", column, row)));
            m_transcript.line(line);
        }
        return {};
    }

    // The grid of the page in front as the user sees its top: the titles of the columns it
    // shows, left to right, then its first three rows.
    Done show_grid()
    {
        auto page = page_in_front();
        if (!page)
            return page;
        DataWindowControl& dw = *(*page)->dw_1.get();
        std::vector<ShownColumn> columns = shown_columns(dw);
        std::erase_if(columns, [](const ShownColumn& column) { return !column.visible; });
        std::string line = "grid";
        for (std::size_t i = 0; i < columns.size(); ++i)
            line += (i ? " | " : " ") + columns[i].title;
        m_transcript.line(line);
        for (long row = 1; row <= std::min(3L, dw.row_count()); ++row) {
            line = fmt::format("grid {}:", row);
            for (std::size_t i = 0; i < columns.size(); ++i)
                line += (i ? " | " : " ") + item_text(dw, row, columns[i].name);
            m_transcript.line(line);
        }
        return {};
    }

    // The window in front as the user reads it: its title, its texts and the rows of its
    // DataWindows, one line each, depth first in the order of its controls.
    Done show_window()
    {
        const std::vector<ObjectRef> windows = m_desktop.windows();
        if (windows.empty()) {
            m_transcript.line("window -");
            return {};
        }
        const Object& front = *windows.back().get();
        const auto* window = dynamic_cast<const Window*>(&front);
        m_transcript.line(fmt::format("window {} {}", front.class_name(), window ? one_line(window->title) : ""));
        std::function<void(const Object&)> show_controls = [&](const Object& parent) {
            for (const ObjectRef& control : parent.control()) {
                Object* object = control.get();
                auto* visual = dynamic_cast<VisualObject*>(object);
                if (!visual || !visual->visible)
                    continue;
                if (auto* text = dynamic_cast<StaticText*>(object))
                    m_transcript.line(fmt::format("text {} {}", object->class_name(), one_line(text->text)));
                else if (auto* dw = dynamic_cast<DataWindowControl*>(object))
                    show_rows(*dw);
                else if (auto* button = dynamic_cast<CommandButton*>(object))
                    m_transcript.line(fmt::format("button {} {}{}", object->class_name(), one_line(button->text),
                                                  button->enabled ? "" : " (不能用)"));
                show_controls(*object);
            }
        };
        show_controls(front);
        return {};
    }

    // Each row of a DataWindow: its number and its columns' values, separated by " | ".
    void show_rows(DataWindowControl& dw)
    {
        const std::int32_t columns = number_of(dw, "datawindow.column.count");
        for (long row = 1; row <= dw.row_count(); ++row) {
            std::string line = fmt::format("{} {}:", dw.class_name(), row);
            for (std::int32_t column = 1; column <= columns; ++column) {
                const std::string ref = fmt::format("#{}", column);
                // A password shows as the edit shows it: not at all.
                const bool secret = dw.describe(ref + ".edit.password") == "yes";
                line += (column == 1 ? " " : " | ") + (secret ? std::string("***") : item_text(dw, row, ref));
            }
            m_transcript.line(line);
        }
    }

    // An item as text: numbers in their shortest form, dates yyyy-mm-dd, null as nothing.
    static std::string item_text(DataWindowControl& dw, long row, const std::string& column)
    {
        return one_line(dw.describe(fmt::format("evaluate('if(isnull({0}), \"\", string({0}))', {1})", column, row)));
    }

    Runtime& m_runtime;
    Desktop& m_desktop;
    HearthApplication& m_application;
    Transcript& m_transcript;
    const std::vector<ScenarioAction>* m_actions = nullptr;
    std::size_t m_next = 0;
    std::optional<std::pair<int, std::string>> m_failure;
};

} // namespace

Result<std::vector<ScenarioAction>> parse_scenario(std::string_view text, const EnvLookup& env)
{
    using Actions = Result<std::vector<ScenarioAction>>;
    std::vector<ScenarioAction> actions;
    // Editors on some systems begin a UTF-8 file with a byte order mark.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        ++number;
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        auto words = split_words(line, env);
        if (!words)
            return Actions::failure(fmt::format("{}: {}", number, words.error()));
        const ActionSpec* spec = find_action(words->front());
        if (!spec)
            return Actions::failure(fmt::format("{}: 没有这个动作：{}", number, words->front()));
        const std::size_t args = words->size() - 1;
        if (args < spec->min_args || args > spec->max_args)
            return Actions::failure(fmt::format("{}: 用法：{}", number, spec->usage));
        actions.push_back({number, std::move(*words)});
    }
    return actions;
}

int play(const PlayOptions& options, ClassRegistry& registry, std::ostream& out, std::ostream& err)
{
    const std::string where = options.scenario.string();
    std::ostringstream text;
    if (!options.scenario.empty()) {
        std::ifstream file(options.scenario, std::ios::binary);
        if (!file) {
            err << "hearth: 打不开剧本：" << where << '\n';
            return 1;
        }
        text << file.rdbuf();
    }
    auto actions = parse_scenario(text.str(), [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        return value ? std::optional<std::string>(value) : std::nullopt;
    });
    if (!actions) {
        err << where << ':' << actions.error() << '\n';
        return 1;
    }

    for (auto step : {register_ui_classes, register_library_classes, register_app_classes}) {
        if (auto registered = step(registry); !registered) {
            err << "hearth: " << registered.error() << '\n';
            return 1;
        }
    }
    Runtime runtime(registry);
    Desktop desktop(runtime, dw::ObjectLibrary(options.object_path));
    // The folder the scenario writes its files into, when it names one.
    const char* files = std::getenv("HEARTH_PLAY_FILES");
    Transcript transcript(out, files ? files : "");
    HearthApplication application;
    CurrentApplication current(application);
    if (auto opened = application.open_databases(options.db); !opened) {
        err << "hearth: " << opened.error() << '\n';
        return 1;
    }
    desktop.set_observer(&transcript);
    Player player(runtime, desktop, application, transcript);
    const auto failure = player.run_all(*actions);
    desktop.set_observer(nullptr);
    if (failure) {
        out.flush();
        err << where << ':' << failure->first << ": " << failure->second << '\n';
        return 1;
    }
    if (!out.flush()) {
        err << "hearth: 写不出结果\n";
        return 1;
    }
    return options.finish ? options.finish(desktop) : 0;
}

} // namespace hearth
