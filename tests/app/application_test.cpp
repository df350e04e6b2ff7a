// The application objects: opening the databases, the work parameters, login and the user
// log, list splitting, column rights, the frame w_main and the login window.

#include "app/app_classes.h"
#include "app/application.h"
#include "app/hearth_command.h"
#include "app/init_db.h"
#include "app/w_login.h"
#include "app/w_main.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "library/library_classes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace hearth;

const fs::path scratch_root = fs::temp_directory_path() / ("hearth_app_" + std::to_string(::getpid()));

// One community database for the whole test program, made once by init-db without households.
struct Community {
    fs::path dir = scratch_root / "db";
    std::string user_password;
};

const Community& community()
{
    static const Community made = [] {
        Community c;
        fs::remove_all(c.dir);
        auto done = init_db({c.dir.string(), 0, 1, "secret1"});
        EXPECT_TRUE(done) << done.error();
        if (done)
            c.user_password = done->user_password;
        return c;
    }();
    return made;
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(error_text(register_ui_classes(registry)), "");
        ASSERT_EQ(error_text(register_library_classes(registry)), "");
        ASSERT_EQ(error_text(register_app_classes(registry)), "");
        auto opened = app.open_databases(community().dir.string());
        ASSERT_TRUE(opened) << opened.error();
    }

    // The count of rows a query on the records database finds.
    long count(const std::string& from_where)
    {
        Value n {std::int32_t(0)};
        app.globals().sqlca.select_into("SELECT count(*) INTO :n " + from_where, {{"n", &n}});
        return n.is_null() ? -1 : static_cast<long>(n.as_integral());
    }

    HearthApplication app;
    CurrentApplication current {app};
    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime,
                     dw::ObjectLibrary({fs::path(HEARTH_SOURCE_DIR) / "app/objects",
                                        fs::path(HEARTH_SOURCE_DIR) / "tests/host/ui/data"})};
};

TEST_F(ApplicationTest, GlobalsAndWorkParametersOfANewDatabase)
{
    const AppGlobals& g = app.globals();
    EXPECT_TRUE(fs::exists(fs::path(g.gs_apppath) / "test_app")) << g.gs_apppath;
    EXPECT_EQ(g.gs_firstrow, "50");
    ASSERT_EQ(g.gs_workparm.size(), 16u);
    EXPECT_EQ(g.gs_workparm[0], "和平社区");
    for (std::size_t element = 7; element <= 16; ++element)
        EXPECT_EQ(g.gs_workparm[element - 1], "是") << element;
}

TEST(ApplicationOpen, MissingCorruptOrForeignDatabasesFailClearlyAndCreateNothing)
{
    const fs::path root = scratch_root / "open";
    fs::remove_all(root);
    fs::create_directories(root / "empty");
    fs::create_directories(root / "corrupt");
    std::ofstream(root / "corrupt" / "hearth.db") << std::string(4096, 'x');
    std::ofstream(root / "corrupt" / "hearth_archive.db") << std::string(4096, 'x');
    struct Case {
        fs::path dir;
        std::string message;
    };
    const Case cases[] = {
        {root / "missing", "无法打开数据库：文件夹"},
        {root / "empty", "无法打开数据库：Cannot open database file"},
        {root / "corrupt", "file is not a database"},
        {"dbname=", "连接字符串没有指定数据库"},
    };
    for (const Case& c : cases) {
        HearthApplication app;
        auto opened = app.open_databases(c.dir.string());
        ASSERT_FALSE(opened) << c.dir;
        EXPECT_NE(opened.error().find(c.message), std::string::npos) << opened.error();
        EXPECT_FALSE(app.globals().sqlca.is_connected());
    }
    EXPECT_FALSE(fs::exists(root / "missing"));
    EXPECT_TRUE(fs::is_empty(root / "empty"));

    // A database of another application: the settings table is missing.
    fs::copy_file(community().dir / "hearth_archive.db", root / "empty" / "hearth.db");
    fs::copy_file(community().dir / "hearth_archive.db", root / "empty" / "hearth_archive.db");
    HearthApplication app;
    auto opened = app.open_databases((root / "empty").string());
    ASSERT_FALSE(opened);
    EXPECT_NE(opened.error().find("这不是社区数据库"), std::string::npos) << opened.error();
}

