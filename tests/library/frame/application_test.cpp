#include "memory_application.h"

#include "library/frame/application.h"

#include <gtest/gtest.h>

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
