// uo_toolbar's command dispatch: a press (clicked) and a release (ue_dwnlbuttonup) on the same
// button run its command on the page in front (guo_tabpg_now) and on the main window.

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/window.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/tabs/uo_tabpg_datawindow.h"
#include "library/toolbar/uo_toolbar.h"

#include <array>
#include <exception>

namespace hearth {

namespace {

using toolbar::button_of;

// How a command ends: through the release's tail, or (the delete command after
// uf_confirmmessage refused) at once with 0.
enum class Ending : std::uint8_t { Tail, ReturnZero };

// A result that scripts hand back as a number: nullopt when null or not a number.
std::optional<long> number_of(const Value& value)
{
    if (value.is_null() || !value.is_numeric())
        return std::nullopt;
    return static_cast<long>(fn::to_double(value).as_double());
}

bool is_grid(const uo_tabpg_datawindow& page) { return page.class_name() == "uo_tabpg_grid"; }

// A runtime error that stops the deletion half way (a failing callee) rolls both
// transactions back, so that whoever commits next does not commit half a deletion.
class RollbackOnError {
public:
    explicit RollbackOnError(AppGlobals& globals) : m_globals(globals), m_unwinding(std::uncaught_exceptions()) {}
    ~RollbackOnError()
    {
        if (std::uncaught_exceptions() > m_unwinding) {
            m_globals.sqlca.rollback();
            m_globals.photosqlca.rollback();
        }
    }
    RollbackOnError(const RollbackOnError&) = delete;
    RollbackOnError& operator=(const RollbackOnError&) = delete;

private:
    AppGlobals& m_globals;
    int m_unwinding;
};

// The commands of one release, with what they share: the script call, the toolbar, the
// application's globals and the desktop.
class Commands {
public:
    Commands(ScriptCall& call, uo_toolbar& toolbar, AppGlobals& globals, Desktop& desktop)
        : m_call(call), m_toolbar(toolbar), m_globals(globals), m_desktop(desktop)
    {
    }

    Ending main_menu() { return pop_frame_menu(1, -10); }
    Ending close_menu() { return pop_frame_menu(2, 0); }
    Ending retrieve();
    Ending add();
    Ending modify();
    Ending del();
    Ending setshow() { return open_on_grid("w_setshow", false); }
    Ending filter() { return open_on_grid("w_filter", true); }
    Ending sorter() { return open_on_grid("w_datawindow_sort", false); }
    Ending preview();
    Ending manage();
    Ending help();
    Ending exit();
    Ending explorer();

private:
    // guo_tabpg_now when it holds a page (IsValid); nullptr otherwise, without an error.
    uo_tabpg_datawindow* page() const { return Ref<uo_tabpg_datawindow>(m_globals.guo_tabpg_now).get(); }
    // A page's dw_1; raises 20502 when it is gone.
    uo_dw* page_dw(uo_tabpg_datawindow& page) const { return m_call.use(page.dw_1, "guo_tabpg_now.dw_1"); }
    // w_main; raises 20502 when it is not open.
    Window* frame() const { return m_call.use(Ref<Window>(m_globals.w_main), "w_main"); }

    // Open / OpenWithParm by class name. A class the application does not have is told, as
    // the frame tells a sheet it cannot open.
    void open(std::string_view class_name, const Value* parm, const ObjectRef& parent = {});
    // obj.event name(args): an event the target does not declare, or one without a script,
    // is no error.
    void trigger(const ObjectRef& target, std::string_view event, std::vector<Value> args = {});
    Ending pop_frame_menu(std::size_t item, long offset);
    Ending open_on_grid(std::string_view window, bool refresh_toolbar);
    // The deletion's failure: told, both transactions rolled back, the list shown as stored.
    void deletion_failed(uo_dw& dw, long row);

