// hearth init-db: the two databases it creates, the rules their schema keeps, and the command.

#include "app/hearth_command.h"
#include "app/init_db.h"
#include "app/password.h"
#include "app/sample_data.h"
#include "host/sql/transaction.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using hearth::InitDbOptions;

fs::path scratch(const std::string& name)
{
    const fs::path dir = fs::temp_directory_path() / ("hearth_initdb_" + std::to_string(::getpid())) / name;
    fs::remove_all(dir);
    return dir;
}

// Every row of a query as text, one line per row.
std::string rows(const fs::path& file, const std::string& query)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        out = std::string("error: ") + sqlite3_errmsg(db);
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = sqlite3_column_text(statement, i);
            out += (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        out += '\n';
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return out;
}

// Households whose stored totals differ from their persons and houses.
const std::string wrong_totals_query
    = "SELECT r.RprNo FROM TC_GE_Rpr r WHERE PersonNum <> (SELECT count(*) FROM TC_GE_PersonInfo p "
      "WHERE p.RprNo = r.RprNo) OR InCommHouseNum <> (SELECT count(*) FROM TC_GE_RprOwnHouse o "
      "WHERE o.RprNo = r.RprNo AND o.HouseNo IS NOT NULL) OR OutCommHouseNum <> (SELECT count(*) "
      "FROM TC_GE_RprOwnHouse o WHERE o.RprNo = r.RprNo AND o.HouseNo IS NULL) OR "
      "abs(InCommHouseArea - (SELECT coalesce(sum(Area), 0) FROM TC_GE_RprOwnHouse o WHERE o.RprNo "
      "= r.RprNo AND o.HouseNo IS NOT NULL)) > 0.001 OR abs(OutCommHouseArea - (SELECT "
      "coalesce(sum(Area), 0) FROM TC_GE_RprOwnHouse o WHERE o.RprNo = r.RprNo AND o.HouseNo IS "
      "NULL)) > 0.001";

class InitDbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto done = hearth::init_db({dir.string(), 60, 3, "secret1"});
        ASSERT_TRUE(done) << done.error();
        rows_written = done->rows;
        sqlca.set_dbms("SQLite");
        sqlca.set_database((dir / hearth::records_file).string());
        ASSERT_EQ(sqlca.connect(), 0) << sqlca.sql_err_text();
    }
    void TearDown() override
    {
        sqlca.disconnect();
        fs::remove_all(dir.parent_path());
    }

    std::string records(const std::string& query) const { return rows(dir / hearth::records_file, query); }
    long run(const std::string& statement)
    {
        const long code = sqlca.execute(statement);
        sqlca.commit();
        return code;
    }

    std::string wrong_totals() const { return records(wrong_totals_query); }

    fs::path dir = scratch("db");
    long rows_written = 0;
    hearth::Transaction sqlca {"sqlca"};
};

TEST_F(InitDbTest, CreatesBothDatabasesWithVersionSettingsUsersAndSampleRecords)
{
    EXPECT_EQ(records("SELECT version FROM schema_version"), "1\n");
    EXPECT_EQ(rows(dir / hearth::archive_file, "SELECT version FROM schema_version"), "1\n");
    EXPECT_EQ(records("PRAGMA journal_mode"), "wal\n");
    EXPECT_EQ(records("SELECT count(*) FROM TC_SYS_WorkParm WHERE ParmNo BETWEEN 7 AND 16 AND ParmValue = '是'"),
              "10\n");
    EXPECT_EQ(records("SELECT UserNo, UserName, IsAdmin FROM TC_SYS_User ORDER BY IsAdmin DESC"),
              "velmora_admin|总管员|1\nuser01|操作员|0\n");
    const std::string hash = records("SELECT PassHash FROM TC_SYS_User WHERE UserNo = 'velmora_admin'");
    EXPECT_EQ(hash.find("secret1"), std::string::npos);
    EXPECT_TRUE(hearth::password_matches("secret1", hash.substr(0, hash.size() - 1)));
    EXPECT_FALSE(hearth::password_matches("secret2", hash.substr(0, hash.size() - 1)));
    EXPECT_EQ(records("SELECT count(*) FROM TC_GE_Rpr"), "60\n");
    EXPECT_EQ(wrong_totals(), "");
    // Every identity number passes the ISO 7064 MOD 11-2 check over all 18 characters.
    std::istringstream ids(
        records("SELECT IDCard FROM TC_GE_PersonInfo UNION ALL SELECT IDCard FROM TC_GE_RentHouseReg"));
    int checked = 0;
    for (std::string id; std::getline(ids, id); ++checked) {
        ASSERT_EQ(id.size(), 18u) << id;
        int sum = 0;
        for (int i = 0, weight = 1 << 17; i < 18; ++i, weight >>= 1)
            sum += (id[i] == 'X' ? 10 : id[i] - '0') * (weight % 11);
        EXPECT_EQ(sum % 11, 1) << id;
    }
    EXPECT_GT(checked, 60);
    EXPECT_EQ(hearth::sample::id_check_digit("11010519491231002"), 'X');
    for (const char* table : {"TS_PersonPhoto", "TS_FamilyHonorPhoto", "TS_BuildingPrizePhoto", "TS_ElectionPhoto"})
        EXPECT_EQ(rows(dir / hearth::archive_file,
                       std::string("SELECT count(*) > 0, min(substr(Photo, 1, 2)) FROM ") + table),
                  "1|BM\n")
            << table;
    EXPECT_EQ(records("SELECT count(*) > 0 FROM TC_SV_Handicapped h JOIN TC_SV_LunacyPrevCure l USING (PersonNo) "
                      "WHERE h.HealthType = '56'"),
              "1\n");
}