TEST_F(ApplicationTest, LoginSetsTheUserAndLogsIt)
{
    const long logged = count("FROM TC_SYS_UserLog");
    struct Case {
        std::string userno, password;
    };
    for (const Case& wrong : {Case {"velmora_admin", "secret2"}, Case {"nobody", "secret1"}, Case {"", ""}}) {
        auto done = app.login(wrong.userno, wrong.password);
        ASSERT_FALSE(done) << wrong.userno;
        EXPECT_EQ(done.error(), "用户名或口令错误！");
        EXPECT_EQ(app.globals().gs_userno + app.globals().gs_username + app.globals().gs_userpass, "");
    }
    ASSERT_TRUE(app.login("velmora_admin", "secret1"));
    EXPECT_EQ(app.globals().gs_userno, "velmora_admin");
    EXPECT_EQ(app.globals().gs_username, "总管员");
    EXPECT_EQ(app.globals().gs_userpass, "secret1");
    EXPECT_TRUE(app.is_admin());
    EXPECT_EQ(count("FROM TC_SYS_UserLog"), logged + 1);

    app.gf_userlog("d_ge_rpr", 4, "it's quoted");
    EXPECT_EQ(count("FROM TC_SYS_UserLog WHERE UserNo = 'velmora_admin' AND ObjectText = 'd_ge_rpr' AND Action = 4 "
                    "AND Remark = 'it''s quoted' AND LogTime IS NOT NULL"),
              1);
    EXPECT_FALSE(app.globals().sqlca.in_transaction());
}

TEST(InitDbCommand, PrintsTheOrdinaryUsersPasswordSoThatItLogsIn)
{
    const fs::path dir = scratch_root / "printed";
    fs::remove_all(dir);
    const std::string target = dir.string();
    const std::vector<std::string_view> args = {"init-db", target, "--households", "0"};
    ClassRegistry registry;
    std::ostringstream out, err;
    ASSERT_EQ(run_hearth(args, registry, out, err), 0) << err.str();
    const std::string printed = out.str();
    const std::string label = "password of user01: ";
    const auto at = printed.find(label);
    ASSERT_NE(at, std::string::npos) << printed;
    const std::string password = printed.substr(at + label.size(), printed.find('\n', at) - at - label.size());
    HearthApplication app;
    ASSERT_TRUE(app.open_databases(target));
    EXPECT_TRUE(app.login("user01", password));
    EXPECT_EQ(app.globals().gs_username, "操作员");
    EXPECT_FALSE(app.is_admin());
}

TEST(GfSubstr, SplitsAtTheSeparatorAndCountsZeroWithoutOne)
{
    struct Case {
        std::string list, separator;
        std::int32_t result, count;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"rprno,personno,name", ",", 0, 3, {"rprno", "personno", "name"}},
        {"a,,b,", ",", 0, 4, {"a", "", "b", ""}},
        {"a::b", "::", 0, 2, {"a", "b"}},
        {"rprno", ",", 0, 0, {}},
        {"", ",", 0, 0, {}},
        {"a,b", "", -1, 0, {}},
    };
    HearthApplication app;
    for (const Case& c : cases) {
        std::vector<std::string> parts {"stale"};
        std::int32_t count = 99;
        EXPECT_EQ(app.gf_substr(c.list, c.separator, parts, count), c.result) << c.list;
        EXPECT_EQ(count, c.count) << c.list;
        EXPECT_EQ(parts, c.parts) << c.list;
    }
}

TEST(ColumnAccess, TheMostSpecificRowDecides)
{
    const std::vector<ColumnRight> rights = {
        {"*", "*", true, false},       {"*", "Phone", false, false}, {"3", "*", true, true},
        {"3", "IDCard", false, false}, {"3", "phone", true, false},
    };
    struct Case {
        std::string page, column;
        ColumnAccess access;
    };
    const Case cases[] = {
        {"3", "idcard", ColumnAccess::Hidden},  // page and column
        {"3", "Phone", ColumnAccess::ReadOnly}, // page and column, before "*" and the column
        {"3", "name", ColumnAccess::Editable},  // page and "*"
        {"4", "phone", ColumnAccess::Hidden},   // "*" and the column
        {"4", "name", ColumnAccess::ReadOnly},  // "*" and "*"
    };
    for (const Case& c : cases)
        EXPECT_EQ(column_access(rights, c.page, c.column), c.access) << c.page << " " << c.column;
    EXPECT_EQ(column_access({}, "3", "name"), ColumnAccess::Hidden);
}

