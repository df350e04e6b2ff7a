// hearth play: reading scenarios, the shipped scenarios' transcripts on SQLite and PostgreSQL,
// two players on one database at once, and databases that cannot be opened.

#include "app/init_db.h"
#include "app/password.h"
#include "app/player.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path scenarios = fs::path(HEARTH_SOURCE_DIR) / "app/scenarios";

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path scratch(const std::string& name)
{
    const fs::path dir = fs::temp_directory_path() / ("hearth_play_" + std::to_string(::getpid())) / name;
    fs::remove_all(dir);
    fs::create_directories(dir.parent_path());
    return dir;
}

// Every action as "LINE word|word|..."; a failure as its message.
std::string parsed(const std::string& text)
{
    const std::map<std::string, std::string> env {{"PASS", "s3 cret"}, {"EMPTY", ""}};
    auto actions = hearth::parse_scenario(text, [&](const std::string& name) -> std::optional<std::string> {
        auto it = env.find(name);
        return it == env.end() ? std::nullopt : std::optional<std::string>(it->second);
    });
    if (!actions)
        return actions.error();
    std::string out;
    for (const auto& action : *actions) {
        out += std::to_string(action.line);
        for (std::size_t i = 0; i < action.words.size(); ++i)
            out += (i ? "|" : " ") + action.words[i];
        out += "\n";
    }
    return out;
}

