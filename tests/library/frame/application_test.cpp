#include "memory_application.h"

#include "library/frame/application.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace hearth;
using namespace hearth::test;

namespace {

TEST(Application, TheCurrentApplicationIsSetForAScopeAndRestored)
{
    EXPECT_EQ(Application::current(), nullptr);
    MemoryApplication outer;
    {
        CurrentApplication scope(outer);
        EXPECT_EQ(Application::current(), &outer);
        MemoryApplication inner;
        {
            CurrentApplication nested(inner);
            EXPECT_EQ(Application::current(), &inner);
        }
        EXPECT_EQ(Application::current(), &outer);
    }
    EXPECT_EQ(Application::current(), nullptr);
}

TEST(Application, LibraryReachesGlobalsAndFunctionsThroughTheInterface)
{
    MemoryApplication memory;
    CurrentApplication scope(memory);
    Application& app = *Application::current();

    AppGlobals& globals = app.globals();
    globals.gs_username = "管理员";
    globals.gl_backcolor = 16777215;
    globals.gi_tunepic = 120;
    globals.gs_workparm.assign(16, "否");
    globals.gs_workparm[7 - 1] = "是";
    EXPECT_EQ(memory.globals().gs_username, "管理员");
    EXPECT_EQ(memory.globals().gl_backcolor, 16777215);
    EXPECT_EQ(memory.globals().gi_tunepic, 120);
    EXPECT_EQ(memory.globals().gs_workparm.at(6), "是");
    EXPECT_FALSE(globals.guo_tabpg_now.is_valid());

    app.gf_userlog("删除记录", 3, "hu_info");
    ASSERT_EQ(memory.user_log().size(), 1u);
    EXPECT_EQ(memory.user_log()[0].text, "删除记录");
    EXPECT_EQ(memory.user_log()[0].kind, 3);
    EXPECT_EQ(memory.user_log()[0].detail, "hu_info");
}

// sqlca holds the current data and photosqlca the history and photos: two connections of
// their own, so a rollback on one never undoes the other.
TEST(Application, SqlcaAndPhotosqlcaAreSeparateConnections)
{
    MemoryApplication memory;
    AppGlobals& globals = memory.globals();
    EXPECT_EQ(globals.sqlca.name(), "sqlca");
    EXPECT_EQ(globals.photosqlca.name(), "photosqlca");
    EXPECT_EQ(globals.sqlca.dbms(), "SQLite"); // the embedded default
    const std::string base = ::testing::TempDir() + "hearth_globals_" + std::to_string(::getpid());
    for (Transaction* tx : {&globals.sqlca, &globals.photosqlca}) {
        tx->set_database(base + "_" + tx->name() + ".db");
        tx->set_dbparm("Create='Yes'");
        ASSERT_EQ(tx->connect(), 0) << tx->sql_err_text();
        ASSERT_EQ(tx->execute_immediate("CREATE TABLE t (a integer)"), 0);
        ASSERT_EQ(tx->commit(), 0);
        ASSERT_EQ(tx->execute_immediate("INSERT INTO t VALUES (1)"), 0);
    }
    EXPECT_EQ(globals.photosqlca.rollback(), 0);
    EXPECT_EQ(globals.sqlca.commit(), 0);
    Value count;
    EXPECT_EQ(globals.sqlca.select_into("SELECT Count(a) INTO :n FROM t", {{"n", &count}}), 0);
    EXPECT_EQ(count.as_integral(), 1);
    EXPECT_EQ(globals.photosqlca.select_into("SELECT Count(a) INTO :n FROM t", {{"n", &count}}), 0);
    EXPECT_EQ(count.as_integral(), 0);
    for (Transaction* tx : {&globals.sqlca, &globals.photosqlca}) {
        tx->disconnect();
        for (const char* suffix : {"", "-wal", "-shm"})
            std::remove((base + "_" + tx->name() + ".db" + suffix).c_str());
    }
}

TEST(Application, SubstrSplitsAListIntoPartsAndCount)
{
    struct Case {
        const char* list;
        const char* separator;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"hu_id,name,sex", ",", {"hu_id", "name", "sex"}},
        {"a;;b", ";", {"a", "", "b"}},
        {"single", ",", {"single"}},
        {"", ",", {}},
        {"a,b", "", {"a,b"}},
    };
    MemoryApplication memory;
    for (const Case& c : cases) {
        std::vector<std::string> parts = {"stale"};
        std::int32_t count = -1;
        EXPECT_EQ(memory.gf_substr(c.list, c.separator, parts, count), 0) << c.list;
        EXPECT_EQ(parts, c.parts) << c.list;
        EXPECT_EQ(count, std::int32_t(c.parts.size())) << c.list;
    }
}

} // namespace