TEST_F(ApplicationTest, ColumnRightsHideAndProtectForTheUserAndNotTheAdministrator)
{
    Transaction& sqlca = app.globals().sqlca;
    ASSERT_EQ(sqlca.execute("INSERT INTO TC_SYS_ColumnRight (UserNo, PageName, ColumnName, CanView, CanEdit) "
                            "VALUES ('user01', '3', 'name', '0', '0'), ('user01', '3', 'amount', '1', '1')"),
              0)
        << sqlca.sql_err_text();
    ASSERT_EQ(sqlca.commit(), 0);
    auto look = [&](const std::string& userno, const std::string& password, std::int32_t page) {
        EXPECT_TRUE(app.login(userno, password));
        ObjectRef made = runtime.create_and_construct("datawindow");
        auto& dw = dynamic_cast<DataWindowControl&>(*made.get());
        EXPECT_EQ(dw.set_dataobject("d_grid"), 1);
        app.gf_gridcolumn_right(dw, page);
        std::string seen;
        for (const char* column : {"code", "amount", "name"})
            seen += std::string(column) + ":" + dw.describe(std::string(column) + ".Visible") + "/"
                + dw.describe(std::string(column) + ".TabSequence") + "/"
                + dw.describe(std::string(column) + ".Protect") + " ";
        seen += "name_t:" + dw.describe("name_t.Visible");
        runtime.destroy(made);
        return seen;
    };
    EXPECT_EQ(look("user01", community().user_password, 3), "code:1/0/1 amount:1/20/? name:0/0/? name_t:0");
    EXPECT_EQ(look("user01", community().user_password, 4), "code:1/0/1 amount:1/0/1 name:1/0/1 name_t:1");
    EXPECT_EQ(look("velmora_admin", "secret1", 3), "code:1/10/? amount:1/20/? name:1/30/? name_t:1");
    ASSERT_EQ(sqlca.execute("DELETE FROM TC_SYS_ColumnRight WHERE PageName = '3'"), 0);
    ASSERT_EQ(sqlca.commit(), 0);
}

TEST_F(ApplicationTest, MainWindowMenuStatusBarAndSheets)
{
    ASSERT_TRUE(app.login("velmora_admin", "secret1"));
    ObjectRef frame;
    ASSERT_EQ(desktop.open(frame, "w_main"), 1);
    auto* main = dynamic_cast<w_main*>(frame.get());
    ASSERT_TRUE(main);
    EXPECT_TRUE(app.globals().w_main.same_as(frame));
    EXPECT_TRUE(w_main_dw_tool(app.globals()).is_valid());
    EXPECT_TRUE(main->visible);

    // Items 1 and 2 are what p_main and p_close pop up.
    ASSERT_TRUE(main->menuid && main->menuid->item(1) && main->menuid->item(2));
    EXPECT_EQ(main->menuid->item(1)->text, "主菜单");
    EXPECT_TRUE(main->menuid->item(1)->find("m_ge_rpr"));
    EXPECT_TRUE(main->menuid->item(2)->find("m_exit"));

    runtime.dispatch(frame, "wf_setstatus", {Value("检索到3条记录!")});
    auto cell = [&](const Ref<uo_statusbar_unit>& unit) { return unit.get()->st_1.get()->text; };
    const uo_statusbar_main& bar = *main->uo_status.get();
    EXPECT_EQ(cell(bar.uo_1), "检索到3条记录!");
    EXPECT_EQ(cell(bar.uo_2), "当前用户：总管员");
    EXPECT_EQ(cell(bar.uo_5), "版本 1.0");
    EXPECT_EQ(desktop.status_texts(), std::vector<std::string> {"检索到3条记录!"});

    // ue_explorer: mode 1 shows the text; mode 0 opens a sheet, and an unknown one says so.
    EXPECT_EQ(runtime.dispatch(frame, "ue_explorer", {Value("正在连接"), Value::integer(1)}).value, Value(1));
    EXPECT_EQ(desktop.status_texts().back(), "正在连接");
    EXPECT_EQ(runtime.dispatch(frame, "ue_explorer", {Value("w_nosuch"), Value::integer(0)}).value, Value(-1));
    ASSERT_EQ(desktop.message_boxes().size(), 1u);
    EXPECT_EQ(desktop.message_boxes()[0].text, "无法打开窗口w_nosuch！");
    EXPECT_FALSE(main->get_active_sheet().is_valid());

    // The toolbar reaches the frame's ib_query through the application.
    EXPECT_EQ(app.w_main_ib_query(), &main->ib_query);

    // Exiting asks first; No keeps the frame, Yes closes it and it is no longer w_main.
    desktop.answer_message_box(2);
    main->menuid->item(2)->find("m_exit")->choose();
    EXPECT_TRUE(frame.is_valid());
    main->menuid->item(2)->find("m_exit")->choose();
    EXPECT_FALSE(frame.is_valid());
    EXPECT_FALSE(app.globals().w_main.is_valid());
    EXPECT_EQ(app.w_main_ib_query(), nullptr);
}