TEST_F(InitDbTest, TriggersKeepHouseholdTotalsAsPersonsAndHousesChange)
{
    const std::string before = records("SELECT PersonNum FROM TC_GE_Rpr WHERE RprNo = 'R000000001'");
    EXPECT_EQ(run("INSERT INTO TC_GE_PersonInfo (PersonNo, RprNo, Name) VALUES ('x''1', 'R000000001', '王五')"), 0);
    EXPECT_EQ(records("SELECT PersonNum - 1 FROM TC_GE_Rpr WHERE RprNo = 'R000000001'"), before);
    EXPECT_EQ(records("SELECT IsSave FROM TC_GE_PersonInfo WHERE PersonNo = 'x''1'"), "0\n");
    EXPECT_EQ(run("INSERT INTO TC_GE_RprOwnHouse (OrderNo, RprNo, Area) VALUES (99999, 'R000000001', 12.5)"), 0);
    EXPECT_EQ(run("UPDATE TC_GE_PersonInfo SET RprNo = 'R000000002' WHERE PersonNo = 'R00000000101'"), 0);
    EXPECT_EQ(run("DELETE FROM TC_GE_HouseInfo WHERE HouseNo = 2"), 0); // its ownership goes with it
    EXPECT_EQ(run("DELETE FROM TC_GE_PersonInfo WHERE PersonNo = 'R00000000301'"), 0);
    EXPECT_EQ(records("SELECT InCommHouseNum FROM TC_GE_Rpr WHERE RprNo = 'R000000002'"), "0\n");
    EXPECT_EQ(wrong_totals(), "");
}

TEST_F(InitDbTest, DeletionsCascadeClearTheRegionOrAreRefused)
{
    // Through the host's own connection, which switches foreign keys on.
    EXPECT_NE(run("DELETE FROM TC_GE_Building WHERE BuildingNo = 1"), 0); // houses remain
    EXPECT_EQ(records("SELECT count(*) FROM TC_GE_Building WHERE BuildingNo = 1"), "1\n");
    EXPECT_EQ(run("DELETE FROM TC_GE_RegionalManage WHERE RegionalNo = 1"), 0);
    EXPECT_EQ(records("SELECT count(*), count(RegionalNo) FROM TC_GE_Building"), "3|0\n");
    EXPECT_EQ(run("DELETE FROM TC_GE_Rpr WHERE RprNo = 'R000000001'"), 0);
    for (const char* table : {"TC_GE_PersonInfo", "TC_GE_RprOwnHouse", "TC_GE_FamilyHonor"})
        EXPECT_EQ(records(std::string("SELECT count(*) FROM ") + table + " WHERE RprNo = 'R000000001'"), "0\n")
            << table;
    EXPECT_EQ(records("SELECT count(*) FROM TC_GE_PersonRelation WHERE PersonNo LIKE 'R000000001%'"), "0\n");
}

