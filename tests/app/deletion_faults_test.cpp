// A household deletion that fails at any one of its statements, on SQLite and on PostgreSQL,
// and a player killed at random points of many deletions: afterwards no household and no
// person is lost (each is still current or in the history), a record still current keeps its
// photos, and a deletion that did not happen was not reported as done.

#include "app/init_db.h"
#include "app/player.h"
#include "host/object/class_registry.h"
#include "host/sql/fault_injection.h"
#include "host/sql/transaction.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using hearth::Transaction;

fs::path scratch(const std::string& name)
{
    const fs::path dir = fs::temp_directory_path() / ("hearth_faults_" + std::to_string(::getpid())) / name;
    fs::remove_all(dir);
    fs::create_directories(dir.parent_path());
    return dir;
}

// Where a community's two databases are.
struct Databases {
    std::string dbms; // "SQLite" or "PostgreSQL"
    std::string records;
    std::string archive;
    std::string play_target; // what `hearth play --db` takes
};

Databases sqlite_databases(const fs::path& folder)
{
    return {"SQLite", (folder / hearth::records_file).string(), (folder / hearth::archive_file).string(),
            folder.string()};
}

Databases postgres_databases(const std::string& server, const std::string& name)
{
    return {"PostgreSQL", server + " dbname=" + name, server + " dbname=" + name + "_archive",
            server + " dbname=" + name};
}

// A transaction connected to `database`.
std::unique_ptr<Transaction> connected(const std::string& dbms, const std::string& database)
{
    auto t = std::make_unique<Transaction>("check");
    t->set_dbms(dbms);
    t->set_database(database);
    EXPECT_EQ(t->connect(), 0) << t->sql_err_text();
    return t;
}

// The first column of every row of `select`, as text.
std::set<std::string> texts(Transaction& t, const char* select)
{
    std::set<std::string> out;
    EXPECT_GE(t.query(select, {},
                      [&](const hearth::sql::ResultRow& row) {
                          out.emplace(row.text(0));
                          return hearth::RowAction::Continue;
                      }),
              0)
        << select << ": " << t.sql_err_text();
    return out;
}

// What the check compares: the current and archived numbers, and the photos of each record.
struct Snapshot {
    std::set<std::string> households, persons, archived_households, archived_persons;
    std::set<std::string> person_photos; // "PersonNo:count"
    std::set<std::string> honours;       // "HonorNo"
    std::set<std::string> honour_photos; // "HonorNo:count"

    explicit Snapshot(const Databases& db)
    {
        const auto records = connected(db.dbms, db.records);
        const auto archive = connected(db.dbms, db.archive);
        households = texts(*records, "SELECT RprNo FROM TC_GE_Rpr");
        persons = texts(*records, "SELECT PersonNo FROM TC_GE_PersonInfo");
        honours = texts(*records, "SELECT CAST(HonorNo AS TEXT) FROM TC_GE_FamilyHonor");
        archived_households = texts(*archive, "SELECT RprNo FROM th_ge_rpr");
        archived_persons = texts(*archive, "SELECT PersonNo FROM th_ge_personinfo");
        person_photos
            = texts(*archive, "SELECT PersonNo || ':' || CAST(count(*) AS TEXT) FROM TS_PersonPhoto GROUP BY PersonNo");
        honour_photos = texts(*archive,
                              "SELECT CAST(HonorNo AS TEXT) || ':' || CAST(count(*) AS TEXT) FROM TS_FamilyHonorPhoto "
                              "GROUP BY HonorNo");
    }
};

// The photo counts of `photos` ("key:count") whose key is in `keys`.
std::set<std::string> photos_of(const std::set<std::string>& photos, const std::set<std::string>& keys)
{
    std::set<std::string> out;
    for (const std::string& entry : photos)
        if (keys.contains(entry.substr(0, entry.find(':'))))
            out.insert(entry);
    return out;
}

// Nothing of `before` is lost in `after`; `context` names the run in failures.
void expect_nothing_lost(const Snapshot& before, const Snapshot& after, const std::string& context)
{
    for (const std::string& rprno : before.households)
        EXPECT_TRUE(after.households.contains(rprno) || after.archived_households.contains(rprno))
            << context << ": household " << rprno << " is neither current nor archived";
    for (const std::string& personno : before.persons)
        EXPECT_TRUE(after.persons.contains(personno) || after.archived_persons.contains(personno))
            << context << ": person " << personno << " is neither current nor archived";
    EXPECT_EQ(photos_of(after.person_photos, after.persons), photos_of(before.person_photos, after.persons))
        << context << ": a current person lost photos";
    EXPECT_EQ(photos_of(after.honour_photos, after.honours), photos_of(before.honour_photos, after.honours))
        << context << ": a current honour lost photos";
}

