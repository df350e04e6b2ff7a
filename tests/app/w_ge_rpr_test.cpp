// w_ge_rpr: the pages the household sheet makes when it opens, in order, with their relations
// and the permissions of the user's rights, and the household grid's first retrieval.

#include "app/app_classes.h"
#include "app/application.h"
#include "app/init_db.h"
#include "app/w_main.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "library/library_classes.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace hearth;

class HouseholdSheet : public ::testing::Test {
protected:
    // 20 households and one that holds nothing but its number.
    static void SetUpTestSuite()
    {
        folder = fs::temp_directory_path() / ("hearth_sheet_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        auto done = init_db({folder.string(), 20, 2, "admin-secret"});
        ASSERT_TRUE(done) << done.error();
        user_password = done->user_password;
        sqlite3* db = nullptr;
        sqlite3_open((folder / records_file).c_str(), &db);
        ASSERT_EQ(sqlite3_exec(db, "INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R000000000')", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    static void TearDownTestSuite() { fs::remove_all(folder); }

    void SetUp() override
    {
        for (auto step : {register_ui_classes, register_library_classes, register_app_classes})
            ASSERT_EQ(error_text(step(registry)), "");
        ASSERT_EQ(error_text(application.open_databases(folder.string())), "");
    }

    // Logs the user in, opens the frame and the sheet; the pages of the sheet's inner tab.
    std::vector<uo_tabpg_datawindow*> open_sheet(const std::string& user, const std::string& password)
    {
        EXPECT_EQ(error_text(application.login(user, password)), "");
        ObjectRef frame;
        EXPECT_EQ(desktop.open(frame, "w_main"), 1);
        auto* main = dynamic_cast<w_main*>(frame.get());
        EXPECT_NE(main, nullptr);
        EXPECT_TRUE(main && main->open_sheet("w_ge_rpr").is_valid());
        EXPECT_EQ(runtime.error_log().size(), 0u);
        std::vector<uo_tabpg_datawindow*> pages;
        Object* guo_tab = globals.guo_tab.get();
        if (!guo_tab)
            return pages;
        auto* inner = dynamic_cast<Tab*>(guo_tab->nested("tab_1").get());
        EXPECT_NE(inner, nullptr);
        for (const ObjectRef& page : inner ? inner->control() : std::vector<ObjectRef> {})
            pages.push_back(dynamic_cast<uo_tabpg_datawindow*>(page.get()));
        EXPECT_EQ(inner ? inner->selectedtab : 0, 1);
        return pages;
    }

    static inline fs::path folder;
    static inline std::string user_password;
    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime, dw::ObjectLibrary({fs::path(HEARTH_SOURCE_DIR) / "app/objects"})};
    HearthApplication application;
    CurrentApplication current {application};
    AppGlobals& globals = application.globals();
};

TEST_F(HouseholdSheet, PagesInOrderWithTheirRelations)
{
    struct Expected {
        const char* class_name;
        const char* dataobject;
        const char* tag;
        const char* key;
        const char* relafield;
        const char* autocolumn;
        std::int16_t issingle;
        const char* haverelation;
        const char* masterid;
    };
    const Expected expected[] = {
        {"uo_tabpg_grid", "d_ge_rpr", "101", "GE_Rpr", "", "", 0, "1", ""},
        {"uo_tabpg_datawindow", "d_ge_personinfo", "102", "GE_PersonInfo", "rprno", "rprno", 0, "", "101"},
        {"uo_tabpg_datawindow", "d_ge_rprownhouse", "103", "GE_RprOwnHouse", "rprno", "rprno", 0, "", "101"},
        {"uo_tabpg_datawindow", "d_ge_familyhonor", "104", "GE_FamilyHonor", "rprno", "rprno", 0, "", "101"},
        {"uo_tabpg_form", "d_ge_rpr_f", "105", "GE_Rpr", "rprno", "", 1, "", "101"},
    };
    const std::vector<uo_tabpg_datawindow*> pages = open_sheet("velmora_admin", "admin-secret");
    ASSERT_EQ(pages.size(), std::size(expected));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(e.dataobject);
        ASSERT_NE(pages[i], nullptr);
        const uo_tabpg_datawindow& page = *pages[i];
        EXPECT_EQ(page.class_name(), e.class_name);
        ASSERT_TRUE(page.dw_1.is_valid());
        EXPECT_EQ(page.dw_1.get()->dataobject(), e.dataobject);
        EXPECT_EQ(page.dw_1.get()->load_error(), "");
        EXPECT_EQ(page.tag, e.tag);
        EXPECT_EQ(page.is_stringpara, e.key);
        EXPECT_EQ(page.is_relafield, e.relafield);
        EXPECT_EQ(page.is_autocolumn, e.autocolumn);
        EXPECT_EQ(page.ii_issingle, e.issingle);
        EXPECT_EQ(page.is_haverelation, e.haverelation);
        EXPECT_EQ(page.is_masterid, e.masterid);
        EXPECT_EQ(page.is_toolbarstatus, "0000000000");
    }
    EXPECT_TRUE(globals.guo_tabpg_master.same_as(pages[0]->ref()));
    EXPECT_TRUE(globals.guo_tabpg_now.same_as(pages[0]->ref()));

    // The grid shows every household, the one with nothing but its number first.
    uo_dw& grid = *pages[0]->dw_1.get();
    EXPECT_EQ(grid.row_count(), 21);
    EXPECT_EQ(grid.get_item_string(1, "rprno").as_string(), "R000000000");
    EXPECT_TRUE(grid.get_item_string(1, "hostname").is_null());
    EXPECT_EQ(grid.get_item_string(2, "rprno").as_string(), "R000000001");
}

TEST_F(HouseholdSheet, OrdinaryUserMayNotAddChangeOrDelete)
{
    for (uo_tabpg_datawindow* page : open_sheet("user01", user_password)) {
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->is_toolbarstatus, "0011100000") << page->dw_1.get()->dataobject();
    }
}

} // namespace