TEST(ParseScenario, WordsQuotesVariablesAndComments)
{
    const std::pair<const char*, const char*> cases[] = {
        {"# a comment\n\n  login a b\r\nshow rows\n", "3 login|a|b\n4 show|rows\n"},
        {"type remark \"two words\"", "1 type|remark|two words\n"},
        {"type remark \"\"", "1 type|remark|\n"},
        {"login admin ${PASS}", "1 login|admin|s3 cret\n"},
        {"login admin \"x${PASS}y\"", "1 login|admin|xs3 crety\n"},
        {"login admin ${EMPTY}", "1 login|admin|\n"},
        {"key n ctrl\nkey F3", "1 key|n|ctrl\n2 key|F3\n"},
        {"\xEF\xBB\xBFshow page", "1 show|page\n"},
        // Faults name the line.
        {"show rows\ntype remark \"open", "2: 引号没有配对"},
        {"login admin ${NOPE}", "1: 环境变量没有设置：NOPE"},
        {"login admin ${PASS", "1: ${ 没有配对的 }"},
        {"\n\njump 3", "3: 没有这个动作：jump"},
        {"row", "1: 用法：row N"},
        {"row 1 2", "1: 用法：row N"},
        {"show", "1: 用法：show status|tags|rows [COLUMN,...]|page|sort|menu|dialog|column NAME|list|grid|window"},
        {"drag p_add", "1: 用法：drag FROM_BUTTON TO_BUTTON"},
        {"query records", "1: 用法：query records|archive SELECT"},
        {"setting 7", "1: 用法：setting N VALUE"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parsed(text), expected) << text;
}

struct PlayRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `hearth play` with `env` ("NAME=value ...") in its environment.
PlayRun play(const std::string& scenario, const std::string& db, const std::string& env = {})
{
    static int runs = 0;
    const fs::path dir = scratch("run" + std::to_string(++runs));
    fs::create_directories(dir);
    const std::string command = env + " '" + HEARTH_COMMAND + "' play '" + scenario + "' --db '" + db + "' >'"
        + (dir / "out").string() + "' 2>'" + (dir / "err").string() + "'";
    const int raw = std::system(command.c_str());
    PlayRun run {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(dir / "out"), read_file(dir / "err")};
    fs::remove_all(dir);
    return run;
}

fs::path write_scenario(const std::string& name, const std::string& text)
{
    const fs::path path = scratch(name);
    std::ofstream(path) << text;
    return path;
}

// What the scenarios need beyond init-db's community, as SQL for both backends: two more
// administrators whose passwords are two and three characters long (exporting needs at least
// three), and 801 more persons in the last household, more than the Excel export takes
// without asking. The passwords go to the scenarios in `short_passwords`.
const std::string short_passwords = "HEARTH_ADMIN2_PASSWORD=q7 HEARTH_ADMIN3_PASSWORD=q7x";

std::vector<std::string> community_additions()
{
    std::vector<std::string> sql;
    for (const auto& [userno, password] : {std::pair {"chief2", "q7"}, std::pair {"chief3", "q7x"}}) {
        auto hash = hearth::hash_password(password);
        EXPECT_TRUE(hash) << hash.error();
        sql.push_back(std::string("INSERT INTO TC_SYS_User (UserNo, UserName, PassHash, IsAdmin) VALUES ('") + userno
                      + "', '总管员', '" + (hash ? *hash : std::string()) + "', '1')");
    }
    sql.push_back("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 801) "
                  "INSERT INTO TC_GE_PersonInfo (PersonNo, RprNo, Name, Sex) "
                  "SELECT 'P' || (100000 + i), (SELECT max(RprNo) FROM TC_GE_Rpr), '居民' || i, '1' FROM n");
    return sql;
}

// A community of 30 households made by init-db, plus one household that holds nothing but its
// number and the additions above; the passwords go to the scenarios through the environment.
class Scenarios : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = scratch("community");
        auto done = hearth::init_db({folder.string(), 30, 1, "demo-secret"});
        ASSERT_TRUE(done) << done.error();
        passwords
            = "HEARTH_DEMO_PASSWORD=demo-secret HEARTH_USER_PASSWORD='" + done->user_password + "' " + short_passwords;
        env = passwords + " XDG_CONFIG_HOME='" + (folder / "config").string() + "'";
        sqlite3* db = nullptr;
        sqlite3_open((folder / hearth::records_file).c_str(), &db);
        ASSERT_EQ(sqlite3_exec(db, "INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R000000000')", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        for (const std::string& sql : community_additions())
            EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    static void TearDownTestSuite() { fs::remove_all(folder.parent_path()); }

    static inline fs::path folder;
    static inline std::string passwords;
    static inline std::string env;
};

// The shipped scenarios, by name, in name order.
std::vector<std::string> shipped_scenarios()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(scenarios))
        if (entry.path().extension() == ".play")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Each shipped scenario's transcript is the reviewed one beside it. Every scenario starts
// from the same community, in a copy of its own (with a config folder and a folder for the
// files it writes of its own), so that one scenario's changes never reach another's. With
// HEARTH_TRANSCRIPTS_OUT naming a folder, each transcript is also written there, for review.
TEST_F(Scenarios, ShippedScenariosPrintTheirReviewedTranscripts)
{
    const char* review = std::getenv("HEARTH_TRANSCRIPTS_OUT");
    for (const std::string& name : shipped_scenarios()) {
        const fs::path copy = scratch("copy_" + name);
        fs::copy(folder, copy, fs::copy_options::recursive);
        fs::create_directories(copy / "files");
        const std::string own_env = passwords + " XDG_CONFIG_HOME='" + (copy / "config").string()
            + "' HEARTH_PLAY_FILES='" + (copy / "files").string() + "'";
        const PlayRun run = play((scenarios / (name + ".play")).string(), copy.string(), own_env);
        EXPECT_EQ(run.status, 0) << name << ": " << run.err;
        EXPECT_EQ(run.err, "") << name;
        EXPECT_EQ(run.out, read_file(scenarios / (name + ".expected"))) << name;
        if (review && *review)
            std::ofstream(fs::path(review) / (name + ".expected"), std::ios::binary) << run.out;
        fs::remove_all(copy);
    }
}

// An action that cannot be done stops the play with status 1 and names its line; what was
// seen before it is printed.
TEST_F(Scenarios, ActionThatCannotBeDoneNamesItsLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nopen w_ge_rpr\nrow 99\n", ":3: 没有这一行：row 99\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nopen w_nothing\n", ":2: 没有这个窗口：w_nothing\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nopen w_ge_rpr\ntab d_nothing\n",
         ":3: 没有显示这个数据窗口的页：d_nothing\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nopen w_ge_rpr\ndblclick nothing_t\n",
         ":3: 没有这个对象：nothing_t\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nopen w_ge_rpr\nrclick \"rprno_t hostname_t\"\n",
         ":3: 没有这个对象：rprno_t hostname_t\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\npress p_nothing\n", ":2: 工具栏上没有这个按钮：p_nothing\n"},
        {"# wrong password\nlogin velmora_admin wrong\n", ":2: 登录失败"},
        {"open w_ge_rpr\n", ":1: 请先登录：w_ge_rpr\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\ndrag p_add p_nothing\n",
         ":2: 工具栏上没有这个按钮：p_nothing\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nquery records \"SELECT nothing FROM nowhere\"\n",
         ":2: 查询出错："},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nquery elsewhere \"SELECT 1\"\n",
         ":2: 用法：query records|archive SELECT\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nsetting 999 是\n",
         ":2: 系统参数没有保存：没有这个系统参数：999\n"},
        {"login velmora_admin ${HEARTH_DEMO_PASSWORD}\nshow list\n", ":2: 前面没有对话框的列表\n"},
    };
    for (const auto& [text, expected] : cases) {
        const fs::path scenario = write_scenario("bad.play", text);
        const PlayRun run = play(scenario.string(), folder.string(), env);
        EXPECT_EQ(run.status, 1) << text;
        EXPECT_EQ(run.err.rfind(scenario.string() + expected, 0), 0u) << text << run.err;
    }
}

