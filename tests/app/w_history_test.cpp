// Restoring from the history archive: a number in use again is refused, a restore that fails
// half-way leaves the current tables as they were and the history whole, and a restore that
// goes through moves the rows back and clears their history.

#include "app/application.h"
#include "app/init_db.h"
#include "app/w_history.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// The first column of the first row of `query` on the records database with the archive
// attached as `arch`, as text; statements without a result give "".
std::string run(const fs::path& dir, const std::string& query)
{
    sqlite3* db = nullptr;
    sqlite3_open((dir / hearth::records_file).c_str(), &db);
    sqlite3_exec(db, ("ATTACH '" + (dir / hearth::archive_file).string() + "' AS arch").c_str(), nullptr, nullptr,
                 nullptr);
    sqlite3_exec(db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    std::string out;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        out = std::string("error: ") + sqlite3_errmsg(db);
    else if (const int step = sqlite3_step(statement); step == SQLITE_ROW)
        out = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    else if (step != SQLITE_DONE)
        out = std::string("error: ") + sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return out;
}

// Archives household `rprno` with its persons and their other information as the deletion
// does, then deletes it from the current tables (its persons go with it).
void archive_household(const fs::path& dir, const std::string& rprno)
{
    const std::string persons = "(SELECT PersonNo FROM main.TC_GE_PersonInfo WHERE RprNo = '" + rprno + "')";
    for (const std::string& statement :
         {"INSERT INTO arch.th_ge_rpr SELECT *, CURRENT_TIMESTAMP FROM main.TC_GE_Rpr WHERE RprNo = '" + rprno + "'",
          "INSERT INTO arch.th_ge_personinfo SELECT PersonNo, RprNo, Name, UsedName, Sex, IDCard, BirthDate, Nation, "
          "HostRelation, PersonKind, RoleRelation, Education, Marriage, Address, Phone, RegDate, Remark, '5', "
          "CURRENT_TIMESTAMP FROM main.TC_GE_PersonInfo WHERE RprNo = '"
              + rprno + "'",
          "INSERT INTO arch.th_ge_company SELECT *, CURRENT_TIMESTAMP FROM main.TC_GE_Company WHERE PersonNo IN "
              + persons,
          "DELETE FROM main.TC_GE_Rpr WHERE RprNo = '" + rprno + "'"})
        ASSERT_EQ(run(dir, statement), "") << statement;
}

TEST(RestoreHistory, RefusesNumbersInUseNeverHalfRestoresAndClearsTheHistoryAfterwards)
{
    const fs::path dir = fs::temp_directory_path() / ("hearth_history_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    ASSERT_TRUE(hearth::init_db({dir.string(), 30, 1, "secret1"}));
    archive_household(dir, "R000000001");
    const std::string current_persons = "SELECT count(*) FROM main.TC_GE_PersonInfo WHERE RprNo = 'R000000001'";
    const std::string history_persons = "SELECT count(*) FROM arch.th_ge_personinfo WHERE RprNo = 'R000000001'";
    ASSERT_EQ(run(dir, current_persons), "0");
    ASSERT_EQ(run(dir, history_persons), "5");
    ASSERT_EQ(run(dir, "SELECT count(*) FROM arch.th_ge_company"), "2");

    hearth::HearthApplication app;
    ASSERT_TRUE(app.open_databases(dir.string()));

    // A company record's number taken by another person since: the household and its
    // persons went in first, and all of it is rolled back.
    const std::string order = run(dir, "SELECT min(OrderNo) FROM arch.th_ge_company");
    ASSERT_EQ(run(dir, "INSERT INTO main.TC_GE_Company (OrderNo, PersonNo) VALUES (" + order + ", 'R00000000201')"),
              "");
    hearth::RestoreOutcome outcome
        = hearth::restore_history(app.globals(), hearth::ArchivedKind::Household, "R000000001");
    EXPECT_EQ(outcome.rows, 0);
    EXPECT_TRUE(outcome.message.starts_with("恢复不成功！")) << outcome.message;
    EXPECT_EQ(run(dir, "SELECT count(*) FROM main.TC_GE_Rpr WHERE RprNo = 'R000000001'"), "0");
    EXPECT_EQ(run(dir, current_persons), "0");
    EXPECT_EQ(run(dir, history_persons), "5");
    EXPECT_EQ(run(dir, "SELECT count(*) FROM arch.th_ge_company"), "2");
    ASSERT_EQ(run(dir, "DELETE FROM main.TC_GE_Company WHERE OrderNo = " + order), "");

    // A person alone while the household is not current; a household whose number is in use.
    outcome = hearth::restore_history(app.globals(), hearth::ArchivedKind::Person, "R00000000102");
    EXPECT_EQ(outcome.message, "人员R00000000102所在的户籍R000000001不在当前库中，请先恢复户籍！");
    ASSERT_EQ(run(dir, "INSERT INTO main.TC_GE_Rpr (RprNo) VALUES ('R000000001')"), "");
    outcome = hearth::restore_history(app.globals(), hearth::ArchivedKind::Household, "R000000001");
    EXPECT_EQ(outcome.message, "户籍编号R000000001已在当前库中使用，不能恢复！");
    EXPECT_EQ(outcome.rows, 0);
    ASSERT_EQ(run(dir, "DELETE FROM main.TC_GE_Rpr WHERE RprNo = 'R000000001'"), "");

    // Through: the rows are current again, not archived, and their history is gone.
    outcome = hearth::restore_history(app.globals(), hearth::ArchivedKind::Household, "R000000001");
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(outcome.rows, 1 + 5 + 2); // the household, its persons, their companies
    EXPECT_FALSE(outcome.history_kept);
    EXPECT_EQ(run(dir, current_persons), "5");
    EXPECT_EQ(run(dir, "SELECT group_concat(DISTINCT IsSave) FROM main.TC_GE_PersonInfo WHERE RprNo = 'R000000001'"),
              "0");
    EXPECT_EQ(run(dir, "SELECT count(*) FROM main.TC_GE_Company WHERE PersonNo LIKE 'R000000001%'"), "2");
    EXPECT_EQ(run(dir, history_persons), "0");
    EXPECT_EQ(run(dir, "SELECT count(*) FROM arch.th_ge_rpr"), "0");
    EXPECT_EQ(run(dir, "SELECT count(*) FROM arch.th_ge_company"), "0");
    app.close_databases();
    fs::remove_all(dir);
}

} // namespace
