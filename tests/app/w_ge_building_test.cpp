// w_ge_building: what a transcript cannot show of the deletions a user makes on the building
// sheet: the photos of a building's honours, in the second database, go with the honours.

#include "app/init_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// The first column of the first row of `query`, as text ("" for none or null).
std::string scalar(const fs::path& db_file, const std::string& query)
{
    sqlite3* db = nullptr;
    sqlite3_open(db_file.c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0))
        out = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return out;
}

void run_sql(const fs::path& db_file, const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(db_file.c_str(), &db);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
}

TEST(BuildingSheet, HonourPhotosGoWithTheHonoursAndTheBuilding)
{
    const fs::path folder = fs::temp_directory_path() / ("hearth_building_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    ASSERT_TRUE(hearth::init_db({folder.string(), 30, 1, "demo-secret"}));
    const fs::path records = folder / hearth::records_file;
    const fs::path archive = folder / hearth::archive_file;
    // A third building without houses, with an honour and its photo.
    run_sql(records,
            "INSERT INTO TC_GE_Building (BuildingNo, BuildingName) VALUES (3, '3号楼'); "
            "INSERT INTO TC_GE_BuildingPrize (OrderNo, BuildingNo, PrizeName) VALUES (2, 3, '文明楼院')");
    run_sql(archive, "INSERT INTO TS_BuildingPrizePhoto (OrderNo) VALUES (2)");
    ASSERT_EQ(scalar(archive, "SELECT count(*) FROM TS_BuildingPrizePhoto"), "2");

    // The honour of the first building, then the third building with its honour.
    const fs::path scenario = folder / "delete.play";
    std::ofstream(scenario) << "login velmora_admin demo-secret\nopen w_ge_building\n"
                               "tab d_ge_buildingprize\nanswer 1\npress p_del\n"
                               "tab d_ge_building\nrow 3\nanswer 1\npress p_del\n";
    const std::string command = "XDG_CONFIG_HOME='" + (folder / "config").string() + "' '" + HEARTH_COMMAND + "' play '"
        + scenario.string() + "' --db '" + folder.string() + "' >'" + (folder / "out").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    // Both honours and their photos are gone; the third building too, the other two stay.
    EXPECT_EQ(scalar(records, "SELECT count(*) FROM TC_GE_BuildingPrize"), "0");
    EXPECT_EQ(scalar(archive, "SELECT count(*) FROM TS_BuildingPrizePhoto"), "0");
    EXPECT_EQ(scalar(records, "SELECT group_concat(BuildingNo) FROM TC_GE_Building"), "1,2");
    fs::remove_all(folder);
}

} // namespace