// Deletes the household of the grid's first row with every question answered Yes; the grid is
// retrieved again first, as it shows the first 50 households only.
constexpr const char* delete_first_household = "press p_retrieve\nrow 1\nanswer 1\nanswer 1\npress p_del\n";
// The household the faults strike, the 18th row of the grid: two persons, each with a photo or a
// secondary record, to which the community gets a company record and an honour with its photo.
constexpr const char* delete_household_18 = "row 18\nanswer 1\nanswer 1\npress p_del\n";

void run(const std::string& dbms, const std::string& database, const char* statement)
{
    const auto t = connected(dbms, database);
    EXPECT_EQ(t->execute(statement), 0) << statement << ": " << t->sql_err_text();
    EXPECT_EQ(t->commit(), 0) << t->sql_err_text();
}

void complete_household_18(const Databases& db)
{
    run(db.dbms, db.records,
        "INSERT INTO TC_GE_FamilyHonor (HonorNo, RprNo, HonorName) VALUES (9001, 'R000000018', '五好家庭')");
    run(db.dbms, db.records,
        "INSERT INTO TC_GE_Company (OrderNo, PersonNo, CompanyName) VALUES (9001, 'R00000001801', '纺织厂')");
    run(db.dbms, db.archive, "INSERT INTO TS_FamilyHonorPhoto (HonorNo) VALUES (9001)");
}
constexpr const char* open_households = "login velmora_admin ${HEARTH_DEMO_PASSWORD}\nopen w_ge_rpr\n";

fs::path write_scenario(const std::string& name, const std::string& text)
{
    const fs::path path = scratch(name);
    std::ofstream(path) << text;
    return path;
}

const std::vector<fs::path> object_path {fs::path(HEARTH_COMMAND).parent_path() / "objects"};

struct Played {
    int status = -1;
    std::string transcript;
};

// Plays `scenario` in this process, with `plan` failing the calls it names.
Played play_with(const fs::path& scenario, const Databases& db, std::shared_ptr<hearth::sql::FaultPlan> plan)
{
    hearth::ClassRegistry registry;
    std::ostringstream out, err;
    hearth::sql::install_fault_plan(std::move(plan));
    const int status = hearth::play({scenario, db.play_target, object_path, {}}, registry, out, err);
    hearth::sql::install_fault_plan(nullptr);
    return {status, out.str() + err.str()};
}

// Every statement, BEGIN and COMMIT of one household deletion with every archive switch on
// fails in turn, each on a fresh copy of the community (`fresh_copy` makes one and gives its
// databases). The deletion either happens, or is refused with "删除不成功！"; nothing is lost.
void fail_each_statement_of_a_deletion(const std::function<Databases()>& fresh_copy)
{
    const fs::path opening = write_scenario("open.play", open_households);
    const fs::path deletion = write_scenario("delete.play", std::string(open_households) + delete_household_18);

    // The calls of the opening, then of the deletion that follows it.
    auto counter = std::make_shared<hearth::sql::FaultPlan>();
    ASSERT_EQ(play_with(opening, fresh_copy(), counter).status, 0);
    const long opening_calls = counter->counted;
    counter = std::make_shared<hearth::sql::FaultPlan>();
    const Databases clean = fresh_copy();
    const Snapshot before(clean);
    const Played done = play_with(deletion, clean, counter);
    ASSERT_EQ(done.status, 0) << done.transcript;
    const Snapshot deleted(clean);
    ASSERT_EQ(deleted.households.size() + 1, before.households.size()) << done.transcript;
    const long calls = counter->counted;
    // The household deleted has persons, secondary records and photos, so each kind of
    // statement is in the count.
    ASSERT_FALSE(deleted.households.contains("R000000018"));
    ASSERT_EQ(deleted.archived_persons, (std::set<std::string> {"R00000001801", "R00000001802"}));
    ASSERT_LT(deleted.person_photos.size(), before.person_photos.size());
    ASSERT_LT(deleted.honour_photos.size(), before.honour_photos.size());
    ASSERT_GT(calls - opening_calls, 20);
    ::testing::Test::RecordProperty("deletion_calls", std::to_string(calls - opening_calls));

    for (long n = opening_calls + 1; n <= calls; ++n) {
        const Databases db = fresh_copy();
        auto plan = std::make_shared<hearth::sql::FaultPlan>();
        plan->fail_at = n;
        const Played run = play_with(deletion, db, plan);
        const std::string context = "call " + std::to_string(n) + " failed (" + plan->failed_text + ")";
        ASSERT_EQ(plan->failures, 1) << context << ": the deletion ran different statements\n" << run.transcript;
        const Snapshot after(db);
        expect_nothing_lost(before, after, context);
        EXPECT_EQ(run.status, 0) << context << "\n" << run.transcript;
        const bool household_stays = after.households.size() == before.households.size();
        const bool refused = run.transcript.find("删除不成功！") != std::string::npos;
        EXPECT_EQ(household_stays, refused) << context << "\n" << run.transcript;
        if (::testing::Test::HasFailure())
            return;
    }
}

class DeletionFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = scratch("community");
        config = scratch("config");
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::setenv("HEARTH_DEMO_PASSWORD", "demo-secret", 1);
    }
    void TearDown() override { fs::remove_all(folder.parent_path()); }

    fs::path folder, config;
};

TEST_F(DeletionFaults, EveryStatementOfAHouseholdDeletionFailsInTurnOnSQLite)
{
    auto made = hearth::init_db({folder.string(), 30, 1, "demo-secret"});
    ASSERT_TRUE(made) << made.error();
    complete_household_18(sqlite_databases(folder));
    const fs::path copy = scratch("copy");
    fail_each_statement_of_a_deletion([&] {
        fs::remove_all(copy);
        fs::copy(folder, copy, fs::copy_options::recursive);
        return sqlite_databases(copy);
    });
}

TEST_F(DeletionFaults, EveryStatementOfAHouseholdDeletionFailsInTurnOnPostgreSQL)
{
    const char* server = std::getenv("HEARTH_TEST_PG");
    if (!server || !*server)
        GTEST_SKIP() << "HEARTH_TEST_PG is not set";
    const std::string base = "hearth_faults_" + std::to_string(::getpid());
    auto made = hearth::init_db({std::string(server) + " dbname=" + base, 30, 1, "demo-secret"});
    ASSERT_TRUE(made) << made.error();
    complete_household_18(postgres_databases(server, base));
    PGconn* admin = PQconnectdb((std::string(server) + " dbname=postgres").c_str());
    auto run_sql = [&](const std::string& sql) {
        PGresult* result = PQexec(admin, sql.c_str());
        EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << sql << ": " << PQerrorMessage(admin);
        PQclear(result);
    };
    const std::string copy = base + "_copy";
    fail_each_statement_of_a_deletion([&] {
        for (const std::string suffix : {"", "_archive"}) {
            run_sql("DROP DATABASE IF EXISTS " + copy + suffix);
            run_sql("CREATE DATABASE " + copy + suffix + " TEMPLATE " + base + suffix);
        }
        return postgres_databases(server, copy);
    });
    for (const std::string& db : {copy, copy + "_archive", base, base + "_archive"})
        run_sql("DROP DATABASE IF EXISTS " + db);
    PQfinish(admin);
}

// `hearth play` deleting households one after another is killed at random moments (seeded)
// and started again on what it left, eight times, then runs to the end. After each kill
// nothing is lost, and at the end every household and person of the community is in the
// history.
TEST_F(DeletionFaults, KilledAtRandomPointsOfManyDeletionsLosesNothing)
{
    constexpr int households = 200;
    auto made = hearth::init_db({folder.string(), households, 1, "demo-secret"});
    ASSERT_TRUE(made) << made.error();
    const Databases db = sqlite_databases(folder);
    const Snapshot first(db);
    std::string text = open_households;
    for (int i = 0; i < households; ++i)
        text += delete_first_household;
    const fs::path scenario = write_scenario("many.play", text);
    const fs::path transcript = scratch("transcript");

    std::mt19937 random(14);
    std::uniform_int_distribution<int> delay_ms(200, 2000);
    int kills = 0;
    for (int round = 0; round <= 8; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::freopen(transcript.c_str(), "w", stdout);
            ::dup2(::fileno(stdout), 2);
            ::execl(HEARTH_COMMAND, HEARTH_COMMAND, "play", scenario.c_str(), "--db", folder.c_str(), nullptr);
            ::_exit(127);
        }
        int status = 0;
        if (round == 8) {
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status)); // 1 when it ran out of rows before its last deletion
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms(random)));
        if (::waitpid(child, &status, WNOHANG) == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ++kills;
        }
        expect_nothing_lost(first, Snapshot(db), "round " + std::to_string(round));
        if (HasFailure())
            return;
    }
    const Snapshot last(db);
    EXPECT_GE(kills, 5);
    std::ifstream last_run(transcript);
    std::stringstream last_transcript;
    last_transcript << last_run.rdbuf();
    const std::string seen = last_transcript.str();
    EXPECT_TRUE(last.households.empty()) << last.households.size() << " households left; the last run ended with\n"
                                         << seen.substr(seen.size() > 2000 ? seen.size() - 2000 : 0);
    EXPECT_EQ(last.archived_households, first.households);
    EXPECT_EQ(last.archived_persons, first.persons);
}

} // namespace