TEST_F(InitDbTest, OnlyKeysAndParentColumnsAreNotNullWithoutADefault)
{
    // A photo's record number (its second column) ties it to its record in the other database.
    for (const auto& file : {dir / hearth::records_file, dir / hearth::archive_file}) {
        std::istringstream tables(rows(file, "SELECT name FROM sqlite_schema WHERE type = 'table'"));
        for (std::string table; std::getline(tables, table);)
            EXPECT_EQ(rows(file,
                           "SELECT c.name FROM pragma_table_info('" + table
                               + "') c WHERE c.\"notnull\" AND c.dflt_value IS NULL AND c.pk = 0 AND c.name "
                                 "NOT IN (SELECT \"from\" FROM pragma_foreign_key_list('"
                               + table + "')) AND NOT ('" + table + "' LIKE 'TS%' AND c.cid = 1)"),
                      "")
                << table;
    }
}

TEST(InitDb, RefusesAFolderHoldingADatabaseAndLeavesNothingHalfMade)
{
    const fs::path dir = scratch("refuse");
    fs::create_directories(dir); // an existing empty folder is accepted
    ASSERT_TRUE(hearth::init_db({dir.string(), 0, 1, "pw"}));
    auto again = hearth::init_db({dir.string(), 0, 1, "pw"});
    ASSERT_FALSE(again);
    EXPECT_NE(again.error().find("already holds a database"), std::string::npos);
    std::ofstream(dir / "plain") << "x";
    EXPECT_FALSE(hearth::init_db({(dir / "plain").string(), 0, 1, "pw"}));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> {"hearth.db", "hearth_archive.db", "plain"}));
    fs::remove_all(dir.parent_path());
}

TEST(InitDb, AnInterruptedRunLeavesNothingBehind)
{
    const fs::path dir = scratch("interrupted");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::freopen("/dev/null", "w", stdout);
        ::freopen("/dev/null", "w", stderr);
        ::execl(HEARTH_COMMAND, "hearth", "init-db", dir.c_str(), "--households", "1000000", "--admin-password", "x",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The work folder appears once the run catches the signal, and long before it could finish.
    auto working = [&] {
        std::error_code ec;
        return fs::exists(dir, ec) && !fs::is_empty(dir, ec);
    };
    for (int waited = 0; !working() && waited < 3000; ++waited)
        ::usleep(10000);
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_TRUE(fs::is_empty(dir));
    fs::remove_all(dir.parent_path());
}

TEST(InitDb, TheSameSeedGivesTheSameRecords)
{
    auto dump = [](std::uint64_t seed, const std::string& name) {
        const fs::path dir = scratch(name);
        EXPECT_TRUE(hearth::init_db({dir.string(), 25, seed, "pw"}));
        return rows(dir / hearth::records_file, "SELECT * FROM TC_GE_PersonInfo ORDER BY PersonNo")
            + rows(dir / hearth::records_file, "SELECT * FROM TC_GE_Rpr ORDER BY RprNo")
            + rows(dir / hearth::archive_file, "SELECT PersonNo, hex(Photo) FROM TS_PersonPhoto ORDER BY PhotoNo");
    };
    const std::string first = dump(9, "a");
    EXPECT_EQ(dump(9, "b"), first);
    EXPECT_NE(dump(10, "c"), first);
    fs::remove_all(scratch("a").parent_path());
}

TEST(InitDb, CommandLineErrorsAndFailures)
{
    struct Case {
        std::vector<std::string_view> args;
        int status;
        std::string_view complaint;
    };
    const fs::path file = scratch("cmd");
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
    const std::string target = file.string();
    const Case cases[] = {
        {{"init-db"}, 2, "usage:"},
        {{"init-db", "d", "--households", "-1"}, 2, "--households"},
        {{"init-db", "d", "--seed", "x"}, 2, "--seed"},
        {{"init-db", "d", "--households"}, 2, "usage:"},
        {{"init-db", target, "--households", "0"}, 1, "is not a folder"},
    };
    for (const Case& c : cases) {
        hearth::ClassRegistry registry;
        std::ostringstream out, err;
        EXPECT_EQ(hearth::run_hearth(c.args, registry, out, err), c.status) << c.args.size();
        EXPECT_NE(err.str().find(c.complaint), std::string::npos) << err.str();
    }
    fs::remove_all(file.parent_path());
}

} // namespace