// Rows of a query on the records database, as text.
std::string count_of(const fs::path& folder, const char* query)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2((folder / hearth::records_file).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    std::string out = "error";
    if (sqlite3_prepare_v2(db, query, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        out = std::to_string(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return out;
}

// Two players on one SQLite folder at once, while a third client holds the write lock for a
// while, wait rather than fail: both see every row, neither reports the database as locked,
// and every login of both is in the user log.
TEST_F(Scenarios, TwoPlayersOnOneFolderAtOnce)
{
    constexpr int logins = 5;
    std::string text;
    // Each login writes the user log, so the two write while the other reads or writes.
    for (int i = 1; i <= logins; ++i)
        text += "login velmora_admin ${HEARTH_DEMO_PASSWORD}\n" + std::string(i == 1 ? "open w_ge_rpr\n" : "") + "row "
            + std::to_string(i % 30 + 1) + "\ntab d_ge_personinfo\ntab d_ge_rpr\n";
    const fs::path scenario = write_scenario("busy.play", text);
    const fs::path dir = scratch("busy");
    fs::create_directories(dir);
    const char* const count_logins = "SELECT count(*) FROM TC_SYS_UserLog";
    const long before = std::stol(count_of(folder, count_logins));

    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open((folder / hearth::records_file).c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::string both = "(";
    for (const char* who : {"a", "b"})
        both += env + " '" + HEARTH_COMMAND + "' play '" + scenario.string() + "' --db '" + folder.string() + "' >'"
            + (dir / who).string() + ".out' 2>&1; echo $? >'" + (dir / who).string() + ".status' & ";
    ASSERT_EQ(std::system((both + "wait; touch '" + (dir / "done").string() + "') &").c_str()), 0);
    ::sleep(2);
    ASSERT_EQ(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(holder);
    for (int waited = 0; waited < 600 && !fs::exists(dir / "done"); ++waited)
        ::usleep(100'000);

    const std::string a = read_file(dir / "a.out");
    EXPECT_EQ(read_file(dir / "a.status"), "0\n") << a;
    EXPECT_EQ(read_file(dir / "b.status"), "0\n") << read_file(dir / "b.out");
    EXPECT_EQ(a, read_file(dir / "b.out"));
    EXPECT_EQ(a.find("locked"), std::string::npos);
    EXPECT_NE(a.find("select "), std::string::npos);
    EXPECT_EQ(count_of(folder, count_logins), std::to_string(before + 2 * logins));
}

// A database that is missing or not a database: a clear message and status 1, nothing played.
TEST(PlayDatabase, MissingOrCorruptDatabaseEndsWithAMessage)
{
    const fs::path missing = scratch("missing");
    const fs::path corrupt = scratch("corrupt");
    fs::create_directories(corrupt);
    std::ofstream(corrupt / hearth::records_file) << "this is no database\n";
    std::ofstream(corrupt / hearth::archive_file) << "nor this\n";
    for (const fs::path& db : {missing, corrupt}) {
        const PlayRun run = play((scenarios / "demo.play").string(), db.string(), "HEARTH_DEMO_PASSWORD=x");
        EXPECT_EQ(run.status, 1) << db;
        EXPECT_EQ(run.out, "") << db;
        EXPECT_EQ(run.err.rfind("hearth: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(db.string()), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(missing)); // a missing database is not made
    fs::remove_all(missing.parent_path());
}

TEST(PlayDatabase, BadCommandLineExits2)
{
    for (const char* arguments : {"", "x.play", "x.play --db", "x.play --dbx d", "--db d x.play"}) {
        const std::string command = std::string("'") + HEARTH_COMMAND + "' play " + arguments + " >/dev/null 2>&1";
        const int raw = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2) << arguments;
    }
}

// Every shipped scenario prints the same transcript on PostgreSQL, each on databases of its
// own copied from one community.
TEST(PlayPostgres, ShippedScenariosPrintTheSameTranscripts)
{
    const char* server = std::getenv("HEARTH_TEST_PG");
    if (!server || !*server)
        GTEST_SKIP() << "HEARTH_TEST_PG is not set";
    const std::string base = "hearth_play_" + std::to_string(::getpid());
    auto done = hearth::init_db({std::string(server) + " dbname=" + base, 30, 1, "demo-secret"});
    ASSERT_TRUE(done) << done.error();
    PGconn* records = PQconnectdb((std::string(server) + " dbname=" + base).c_str());
    PQclear(PQexec(records, "INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R000000000')"));
    for (const std::string& sql : community_additions()) {
        PGresult* result = PQexec(records, sql.c_str());
        EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << sql << ": " << PQerrorMessage(records);
        PQclear(result);
    }
    PQfinish(records);
    PGconn* admin = PQconnectdb((std::string(server) + " dbname=postgres").c_str());
    auto run_sql = [&](const std::string& sql) {
        PGresult* result = PQexec(admin, sql.c_str());
        EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << sql << ": " << PQerrorMessage(admin);
        PQclear(result);
    };
    const fs::path config = scratch("pg_config");
    for (const std::string& name : shipped_scenarios()) {
        const std::string copy = base + "_" + name;
        run_sql("CREATE DATABASE " + copy + " TEMPLATE " + base);
        run_sql("CREATE DATABASE " + copy + "_archive TEMPLATE " + base + "_archive");
        fs::remove_all(config);
        fs::create_directories(config / "files");
        const std::string env = "HEARTH_DEMO_PASSWORD=demo-secret HEARTH_USER_PASSWORD='" + done->user_password + "' "
            + short_passwords + " XDG_CONFIG_HOME='" + config.string() + "' HEARTH_PLAY_FILES='"
            + (config / "files").string() + "'";
        const PlayRun run = play((scenarios / (name + ".play")).string(), std::string(server) + " dbname=" + copy, env);
        EXPECT_EQ(run.status, 0) << name << ": " << run.err;
        EXPECT_EQ(run.out, read_file(scenarios / (name + ".expected"))) << name;
        run_sql("DROP DATABASE " + copy);
        run_sql("DROP DATABASE " + copy + "_archive");
    }
    for (const std::string& db : {base, base + "_archive"})
        run_sql("DROP DATABASE " + db);
    PQfinish(admin);
}

} // namespace
