#include "app/player.h"

#include "app/app_classes.h"
#include "app/application.h"
#include "app/w_main.h"
#include "host/object/runtime.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "host/ui/window.h"
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
    {"type", 2, 2, "type COLUMN TEXT"},
    {"click", 1, 1, "click BUTTON"},
    {"show", 1, 2, "show status|tags|rows|page"},
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
    explicit Transcript(std::ostream& out) : m_out(out) {}

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

    void line(const std::string& text) { m_out << text << '\n'; }

private:
    std::ostream& m_out;
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

private:
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
        if (action == "type")
            return type(args[0], args[1]);
        if (action == "click")
            return click(args[0]);
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

    Done row(const std::string& text)
    {
        auto page = page_in_front();
        if (!page)
            return page;
        DataWindowControl& dw = *(*page)->dw_1.get();
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
        if (args.size() > 1 && what != "rows")
            return fail("用法：show status|tags|rows [COLUMN,...]|page");
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
        if (what == "rows" || what == "page") {
            auto page = page_in_front();
            if (!page)
                return page;
            DataWindowControl& dw = *(*page)->dw_1.get();
            m_transcript.line(what == "rows"
                                  ? fmt::format("rows {}", dw.row_count())
                                  : fmt::format("page {} {}/{}", dw.dataobject(), dw.get_row(), dw.row_count()));
            if (args.size() > 1)
                return show_values(dw, args[1]);
            return {};
        }
        return fail("用法：show status|tags|rows|page");
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

    Runtime& m_runtime;
    Desktop& m_desktop;
    HearthApplication& m_application;
    Transcript& m_transcript;
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
    Transcript transcript(out);
    HearthApplication application;
    CurrentApplication current(application);
    if (auto opened = application.open_databases(options.db); !opened) {
        err << "hearth: " << opened.error() << '\n';
        return 1;
    }
    desktop.set_observer(&transcript);
    Player player(runtime, desktop, application, transcript);
    for (const ScenarioAction& action : *actions) {
        if (auto done = player.run(action.words); !done) {
            out.flush();
            err << where << ':' << action.line << ": " << done.error() << '\n';
            return 1;
        }
        if (!out) {
            err << "hearth: 写不出结果\n";
            return 1;
        }
    }
    desktop.set_observer(nullptr);
    if (!out.flush())
        return 1;
    return options.finish ? options.finish(desktop) : 0;
}

} // namespace hearth