namespace {

// Every row of a query on the PostgreSQL database `name`, as rows() gives them; a failed
// statement gives "error".
std::string pg_rows(const std::string& conninfo, const std::string& name, const std::string& query)
{
    const char* keys[] = {"dbname", "dbname", nullptr};
    const char* values[] = {conninfo.c_str(), name.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    PGresult* result = PQexec(conn, query.c_str());
    std::string out
        = PQresultStatus(result) == PGRES_TUPLES_OK || PQresultStatus(result) == PGRES_COMMAND_OK ? "" : "error";
    for (int row = 0; out.empty() && row < PQntuples(result); ++row) {
        for (int column = 0; column < PQnfields(result); ++column)
            out += (column ? "|" : "")
                + std::string(PQgetisnull(result, row, column) ? "NULL" : PQgetvalue(result, row, column));
        out += '\n';
    }
    PQclear(result);
    PQfinish(conn);
    return out;
}

} // namespace

TEST(InitDbPostgres, CreatesBothDatabasesWhoseSchemaKeepsTotalsAndDeletionRules)
{
    const char* server = std::getenv("HEARTH_TEST_PG");
    if (!server || !*server)
        GTEST_SKIP() << "HEARTH_TEST_PG is not set";
    const std::string name = "hearth_initdb_" + std::to_string(::getpid());
    const std::string conninfo = std::string(server) + " dbname=" + name;
    auto done = hearth::init_db({conninfo, 60, 3, "secret1"});
    ASSERT_TRUE(done) << done.error();
    auto records = [&](const std::string& query) { return pg_rows(server, name, query); };
    EXPECT_EQ(records("SELECT version FROM schema_version"), "1\n");
    EXPECT_EQ(pg_rows(server, name + "_archive", "SELECT version FROM schema_version"), "1\n");
    EXPECT_EQ(pg_rows(server, name + "_archive",
                      "SELECT count(*) > 0, bool_and(substr(Photo, 1, 2) = 'BM'::bytea) FROM TS_PersonPhoto"),
              "t|t\n");
    EXPECT_EQ(records("SELECT count(*) FROM TC_GE_Rpr"), "60\n");
    const std::string hash = records("SELECT PassHash FROM TC_SYS_User WHERE UserNo = 'velmora_admin'");
    EXPECT_TRUE(hearth::password_matches("secret1", hash.substr(0, hash.size() - 1)));
    EXPECT_EQ(records(wrong_totals_query), "");

    EXPECT_EQ(records("INSERT INTO TC_GE_PersonInfo (PersonNo, RprNo, Name) VALUES ('x''1', 'R000000001', '王五')"),
              "");
    EXPECT_EQ(records("INSERT INTO TC_GE_RprOwnHouse (OrderNo, RprNo, Area) VALUES (99999, 'R000000001', 12.5)"), "");
    EXPECT_EQ(records("DELETE FROM TC_GE_HouseInfo WHERE HouseNo = 2"), "");
    EXPECT_EQ(records("DELETE FROM TC_GE_PersonInfo WHERE PersonNo = 'R00000000301'"), "");
    EXPECT_EQ(records("SELECT IsSave FROM TC_GE_PersonInfo WHERE PersonNo = 'x''1'"), "0\n");
    EXPECT_EQ(records(wrong_totals_query), "");

    EXPECT_EQ(records("DELETE FROM TC_GE_Building WHERE BuildingNo = 1"), "error");
    EXPECT_EQ(records("DELETE FROM TC_GE_RegionalManage WHERE RegionalNo = 1"), "");
    EXPECT_EQ(records("SELECT count(*), count(RegionalNo) FROM TC_GE_Building"), "3|0\n");
    EXPECT_EQ(records("DELETE FROM TC_GE_Rpr WHERE RprNo = 'R000000001'"), "");
    EXPECT_EQ(records("SELECT count(*) FROM TC_GE_PersonInfo WHERE RprNo = 'R000000001'"), "0\n");

    auto again = hearth::init_db({conninfo, 0, 1, "pw"});
    ASSERT_FALSE(again);
    EXPECT_NE(again.error().find("already holds"), std::string::npos);
    EXPECT_EQ(pg_rows(server, "postgres", "DROP DATABASE " + name), "");
    EXPECT_EQ(pg_rows(server, "postgres", "DROP DATABASE " + name + "_archive"), "");
}