    ScriptCall& m_call;
    uo_toolbar& m_toolbar;
    AppGlobals& m_globals;
    Desktop& m_desktop;
};

void Commands::open(std::string_view class_name, const Value* parm, const ObjectRef& parent)
{
    ObjectRef window; // lw_open: a fresh local at each release
    const std::int32_t opened = parm ? m_desktop.open_with_parm(window, *parm, class_name, parent)
                                     : m_desktop.open(window, class_name, parent);
    if (opened != 1)
        m_desktop.message_box(Value("提示信息"), Value("无法打开窗口" + std::string(class_name) + "！"),
                              Icon::Exclamation);
}

void Commands::trigger(const ObjectRef& target, std::string_view event, std::vector<Value> args)
{
    const Object* object = m_call.use(target, event);
    if (object && object->class_info().slot_named(event))
        m_call.call(target, event, args);
}

Ending Commands::pop_frame_menu(std::size_t item, long offset)
{
    Window* window = frame();
    if (!window)
        return Ending::Tail;
    const long x = fn::to_integer(m_toolbar.describe(m_toolbar.is_object + ".x")) + offset;
    if (!window->menuid) {
        m_call.raise(ErrorCode::NullObjectReference, "w_main.MenuID");
        return Ending::Tail;
    }
    std::shared_ptr<Menu> menu = window->menuid->item(item);
    if (!menu) {
        m_call.raise(ErrorCode::ArrayBounds, "w_main.MenuID.Item[" + std::to_string(item) + "]");
        return Ending::Tail;
    }
    menu->pop_menu(static_cast<std::int32_t>(x), m_toolbar.height);
    return Ending::Tail;
}

Ending Commands::retrieve()
{
    uo_tabpg_datawindow* now = page();
    uo_dw* dw = now ? page_dw(*now) : nullptr;
    if (!dw)
        return Ending::Tail;
    // Every quote after the first "where" is escaped with the DataWindow's ~, so that the
    // statement can stand inside the quoted Modify expression; quotes before it stay.
    std::string ls_sql = now->is_sql;
    long ll_pos = fn::pos(fn::lower(ls_sql), "where");
    if (ll_pos > 0) {
        ll_pos = fn::pos(fn::lower(ls_sql), "'", ll_pos);
        while (ll_pos >= 1) {
            ls_sql = fn::replace(ls_sql, ll_pos, 1, "~'");
            ll_pos = fn::pos(ls_sql, "'", ll_pos + 2);
        }
    }
    dw->modify("datawindow.table.select='" + ls_sql + "'");
    dw->set_trans_object(m_globals.sqlca);
    dw->retrieve();
    trigger(dw->ref(), "ue_rowcountchanged");

    const uo_tabpg_datawindow* master = Ref<uo_tabpg_datawindow>(m_globals.guo_tabpg_master).get();
    if (master && !fn::trim(now->is_relafield).empty() && master != now && dw->row_count() > 0) {
        // A detail page's rows belong to the master's record: adding and modifying go there.
        const ObjectRef tool = w_main_dw_tool(m_globals);
        if (m_call.use(tool, "w_main.dw_tool")) {
            m_call.call(tool, "uf_setenabled", {Value("p_add"), Value(false)});
            m_call.call(tool, "uf_setenabled", {Value("p_modify"), Value(false)});
        }
    }
    return Ending::Tail;
}

Ending Commands::add()
{
    uo_tabpg_datawindow* now = page();
    if (!now)
        return Ending::Tail;
    const Value parm("添加");
    open("w_m_" + now->is_stringpara, &parm);
    if (uo_dw* dw = page_dw(*now))
        trigger(dw->ref(), "ue_rowcountchanged");
    return Ending::Tail;
}

Ending Commands::modify()
{
    uo_tabpg_datawindow* now = page();
    uo_dw* dw = now ? page_dw(*now) : nullptr;
    if (!dw)
        return Ending::Tail;
    auto* tool = m_call.use(Ref<uo_toolbar>(w_main_dw_tool(m_globals)), "w_main.dw_tool");
    if (!tool)
        return Ending::Tail;
    // The caption of the modify button names the action, in the message and for the window.
    const std::string caption = tool->get_object_attribute("t_modify", "Text");
    if (dw->get_row() < 1) {
        m_desktop.message_box(Value("系统提示"), Value("请先选择一条记录后再" + caption + "."));
        return Ending::Tail;
    }
    const Value parm(caption);
    open("w_m_" + now->is_stringpara, &parm);
    return Ending::Tail;
}

Ending Commands::open_on_grid(std::string_view window, bool refresh_toolbar)
{
    uo_tabpg_datawindow* now = page();
    if (!now || !is_grid(*now))
        return Ending::Tail;
    uo_dw* dw = page_dw(*now);
    if (!dw)
        return Ending::Tail;
    const Value parm(dw->ref());
    open(window, &parm);
    if (refresh_toolbar)
        trigger(dw->ref(), "ue_rowcountchanged");
    return Ending::Tail;
}

Ending Commands::preview()
{
    // A report sheet in front previews its report; without an active sheet, the page.
    const ObjectRef sheet = frame() ? m_desktop.get_active_sheet(m_globals.w_main) : ObjectRef();
    const std::string sheet_class = fn::class_name(sheet);
    if (sheet_class == "w_mainreport" || sheet_class == "w_graph_report") {
        for (const ObjectRef& control : sheet.get()->control()) {
            const std::string name = fn::class_name(control);
            if (name != "dw_report" && name != "dw_graph")
                continue;
            auto* report = dynamic_cast<VisualObject*>(control.get());
            if (const auto* window = dynamic_cast<const Window*>(sheet.get()); report && window)
                report->tag = window->tag;
            const Value parm(control);
            open("w_print_preview", &parm);
            break;
        }
        return Ending::Tail;
    }
    if (uo_tabpg_datawindow* now = page())
        if (uo_dw* dw = page_dw(*now)) {
            const Value parm(dw->ref());
            open("w_print_preview", &parm);
        }
    return Ending::Tail;
}

Ending Commands::manage()
{
    Window* window = frame();
    if (!window)
        return Ending::Tail;
    window->visible = false;
    open("w_locklogin", nullptr);
    const Message* message = m_call.runtime().message_object();
    if (message && message->string_parm == "1") {
        if (auto* still = Ref<Window>(m_globals.w_main).get())
            still->visible = true;
        return Ending::Tail;
    }
    // The unlock failed: the frame closes without asking whether to (a frame without the
    // flag has no question to skip).
    if (bool* ib_query = Application::current()->w_main_ib_query())
        *ib_query = false;
    m_desktop.close(m_globals.w_main);
    return Ending::Tail;
}

Ending Commands::help()
{
    Window* parent = Desktop::window_of(&m_toolbar);
    open("w_agent", nullptr, parent ? parent->ref() : ObjectRef());
    return Ending::Tail;
}

Ending Commands::exit()
{
    if (frame())
        m_desktop.close(m_globals.w_main);
    return Ending::Tail;
}

Ending Commands::explorer()
{
    if (frame())
        trigger(m_globals.w_main, "ue_explorer", {Value("正在连接Tellarin"), Value::integer(1)});
    return Ending::Tail;
}

void Commands::deletion_failed(uo_dw& dw, long row)
{
    m_desktop.message_box(Value("警告信息"), Value("删除不成功！"));
    m_globals.sqlca.rollback();
    m_globals.photosqlca.rollback();
    dw.retrieve();
    trigger(dw.ref(), "rowfocuschanged", {Value(static_cast<std::int32_t>(row))});
}

Ending Commands::del()
{
    uo_tabpg_datawindow* now = page();
    uo_dw* dw = now ? page_dw(*now) : nullptr;
    if (!dw)
        return Ending::Tail;
    long ll_row = dw->get_row();
    if (ll_row < 1) {
        m_desktop.message_box(Value("系统提示"), Value("请先选择一条记录后再删除."));
        return Ending::Tail;
    }
    // The household number, from any list that has one (the persons lists are spelled
    // several ways); only uf_updateother reads it.
    Value ls_rprno("");
    if (dw->describe("rprno.coltype") != "!")
        ls_rprno = dw->get_item_string(ll_row, "rprno");

    const ObjectRef self = m_toolbar.ref();
    if (number_of(m_call.call(self, "uf_confirmmessage")) == 2)
        return Ending::ReturnZero; // refused, and the reason was shown
    const Value answer = m_desktop.message_box(Value("系统提示"), Value("您确认要删除当前记录吗?"), Icon::Question,
                                               Buttons::YesNo, Value(1));
    if (number_of(answer) != 1)
        return Ending::Tail;

    const RollbackOnError guard(m_globals);
    // The archive first: its history writes commit as they go, before any photo goes.
    std::vector<Value> before_args {Value(std::string())};
    const DispatchResult before = m_call.runtime().dispatch(self, "uf_delbefore", before_args);
    if (before.outcome == Outcome::Completed && before.value.is_null()) {
        deletion_failed(*dw, ll_row); // the archive failed and left nothing behind
        return Ending::Tail;
    }
    const std::string ls_sql = before.value.is_null() ? std::string() : before.value.as_string();
    const Value ls_errmsg = before_args[0];

    // The photos, while the row and its dependent records are still there to read the keys
    // from; their deletions commit only with the record's.
    m_call.call(self, "uf_delphoto", {Value(dw->dataobject()), Value(static_cast<std::int32_t>(ll_row))});

    dw->delete_row(ll_row);
    if (dw->update() != 1) {
        deletion_failed(*dw, ll_row);
        return Ending::Tail;
    }
    if (!ls_sql.empty() && number_of(m_call.call(self, "uf_delafter", {Value(ls_sql), ls_errmsg})) != 0) {
        deletion_failed(*dw, ll_row);
        return Ending::Tail;
    }
    if (m_globals.sqlca.commit() != 0) {
        deletion_failed(*dw, ll_row);
        return Ending::Tail;
    }
    // The record is gone; photos whose deletion cannot commit stay behind, which loses nothing.
    if (m_globals.photosqlca.is_connected() && m_globals.photosqlca.commit() != 0)
        m_globals.photosqlca.rollback();

    Application::current()->gf_userlog(dw->tag, 4, "");
    m_call.call(self, "uf_updateother", {Value(dw->dataobject()), ls_rprno});

    // A detail page keeps its place: the row that followed, or the new last one.
    if (!now->is_masterid.empty() && dw->row_count() >= 1) {
        if (dw->row_count() < ll_row)
            ll_row = dw->row_count();
        trigger(dw->ref(), "ue_retrieve");
        dw->scroll_to_row(ll_row);
        trigger(dw->ref(), "rowfocuschanged", {Value(static_cast<std::int32_t>(ll_row))});
    }
    trigger(dw->ref(), "ue_rowcountchanged");
    return Ending::Tail;
}

// The buttons and their commands, in the order they are compared.
struct CommandRow {
    std::string_view button;
    Ending (Commands::*run)();
};
constexpr std::array<CommandRow, 14> command_table {{
    {"p_main", &Commands::main_menu},
    {"p_retrieve", &Commands::retrieve},
    {"p_add", &Commands::add},
    {"p_modify", &Commands::modify},
    {"p_del", &Commands::del},
    {"p_setshow", &Commands::setshow},
    {"p_preview", &Commands::preview},
    {"p_filter", &Commands::filter},
    {"p_sorter", &Commands::sorter},
    {"p_close", &Commands::close_menu},
    {"p_manage", &Commands::manage},
    {"p_help", &Commands::help},
    {"p_exit", &Commands::exit},
    {"p_ie", &Commands::explorer},
}};

} // namespace

ScriptResult uo_toolbar::clicked(ScriptCall& call)
{
    std::string name;
    if (DwObject* dwo = call.use(call.arg_object<DwObject>(3), "dwo"))
        name = dwo->name;
    const std::optional<std::string> ls_clickedobject = button_of(name);
    if (!ls_clickedobject || describe(*ls_clickedobject + ".tag") != "1")
        return no_return; // not a button, or a disabled one
    if (!is_clickedobject.empty() && is_clickedobject != *ls_clickedobject)
        call.call(ref(), "uf_setstate", {Value(is_clickedobject), Value("normal")});
    call.call(ref(), "uf_setstate", {Value(*ls_clickedobject), Value("lowered")});
    return no_return;
}

ScriptResult uo_toolbar::ue_dwnlbuttonup(ScriptCall& call)
{
    const std::int32_t xpos = call.arg_as<std::int16_t>(0).value_or(0);
    const std::int32_t ypos = call.arg_as<std::int16_t>(1).value_or(0);
    std::string name;
    if (DwObject* dwo = call.use(call.arg_object<DwObject>(3), "dwo"))
        name = dwo->name;
    const std::optional<std::string> ls_object = button_of(name);

    bool run = false;
    if (is_clickedobject.empty()) {
        // Nothing pressed: only a press from the keyboard runs. The pages name the button as
        // dwo at 0, 0, where it does not lie; a release of the mouse names what lies under it
        // (and is_object may name the button the mouse merely raised).
        const bool from_mouse = Desktop::hit_test(*this, xpos, ypos).name == name;
        run = !from_mouse && ls_object && *ls_object == is_object && describe(is_object + ".tag") == "1";
        if (!run)
            return no_return;
    } else {
        call.call(ref(), "uf_setstate", {Value(is_clickedobject), Value("normal")});
        is_object = is_clickedobject;
        is_clickedobject.clear();
        // A command runs only when press and release are on the same button.
        run = ls_object && *ls_object == is_object;
    }

    AppGlobals* globals = app_globals(call, "w_main");
    Desktop* desktop = Desktop::current();
    if (run && globals && desktop) {
        Commands commands(call, *this, *globals, *desktop);
        for (const CommandRow& row : command_table) {
            if (row.button != is_object)
                continue;
            if ((commands.*row.run)() == Ending::ReturnZero)
                return Value(std::int32_t(0));
            break;
        }
    }

    // The tail.
    if (globals && fn::is_valid(globals->w_main))
        is_object.clear();
    if (globals)
        if (auto* now = Ref<uo_tabpg_datawindow>(globals->guo_tabpg_now).get())
            if (uo_dw* dw = call.use(now->dw_1, "guo_tabpg_now.dw_1"))
                dw->set_focus();
    return no_return;
}

} // namespace hearth
