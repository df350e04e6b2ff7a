// The editing windows where a scenario cannot reach: identity numbers one by one, and a record
// that someone else changed while it was open for editing.

#include "app/app_classes.h"
#include "app/application.h"
#include "app/identity_number.h"
#include "app/init_db.h"
#include "app/w_m_edit.h"
#include "app/w_main.h"
#include "host/object/runtime.h"
#include "host/ui/datawindow_control.h"
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

TEST(IdentityNumber, FaultsInTheOrderTheyAreTold)
{
    struct Case {
        const char* number;
        std::optional<IdNumberFault> fault;
    };
    const Case cases[] = {
        {"110105198503150035", std::nullopt},
        {"11010519850315049X", std::nullopt},
        {"11010519850315049x", std::nullopt},         // a lower-case x is taken for X
        {"110105200002290013", std::nullopt},         // 2000 is a leap year
        {"11010519850315003", IdNumberFault::Form},   // 17 characters
        {"1101051985031500355", IdNumberFault::Form}, // 19
        {"11010519850315003A", IdNumberFault::Form},
        {"1101051985031500X5", IdNumberFault::Form},
        {"110105190002290011", IdNumberFault::BirthDate}, // 1900 is not
        {"110105198513150031", IdNumberFault::BirthDate}, // month 13
        {"110105198503150036", IdNumberFault::CheckDigit},
        {"11010519850315049 ", IdNumberFault::Form},
    };
    for (const Case& c : cases)
        EXPECT_EQ(check_id_number(c.number), c.fault) << c.number;
    EXPECT_EQ(id_check_digit("11010519491231002"), 'X');
}

class EditWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = fs::temp_directory_path() / ("hearth_edit_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        auto done = init_db({folder.string(), 3, 1, "admin-secret"});
        ASSERT_TRUE(done) << done.error();
    }
    static void TearDownTestSuite() { fs::remove_all(folder); }

    void SetUp() override
    {
        for (auto step : {register_ui_classes, register_library_classes, register_app_classes})
            ASSERT_EQ(error_text(step(registry)), "");
        ASSERT_EQ(error_text(application.open_databases(folder.string())), "");
        ASSERT_EQ(error_text(application.login("velmora_admin", "admin-secret")), "");
        ObjectRef frame;
        ASSERT_EQ(desktop.open(frame, "w_main"), 1);
        auto* main = dynamic_cast<w_main*>(frame.get());
        ASSERT_TRUE(main && main->open_sheet("w_ge_rpr").is_valid());
    }

    // Another user's statement on the records database.
    static void elsewhere(const std::string& statement)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder / records_file).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    static std::string stored_name(const std::string& person)
    {
        sqlite3* db = nullptr;
        sqlite3_open((folder / records_file).c_str(), &db);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT Name FROM TC_GE_PersonInfo WHERE PersonNo = ?", -1, &statement, nullptr);
        sqlite3_bind_text(statement, 1, person.c_str(), -1, SQLITE_TRANSIENT);
        std::string name = sqlite3_step(statement) == SQLITE_ROW
            ? reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))
            : "(none)";
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return name;
    }

    static inline fs::path folder;
    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime, dw::ObjectLibrary({fs::path(HEARTH_SOURCE_DIR) / "app/objects"})};
    HearthApplication application;
    CurrentApplication current {application};
    AppGlobals& globals = application.globals();
};

// The record changed (or went) after the window read it: the save says so and writes nothing,
// and the window stays open with what was typed.
TEST_F(EditWindow, RecordChangedByAnotherUserIsNotOverwritten)
{
    const std::string changed = "这条记录在您打开之后已被别人修改或删除，没有保存。请关闭后重新打开再改。";
    for (const char* other : {"UPDATE TC_GE_PersonInfo SET Phone = '13000000000' WHERE PersonNo = '{}'",
                              "DELETE FROM TC_GE_PersonInfo WHERE PersonNo = '{}'"}) {
        SCOPED_TRACE(other);
        ObjectRef window;
        // The persons of the first household, the first of them open for editing.
        Object* inner = globals.guo_tab.get()->nested("tab_1").get();
        desktop.click_tab(inner->ref(), 2);
        auto* page = dynamic_cast<uo_tabpg_datawindow*>(globals.guo_tabpg_now.get());
        ASSERT_NE(page, nullptr);
        ASSERT_GE(page->dw_1.get()->row_count(), 1);
        const std::string person = page->dw_1.get()->get_item_string(1, "personno").as_string();
        const std::string before = stored_name(person);
        ASSERT_EQ(desktop.open_with_parm(window, Value("修改"), "w_m_GE_PersonInfo"), 1);
        auto* edit = dynamic_cast<w_m_edit*>(window.get());
        ASSERT_NE(edit, nullptr);
        auto* form = dynamic_cast<DataWindowControl*>(edit->dw_1.get());
        ASSERT_EQ(form->row_count(), 1);

        std::string statement = other;
        statement.replace(statement.find("{}"), 2, person);
        elsewhere(statement);
        form->set_item(1, "name", Value("改了的名字"));
        const std::size_t boxes = desktop.message_boxes().size();
        ASSERT_EQ(desktop.click_button(edit->cb_save), 1);
        ASSERT_EQ(desktop.message_boxes().size(), boxes + 1);
        EXPECT_EQ(desktop.message_boxes().back().text, changed);
        EXPECT_TRUE(window.is_valid());
        EXPECT_EQ(stored_name(person), statement.starts_with("DELETE") ? "(none)" : before);
        desktop.close(window);
        desktop.click_tab(inner->ref(), 1);
    }
}

} // namespace