TEST_F(ApplicationTest, LoginWindowClosesWithOneOnlyForAGoodPassword)
{
    std::vector<std::int32_t> answers;
    desktop.set_response_handler("w_login", [&](Desktop& d, const ObjectRef& window) {
        answers.push_back(answer_login(d, window, "velmora_admin", "wrong"));
        answers.push_back(answer_login(d, window, "velmora_admin", "secret1"));
    });
    ObjectRef window;
    ASSERT_EQ(desktop.open(window, "w_login"), 1);
    EXPECT_EQ(answers, (std::vector<std::int32_t> {0, 1}));
    ASSERT_EQ(desktop.message_boxes().size(), 1u);
    EXPECT_EQ(desktop.message_boxes()[0].text, "用户名或口令错误！");
    EXPECT_FALSE(window.is_valid());
    EXPECT_EQ(runtime.message_object()->string_parm, "1");
    EXPECT_EQ(app.globals().gs_username, "总管员");
}

TEST(ApplicationOpen, PostgresOpensTheNamedDatabaseAndItsArchive)
{
    const char* server = std::getenv("HEARTH_TEST_PG");
    if (!server)
        GTEST_SKIP() << "HEARTH_TEST_PG is not set";
    const std::string name = "hearth_app_" + std::to_string(::getpid());
    const std::string target = conninfo_for(server, name);
    ASSERT_TRUE(init_db({target, 0, 1, "secret1"}));
    {
        HearthApplication app;
        auto opened = app.open_databases(target);
        ASSERT_TRUE(opened) << opened.error();
        EXPECT_EQ(app.globals().gs_workparm.size(), 16u);
        EXPECT_TRUE(app.login("velmora_admin", "secret1"));
        // The archive is the database of the same name with _archive appended.
        Value archive {std::string()};
        EXPECT_EQ(app.globals().photosqlca.select_into("SELECT current_database() INTO :a", {{"a", &archive}}), 0);
        EXPECT_EQ(archive.as_string(), name + "_archive");
        HearthApplication missing;
        auto refused = missing.open_databases(conninfo_for(server, name + "_none"));
        ASSERT_FALSE(refused);
        EXPECT_NE(refused.error().find("无法打开数据库"), std::string::npos) << refused.error();
    }
    Transaction admin;
    admin.set_dbms("PostgreSQL");
    admin.set_database(conninfo_for(server, "postgres"));
    admin.set_autocommit(AutoCommit::On);
    ASSERT_EQ(admin.connect(), 0) << admin.sql_err_text();
    for (const std::string& db : {name, name + "_archive"})
        EXPECT_EQ(admin.execute_immediate("DROP DATABASE " + db), 0) << admin.sql_err_text();
}

// The scratch folder goes when the program ends.
class RemoveScratch : public ::testing::Environment {
    void TearDown() override { fs::remove_all(scratch_root); }
};
[[maybe_unused]] const ::testing::Environment* const remove_scratch
    = ::testing::AddGlobalTestEnvironment(new RemoveScratch);

} // namespace
