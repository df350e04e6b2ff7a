#include "tabs_fixture.h"

#include "host/ui/register.h"
#include "library/library_classes.h"

#include <unistd.h>

namespace hearth::test {

namespace {

// w_main.wf_setstatus(text): the main window's status area, which the desktop records.
ScriptResult wf_setstatus(ScriptCall& call)
{
    const Value& text = call.arg(0);
    if (Desktop* desktop = Desktop::current())
        desktop->show_status(text.is_null() ? std::string("<null>") : text.as_string());
    return no_return;
}

// The main window as the pages see it: the toolbar dw_tool and wf_setstatus.
const ClassTable& w_main_table()
{
    static const ClassTable table {
        "w_main",
        "window",
        nullptr,
        {{"dw_tool", "uo_toolbar", nullptr}},
        {{own_group,
          "",
          {{"wf_setstatus", SlotKind::Function, std::nullopt, 1}},
          {{119, "wf_setstatus", wf_setstatus}, {0, "create", create_script}, {1, "destroy", destroy_script}}}}};
    return table;
}

const char* const community[] = {
    "CREATE TABLE rpr (rprno varchar(20) PRIMARY KEY, rprid integer, name varchar(40), regdate date, "
    "issave char(1))",
    "CREATE TABLE person (personno varchar(20) PRIMARY KEY, rprno varchar(20), name varchar(40), regdate date)",
    "CREATE TABLE honor (honorid integer PRIMARY KEY, rprid integer, title varchar(40))",
    "CREATE TABLE visit (visitid integer PRIMARY KEY, regdate date, note varchar(40))",
    "INSERT INTO rpr VALUES ('R1', 1, '张三', '2020-01-01', '0')",
    "INSERT INTO rpr VALUES ('R2', 2, '李四', '2021-02-02', '1')",
    "INSERT INTO rpr VALUES ('S''1', 3, '王五', '2022-03-03', '0')",
    "INSERT INTO person VALUES ('P1', 'R1', '张一', '2020-01-01')",
    "INSERT INTO person VALUES ('P2', 'R1', '张二', '2020-01-01')",
    "INSERT INTO person VALUES ('P3', 'R2', '李一', '2021-02-02')",
    "INSERT INTO person VALUES ('P4', 'S''1', '王一', '2022-03-03')",
    "INSERT INTO honor VALUES (10, 1, '文明户')",
    "INSERT INTO honor VALUES (11, 1, '五好家庭')",
    "INSERT INTO honor VALUES (12, 2, '文明户')",
    "INSERT INTO visit VALUES (100, '2020-01-01', '走访')",
    "INSERT INTO visit VALUES (101, '2021-02-02', '回访')",
};

std::filesystem::path make_folder()
{
    static int made = 0;
    std::filesystem::path folder = std::filesystem::temp_directory_path()
        / ("hearth_tabs_" + std::to_string(::getpid()) + "_" + std::to_string(++made));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace

TabsTest::TabsTest()
    : folder(make_folder()),
      desktop(runtime,
              dw::ObjectLibrary({std::filesystem::path(HEARTH_SOURCE_DIR) / "tests/library/tabs/data",
                                 std::filesystem::path(HEARTH_SOURCE_DIR) / "app/objects"}))
{
    EXPECT_EQ(error_text(register_ui_classes(registry)), "");
    EXPECT_EQ(error_text(register_library_classes(registry)), "");
    EXPECT_EQ(error_text(registry.register_class(&w_main_table)), "");
    desktop.set_observer(&selects);

    Transaction& sqlca = globals.sqlca;
    sqlca.set_database((folder / "community.db").string());
    sqlca.set_dbparm("Create='Yes'");
    EXPECT_EQ(sqlca.connect(), 0) << sqlca.sql_err_text();
    for (const char* statement : community)
        execute(statement);

    EXPECT_EQ(desktop.open(w_main, "w_main"), 1);
    globals.w_main = w_main;
}

TabsTest::~TabsTest()
{
    for (const ObjectRef& ref : m_made)
        runtime.destroy(ref);
    desktop.close(w_main);
    desktop.set_observer(nullptr);
    globals.sqlca.disconnect();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

ObjectRef TabsTest::make_page(std::string_view class_name, std::string_view dataobject)
{
    Message* message = runtime.message_object();
    EXPECT_NE(message, nullptr);
    if (message)
        message->string_parm = std::string(dataobject);
    ObjectRef ref = runtime.create_and_construct(class_name);
    m_made.push_back(ref);
    return ref;
}

uo_tabpg_datawindow& TabsTest::master_page(long row)
{
    uo_tabpg_datawindow& master = page("uo_tabpg_datawindow", "d_rpr");
    EXPECT_EQ(dw(master).retrieve(), 3);
    if (row > 0) {
        EXPECT_EQ(dw(master).set_row(row), 1);
    }
    globals.guo_tabpg_master = master.ref();
    return master;
}

Value TabsTest::run(const ObjectRef& target, std::string_view name, std::vector<Value> args)
{
    DispatchResult result = runtime.dispatch(target, name, args);
    EXPECT_EQ(result.outcome, Outcome::Completed) << name;
    return result.value;
}

uo_toolbar& TabsTest::toolbar()
{
    auto* tool = dynamic_cast<uo_toolbar*>(w_main_dw_tool(globals).get());
    if (!tool)
        throw std::runtime_error("w_main has no toolbar");
    return *tool;
}

std::string TabsTest::tag(std::string_view button) { return toolbar().describe(std::string(button) + ".tag"); }

void TabsTest::set_tags(const std::vector<std::string_view>& buttons, std::string_view value)
{
    for (std::string_view button : buttons)
        EXPECT_EQ(toolbar().modify(std::string(button) + ".tag='" + std::string(value) + "'"), "") << button;
}

std::vector<int> TabsTest::error_codes() const
{
    std::vector<int> codes;
    for (const ErrorRecord& record : runtime.error_log())
        codes.push_back(static_cast<int>(record.code));
    return codes;
}

void TabsTest::execute(std::string_view statement)
{
    Transaction& sqlca = globals.sqlca;
    EXPECT_EQ(sqlca.execute_immediate(statement), 0) << statement << ": " << sqlca.sql_err_text();
    EXPECT_EQ(sqlca.commit(), 0) << sqlca.sql_err_text();
}

} // namespace hearth::test
