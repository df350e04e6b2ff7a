// The files the export scenarios write (app/scenarios/export_*.play), read back by readers
// that share nothing with the program (tests/app/read_export.py: xlrd, openpyxl, html.parser,
// csv, sqlite3, dbfread): every format holds the rows the page showed, in the page's order,
// under the headings the format has.

#include "app/init_db.h"
#include "app/password.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string output_of(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        if (::pclose(pipe) != 0)
            out += "(exit status not 0)\n";
    }
    return out;
}

std::string read_back(const fs::path& file)
{
    return output_of(
        fmt::format("/usr/bin/python3 '{}/tests/app/read_export.py' '{}' 2>&1", HEARTH_SOURCE_DIR, file.string()));
}

// The households straight from the database, in household number order as the grid shows
// them: a line each, the cells as read_export.py prints them.
std::string households(const fs::path& db, const std::string& where)
{
    sqlite3* handle = nullptr;
    sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
    const std::string query = "SELECT RprNo, HostName, RprType, Address, Phone, RegDate, PersonNum, InCommHouseNum, "
                              "OutCommHouseNum, InCommHouseArea, OutCommHouseArea, Remark, IsSave FROM TC_GE_Rpr "
        + where + " ORDER BY RprNo";
    sqlite3_stmt* statement = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(handle, query.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        out = sqlite3_errmsg(handle);
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            out += i ? "|" : "";
            // The areas are decimal(2) on the page: kept to two places, as the DataWindow holds them.
            const double number = std::round(sqlite3_column_double(statement, i) * 100) / 100;
            switch (sqlite3_column_type(statement, i)) {
            case SQLITE_NULL: break;
            case SQLITE_INTEGER: out += std::to_string(sqlite3_column_int64(statement, i)); break;
            case SQLITE_FLOAT:
                out += number == std::trunc(number) ? fmt::format("{:.0f}", number) : fmt::format("{}", number);
                break;
            default: out += reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            }
        }
        out += '\n';
    }
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return out;
}

class ExportReadback : public ::testing::Test {
protected:
    // A community like the scenario tests' (30 households and one that holds nothing but its
    // number, the three-character administrator chief3), on which the export scenarios play.
    static void SetUpTestSuite()
    {
        fs::remove_all(folder);
        auto done = hearth::init_db({(folder / "db").string(), 30, 1, "demo-secret"});
        ASSERT_TRUE(done) << done.error();
        auto hash = hearth::hash_password("q7x");
        ASSERT_TRUE(hash) << hash.error();
        sqlite3* db = nullptr;
        sqlite3_open((folder / "db" / hearth::records_file).c_str(), &db);
        const std::string additions = "INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R000000000');"
                                      "INSERT INTO TC_SYS_User (UserNo, UserName, PassHash, IsAdmin) VALUES ('chief3', "
                                      "'总管员', '"
            + *hash + "', '1')";
        ASSERT_EQ(sqlite3_exec(db, additions.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
        for (const char* scenario : {"export_administrator", "export_other_users"}) {
            const fs::path files = folder / scenario;
            fs::create_directories(files);
            const std::string command = fmt::format(
                "HEARTH_DEMO_PASSWORD=demo-secret HEARTH_ADMIN3_PASSWORD=q7x HEARTH_USER_PASSWORD='{}' "
                "XDG_CONFIG_HOME='{}' HEARTH_PLAY_FILES='{}' '{}' play '{}/app/scenarios/{}.play' --db '{}' 2>&1 "
                ">/dev/null",
                done->user_password, (folder / "config").string(), files.string(), HEARTH_COMMAND, HEARTH_SOURCE_DIR,
                scenario, (folder / "db").string());
            EXPECT_EQ(output_of(command), "") << scenario;
        }
    }
    static void TearDownTestSuite() { fs::remove_all(folder); }

    static inline const fs::path folder = fs::temp_directory_path() / ("hearth_readback_" + std::to_string(::getpid()));
};

TEST_F(ExportReadback, EveryFormatHoldsThePagesRowsUnderItsHeadings)
{
    const fs::path db = folder / "db" / hearth::records_file;
    const std::string all = households(db, "");
    const std::string three_persons = households(db, "WHERE PersonNum = 3");
    ASSERT_EQ(std::count(all.begin(), all.end(), '\n'), 31) << all;
    ASSERT_EQ(std::count(three_persons.begin(), three_persons.end(), '\n'), 7) << three_persons;

    // Workbooks are headed by the page's titles, HTML by the column names, dBASE by the field
    // names (ten characters at most, kept apart by a number); text and SQL have no headings.
    const std::string titles = "户号|户主姓名|户口类别|住址|电话|登记日期|人数|区内房屋数|区外房屋数|区内房屋面积|"
                               "区外房屋面积|备注|存档\n";
    const std::string names = "rprno|hostname|rprtype|address|phone|regdate|personnum|incommhousenum|"
                              "outcommhousenum|incommhousearea|outcommhousearea|remark|issave\n";
    const std::string fields = "RPRNO|HOSTNAME|RPRTYPE|ADDRESS|PHONE|REGDATE|PERSONNUM|INCOMMHOUS|OUTCOMMHOU|"
                               "INCOMMHO_1|OUTCOMMH_1|REMARK|ISSAVE\n";
    const fs::path administrator = folder / "export_administrator";
    const fs::path chief3 = folder / "export_other_users";
    const std::pair<fs::path, std::string> cases[] = {
        {administrator / "households.xls", titles + all},
        {administrator / "HOUSEHOLDS2.XLS", titles + all},
        {administrator / "households.xlsx", titles + all},
        {administrator / "households.htm", names + all},
        {administrator / "households.dbf", fields + all},
        {administrator / "households.sql", all},
        {administrator / "households.txt", all},
        // After a query by the number of persons: the rows it found.
        {chief3 / "three_persons.xls", titles + three_persons},
        {chief3 / "three_persons.sql", three_persons},
        {chief3 / "three_persons.htm", names + three_persons},
    };
    for (const auto& [file, expected] : cases)
        EXPECT_EQ(read_back(file), expected) << file;

    // A ".doc" name and a folder that does not exist leave nothing behind.
    EXPECT_FALSE(fs::exists(administrator / "households.doc"));
    EXPECT_FALSE(fs::exists(chief3 / "three_persons.doc"));
    EXPECT_FALSE(fs::exists(administrator / "no_such_folder"));
    EXPECT_EQ(std::distance(fs::directory_iterator(administrator), fs::directory_iterator()), 7);
}

} // namespace
