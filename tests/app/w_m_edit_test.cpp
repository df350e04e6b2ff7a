// The editing windows where a scenario cannot reach: identity numbers one by one, a record
// that someone else changed while it was open for editing, and a COMMIT that fails.

#include "app/app_classes.h"
#include "app/application.h"
#include "app/identity_number.h"
#include "app/init_db.h"
#include "app/w_m_edit.h"
#include "app/w_main.h"
#include "host/object/runtime.h"
#include "host/sql/driver.h"
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

// The real driver, whose COMMIT fails while `fail_commit` is set (the backend never sees it).
class CommitFails : public sql::Driver {
public:
    CommitFails(std::unique_ptr<sql::Driver> real, const bool& fail) : m_real(std::move(real)), m_fail(fail) {}
    sql::Dbms dbms() const override { return m_real->dbms(); }
    bool connect(const sql::ConnectParams& params, sql::DbError& error) override
    {
        return m_real->connect(params, error);
    }
    void disconnect() override { m_real->disconnect(); }
    bool is_connected() const override { return m_real->is_connected(); }
    std::unique_ptr<sql::Statement> prepare(std::string_view text, int params, sql::Reuse reuse,
                                            sql::DbError& error) override
    {
        return m_real->prepare(text, params, reuse, error);
    }
    bool begin(sql::DbError& error) override { return m_real->begin(error); }
    bool commit(sql::DbError& error) override
    {
        if (!m_fail)
            return m_real->commit(error);
        error.code = 1;
        error.text = "commit refused";
        return false;
    }
    bool rollback(sql::DbError& error) override { return m_real->rollback(error); }

private:
    std::unique_ptr<sql::Driver> m_real;
    const bool& m_fail;
};

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

    // The window of the persons page of the first household, opened with `parm`.
    w_m_edit* open_person(const std::string& parm, ObjectRef& window)
    {
        Object* inner = globals.guo_tab.get()->nested("tab_1").get();
        desktop.click_tab(inner->ref(), 2);
        auto* page = dynamic_cast<uo_tabpg_datawindow*>(globals.guo_tabpg_now.get());
        EXPECT_TRUE(page && page->dw_1.get()->row_count() >= 1);
        EXPECT_EQ(desktop.open_with_parm(window, Value(parm), "w_m_GE_PersonInfo"), 1);
        auto* edit = dynamic_cast<w_m_edit*>(window.get());
        EXPECT_TRUE(edit && dynamic_cast<DataWindowControl*>(edit->dw_1.get())->row_count() == 1);
        return edit;
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
        w_m_edit* edit = open_person("修改", window);
        ASSERT_NE(edit, nullptr);
        auto* form = dynamic_cast<DataWindowControl*>(edit->dw_1.get());
        const std::string person = form->get_item_string(1, "personno").as_string();
        const std::string before = stored_name(person);

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
    }
}

// A failed COMMIT is rolled back and told; the record typed stays in the window, and saving
// again writes it.
TEST_F(EditWindow, FailedCommitSavesNothingAndCanBeTriedAgain)
{
    bool fail_commit = false;
    Transaction& sqlca = globals.sqlca;
    ASSERT_EQ(sqlca.disconnect(), 0);
    sqlca.set_driver_factory(
        [&](sql::Dbms dbms) { return std::make_unique<CommitFails>(sql::make_driver(dbms), fail_commit); });
    ASSERT_EQ(sqlca.connect(), 0) << sqlca.sql_err_text();

    ObjectRef window;
    w_m_edit* edit = open_person("添加", window);
    ASSERT_NE(edit, nullptr);
    auto* form = dynamic_cast<DataWindowControl*>(edit->dw_1.get());
    form->set_item(1, "personno", Value("P000000777"));
    form->set_item(1, "name", Value("钱七"));
    fail_commit = true;
    ASSERT_EQ(desktop.click_button(edit->cb_save), 1);
    EXPECT_EQ(desktop.message_boxes().back().text, "保存不成功：提交时出错，记录没有保存！\ncommit refused");
    EXPECT_TRUE(window.is_valid());
    EXPECT_EQ(stored_name("P000000777"), "(none)");

    fail_commit = false;
    ASSERT_EQ(desktop.click_button(edit->cb_save), 1);
    EXPECT_FALSE(window.is_valid());
    EXPECT_EQ(stored_name("P000000777"), "钱七");
    auto* page = dynamic_cast<uo_tabpg_datawindow*>(globals.guo_tabpg_now.get());
    ASSERT_NE(page, nullptr);
    uo_dw& list = *page->dw_1.get();
    EXPECT_EQ(list.get_item_string(list.get_row(), "personno").as_string(), "P000000777");
}

} // namespace
