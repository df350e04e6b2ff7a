#include "toolbar_fixture.h"

#include "host/ui/register.h"
#include "host/ui/window.h"
#include "host/value/functions.h"
#include "library/library_classes.h"

#include <unistd.h>

#include <array>

namespace hearth::test {

namespace {

// The frame of these tests: a menu whose items 1 and 2 the toolbar pops up.
class TestFrame : public Window {
public:
    TestFrame()
    {
        windowtype = WindowType::Mdi;
        menuid = std::make_shared<Menu>("m_frame");
        menuid->add_item("m_main", "主菜单");
        menuid->add_item("m_close", "关闭");
    }
};

// w_main.wf_setstatus(text): the status line the desktop records.
ScriptResult wf_setstatus(ScriptCall& call)
{
    const Value& text = call.arg(0);
    if (Desktop* desktop = Desktop::current())
        desktop->show_status(text.is_null() ? std::string("<null>") : text.as_string());
    return no_return;
}

// w_main.ue_explorer(text, mode): shows what it was asked on the status line.
ScriptResult ue_explorer(ScriptCall& call)
{
    if (Desktop* desktop = Desktop::current())
        desktop->show_status("ue_explorer " + fn::to_string(call.arg(0)).as_string() + " "
                             + fn::to_string(call.arg(1)).as_string());
    return Value(1);
}

const ClassTable& w_main_table()
{
    static const ClassTable table {
        "w_main", "window", frame_make(), {{"dw_tool", "uo_toolbar", nullptr}}, frame_groups()};
    return table;
}

// create and destroy, nothing else.
std::vector<GroupRow> standard_scripts()
{
    return {{own_group, "", {}, {{0, "create", create_script}, {1, "destroy", destroy_script}}}};
}

// The application's windows as the commands open them: plain windows that only show.
constexpr std::array<std::string_view, 7> plain_windows
    = {"w_m_ge_rpr", "w_m_ge_personinfo", "w_setshow", "w_filter", "w_datawindow_sort", "w_print_preview", "w_agent"};

template <std::size_t I> const ClassTable& plain_window_table()
{
    static const ClassTable table {plain_windows[I], "window", nullptr, {}, standard_scripts()};
    return table;
}

template <std::size_t... I> void register_plain_windows(ClassRegistry& registry, std::index_sequence<I...>)
{
    for (VtableInfoFn entry : {&plain_window_table<I>...})
        EXPECT_EQ(error_text(registry.register_class(entry)), "");
}

class ResponseWindow : public Window {
public:
    ResponseWindow() { windowtype = WindowType::Response; }
};

// w_locklogin: a response window; a test answers it with Desktop::set_response_handler.
const ClassTable& w_locklogin_table()
{
    static const ClassTable table {"w_locklogin", "window", make_object<ResponseWindow>, {}, standard_scripts()};
    return table;
}

// A report sheet with its report control.
const ClassTable& w_mainreport_table()
{
    static const ClassTable table {
        "w_mainreport", "window", nullptr, {{"dw_report", "datawindow", nullptr}}, standard_scripts()};
    return table;
}

std::filesystem::path make_folder()
{
    static int made = 0;
    std::filesystem::path folder = std::filesystem::temp_directory_path()
        / ("hearth_toolbar_" + std::to_string(::getpid()) + "_" + std::to_string(++made));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

void connect(Transaction& transaction, const std::filesystem::path& file, std::shared_ptr<FaultPlan> plan)
{
    transaction.set_driver_factory(faulty_factory(std::move(plan)));
    transaction.set_database(file.string());
    transaction.set_dbparm("Create='Yes'");
    EXPECT_EQ(transaction.connect(), 0) << transaction.sql_err_text();
}

void execute(Transaction& transaction, std::string_view statement)
{
    EXPECT_EQ(transaction.execute_immediate(statement), 0) << statement << ": " << transaction.sql_err_text();
    EXPECT_EQ(transaction.commit(), 0) << transaction.sql_err_text();
}

} // namespace

MakeFn frame_make() { return make_object<TestFrame>; }

std::vector<GroupRow> frame_groups()
{
    return {{own_group,
             "",
             {{"wf_setstatus", SlotKind::Function, std::nullopt, 1}, {"ue_explorer", SlotKind::Event, Type::Long, 2}},
             {{119, "wf_setstatus", wf_setstatus},
              {120, "ue_explorer", ue_explorer},
              {0, "create", create_script},
              {1, "destroy", destroy_script}}}};
}

ToolbarTest::ToolbarTest(std::string_view frame_class, void (*register_more)(ClassRegistry&))
    : folder(make_folder()),
      desktop(runtime,
              dw::ObjectLibrary({std::filesystem::path(HEARTH_SOURCE_DIR) / "tests/library/toolbar/data",
                                 std::filesystem::path(HEARTH_SOURCE_DIR) / "app/objects"}))
{
    EXPECT_EQ(error_text(register_ui_classes(registry)), "");
    EXPECT_EQ(error_text(register_library_classes(registry)), "");
    EXPECT_EQ(error_text(registry.register_class(&w_main_table)), "");
    register_plain_windows(registry, std::make_index_sequence<plain_windows.size()>());
    EXPECT_EQ(error_text(registry.register_class(&w_locklogin_table)), "");
    EXPECT_EQ(error_text(registry.register_class(&w_mainreport_table)), "");
    if (register_more)
        register_more(registry);
    connect(globals.sqlca, folder / "current.db", sqlca_faults);
    connect(globals.photosqlca, folder / "photo.db", photo_faults);

    EXPECT_EQ(desktop.open(w_main, frame_class), 1);
    globals.w_main = w_main;
    desktop.set_observer(&windows);
}

ToolbarTest::~ToolbarTest()
{
    for (const ObjectRef& ref : m_made)
        runtime.destroy(ref);
    desktop.close(w_main); // -1 when a test closed it
    desktop.set_observer(nullptr);
    globals.sqlca.disconnect();
    globals.photosqlca.disconnect();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

uo_tabpg_datawindow& ToolbarTest::page(std::string_view dataobject, std::string_view class_name)
{
    Message* message = runtime.message_object();
    EXPECT_NE(message, nullptr);
    if (message)
        message->string_parm = std::string(dataobject);
    ObjectRef ref = runtime.create_and_construct(class_name);
    m_made.push_back(ref);
    auto* typed = dynamic_cast<uo_tabpg_datawindow*>(ref.get());
    if (!typed)
        throw std::runtime_error("no page of class " + std::string(class_name));
    return *typed;
}

uo_tabpg_datawindow& ToolbarTest::current_page(std::string_view dataobject, long row)
{
    uo_tabpg_datawindow& made = page(dataobject);
    EXPECT_GE(dw(made).retrieve(), 0) << globals.sqlca.sql_err_text();
    if (row > 0) {
        EXPECT_EQ(dw(made).set_row(row), 1);
    }
    globals.guo_tabpg_now = made.ref();
    globals.guo_tabpg_master = made.ref();
    return made;
}

uo_toolbar& ToolbarTest::toolbar()
{
    auto* tool = dynamic_cast<uo_toolbar*>(w_main_dw_tool(globals).get());
    if (!tool)
        throw std::runtime_error("w_main has no toolbar");
    return *tool;
}

std::pair<int, int> ToolbarTest::centre(std::string_view object)
{
    auto read = [&](const char* attribute) {
        return static_cast<int>(fn::to_long(toolbar().describe(std::string(object) + "." + attribute)));
    };
    return {read("x") + read("width") / 2, read("y") + read("height") / 2};
}

void ToolbarTest::press(std::string_view object)
{
    const auto [x, y] = centre(object);
    desktop.mouse_down(toolbar().ref(), x, y);
}

void ToolbarTest::release(std::string_view object)
{
    const auto [x, y] = centre(object);
    desktop.mouse_up(toolbar().ref(), x, y);
}

void ToolbarTest::click(std::string_view object)
{
    press(object);
    release(object);
}

void ToolbarTest::keyboard_press(std::string_view button)
{
    toolbar().is_object = std::string(button);
    ObjectRef dwo = desktop.make_dwobject(button, "header", "bitmap");
    std::vector<Value> args {Value::integer(0), Value::integer(0), Value(0), Value(dwo)};
    EXPECT_EQ(runtime.dispatch(toolbar().ref(), "ue_dwnlbuttonup", args).outcome, Outcome::Completed);
    runtime.destroy(dwo);
}

std::string ToolbarTest::tag(std::string_view button) { return toolbar().describe(std::string(button) + ".tag"); }

std::string ToolbarTest::filename(std::string_view button)
{
    return toolbar().describe(std::string(button) + ".FileName");
}

void ToolbarTest::sql(std::string_view statement) { execute(globals.sqlca, statement); }

void ToolbarTest::photo_sql(std::string_view statement) { execute(globals.photosqlca, statement); }

long ToolbarTest::number(Transaction& transaction, std::string_view select)
{
    Value result;
    std::string text(select);
    text.insert(fn::pos(fn::lower(text), " from", 1) - 1, " INTO :result");
    if (transaction.select_into(text, {HostVar("result", &result)}) != 0 || result.is_null())
        return -1;
    return static_cast<long>(result.as_integral());
}

void ToolbarTest::households()
{
    static const char* const statements[] = {
        "CREATE TABLE tc_ge_rpr (rprno varchar(20) PRIMARY KEY, householder varchar(40), personnum integer, "
        "issave char(1))",
        "CREATE TABLE tc_ge_personinfo (personno varchar(20) PRIMARY KEY, "
        "rprno varchar(20) REFERENCES tc_ge_rpr (rprno), name varchar(40), hostrelation char(2), issave char(1))",
        "INSERT INTO tc_ge_rpr VALUES ('R1', '张三', 2, '0')",
        "INSERT INTO tc_ge_rpr VALUES ('R2', '李四', 1, '0')",
        "INSERT INTO tc_ge_rpr VALUES ('R3', '王五', 0, '0')",
        "INSERT INTO tc_ge_personinfo VALUES ('P1', 'R1', '张三', '02', '0')",
        "INSERT INTO tc_ge_personinfo VALUES ('P2', 'R1', '张小', '03', '0')",
        "INSERT INTO tc_ge_personinfo VALUES ('P3', 'R2', '李四', '02', '0')",
    };
    for (const char* statement : statements)
        sql(statement);
}

void ToolbarTest::fail_next(Transaction& transaction, FaultPoint point)
{
    FaultPlan& plan = &transaction == &globals.photosqlca ? *photo_faults : *sqlca_faults;
    plan = FaultPlan {};
    plan.point = point;
    plan.fail_at = 0;
}

Value ToolbarTest::run(const ObjectRef& target, std::string_view name, std::vector<Value> args)
{
    DispatchResult result = runtime.dispatch(target, name, args);
    EXPECT_EQ(result.outcome, Outcome::Completed) << name;
    return result.value;
}

std::vector<int> ToolbarTest::error_codes() const
{
    std::vector<int> codes;
    for (const ErrorRecord& record : runtime.error_log())
        codes.push_back(static_cast<int>(record.code));
    return codes;
}

std::vector<std::string> ToolbarTest::boxes(std::size_t from) const
{
    std::vector<std::string> texts;
    const std::vector<MessageBoxRecord>& shown = desktop.message_boxes();
    for (std::size_t i = from; i < shown.size(); ++i)
        texts.push_back(shown[i].title + "|" + shown[i].text);
    return texts;
}

} // namespace hearth::test
