#pragma once
// One test body, both databases: a fixture parameterised by backend with the data reset for
// each test. PostgreSQL runs against the server named by HEARTH_TEST_PG (scripts/test starts a
// private one and always sets it); without it the PostgreSQL cases are skipped, for quick
// local runs only.

#include "host/sql/driver.h"
#include "host/sql/transaction.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include <string>
#include <vector>

namespace hearth::test {

// The connection string of the test server, or "" when none is configured.
std::string pg_conninfo();

// A schema private to this test process, so test programs running side by side on one
// server do not see each other's tables.
std::string pg_schema();

// Sets a transaction up for the backend: SQLite on the given file, PostgreSQL on this
// process's schema.
void configure(Transaction& tx, sql::Dbms dbms, const std::string& sqlite_path);

// Tables the library's statements read and write, created empty; every DDL statement runs
// through the dialect translation on both backends.
const std::vector<std::string>& schema_statements();

class BackendTest : public ::testing::TestWithParam<sql::Dbms> {
protected:
    void SetUp() override;
    void TearDown() override;

    sql::Dbms dbms() const { return GetParam(); }
    // A second transaction on the same database (another client).
    void configure_other(Transaction& other) const { configure(other, dbms(), m_sqlite_path); }
    // Runs each statement and asserts it succeeded, then commits.
    void run_all(const std::vector<std::string>& statements);
    const std::string& sqlite_path() const { return m_sqlite_path; }

    Transaction tx {"sqlca"};

private:
    std::string m_sqlite_path;
};

// Instantiates a BackendTest-derived suite for both backends with readable names.
#define HEARTH_BOTH_BACKENDS(suite)                                                                                    \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                                                          \
                             ::testing::Values(::hearth::sql::Dbms::SQLite, ::hearth::sql::Dbms::PostgreSQL),          \
                             [](const ::testing::TestParamInfo<::hearth::sql::Dbms>& backend) {                        \
                                 return std::string(::hearth::sql::dbms_name(backend.param));                          \
                             })

// A fresh temporary file name (nothing created).
std::string temp_db_path(std::string_view tag);
void remove_db_files(const std::string& path);

// ---- definitions (header-only so other test programs can share the fixture) ----

inline std::string pg_conninfo()
{
    const char* env = std::getenv("HEARTH_TEST_PG");
    return env ? env : "";
}

inline std::string pg_schema() { return fmt::format("hearth_test_{}", ::getpid()); }

inline void configure(Transaction& tx, sql::Dbms dbms, const std::string& sqlite_path)
{
    tx.set_dbms(std::string(sql::dbms_name(dbms)));
    if (dbms == sql::Dbms::SQLite) {
        tx.set_database(sqlite_path);
        tx.set_dbparm("Create='Yes'");
    } else {
        tx.set_database(fmt::format("{} options='-c search_path={}'", pg_conninfo(), pg_schema()));
    }
}

inline std::string temp_db_path(std::string_view tag)
{
    static std::atomic<int> counter {0};
    const auto dir = std::filesystem::temp_directory_path();
    return (dir / fmt::format("hearth-{}-{}-{}.db", tag, ::getpid(), ++counter)).string();
}

inline void remove_db_files(const std::string& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::remove((path + suffix).c_str());
}

inline const std::vector<std::string>& schema_statements()
{
    static const std::vector<std::string> statements = {
        "CREATE TABLE tc_ge_personinfo (PersonNo varchar(20) primary key, Name varchar(40), RprNo varchar(20), "
        "PersonKind varchar(4), RoleRelation varchar(4), Age integer)",
        "CREATE TABLE th_ge_personinfo (PersonNo varchar(20), Name varchar(40), SaveTime datetime, IsSave varchar(2))",
        "CREATE TABLE th_ge_personotherinfo (PersonNO varchar(20), Note varchar(40))",
        "CREATE TABLE tc_ge_personrelation (personno varchar(20), rolerelation varchar(4), PersonNo2 varchar(20))",
        "CREATE TABLE TC_GE_Rpr (RprNo varchar(20) primary key, PersonNum integer, InCommHouseNum numeric(10,0), "
        "OutCommHouseNum numeric(10,0), InCommHouseArea numeric(12,2), OutCommHouseArea numeric(12,2))",
        "CREATE TABLE TC_GE_FamilyHonor (HonorNo integer, RprNo varchar(20))",
        "CREATE TABLE TC_GE_Building (BuildingNo integer, RegionalNo integer)",
        "CREATE TABLE TC_GE_BuildingPrize (OrderNo integer, BuildingNo integer)",
        "CREATE TABLE TC_DS_VoteRecord (OrderNo integer, FallDue varchar(20))",
        "CREATE TABLE TS_PersonPhoto (PersonNo varchar(20), Photo blob)",
        "CREATE TABLE TS_HelpDeformityPhoto (PersonNo varchar(20), Photo blob)",
        "CREATE TABLE TS_ElectionPhoto (OrderNo integer, Photo blob)",
        "CREATE TABLE t_types (id integer primary key, s varchar(40), l integer, i smallint, u bigint, "
        "d numeric(30,10), r real, f double, dt date, ts datetime, tm time, b blob)",
    };
    return statements;
}

inline void BackendTest::SetUp()
{
    if (dbms() == sql::Dbms::PostgreSQL) {
        if (pg_conninfo().empty())
            GTEST_SKIP() << "HEARTH_TEST_PG is not set (scripts/test sets it)";
        Transaction admin("admin");
        admin.set_dbms("PostgreSQL");
        admin.set_database(pg_conninfo());
        admin.set_autocommit(AutoCommit::On);
        ASSERT_EQ(admin.connect(), 0) << admin.sql_err_text();
        ASSERT_EQ(admin.execute_immediate(fmt::format("DROP SCHEMA IF EXISTS {} CASCADE", pg_schema())), 0)
            << admin.sql_err_text();
        ASSERT_EQ(admin.execute_immediate(fmt::format("CREATE SCHEMA {}", pg_schema())), 0) << admin.sql_err_text();
        admin.disconnect();
    } else {
        m_sqlite_path = temp_db_path("sql");
    }
    configure(tx, dbms(), m_sqlite_path);
    ASSERT_EQ(tx.connect(), 0) << tx.sql_err_text();
    run_all(schema_statements());
}

inline void BackendTest::TearDown()
{
    if (tx.is_connected())
        tx.disconnect();
    if (dbms() == sql::Dbms::PostgreSQL && !pg_conninfo().empty()) {
        Transaction admin("admin");
        admin.set_dbms("PostgreSQL");
        admin.set_database(pg_conninfo());
        admin.set_autocommit(AutoCommit::On);
        if (admin.connect() == 0)
            admin.execute_immediate(fmt::format("DROP SCHEMA IF EXISTS {} CASCADE", pg_schema()));
    }
    if (!m_sqlite_path.empty())
        remove_db_files(m_sqlite_path);
}

inline void BackendTest::run_all(const std::vector<std::string>& statements)
{
    for (const std::string& statement : statements)
        ASSERT_EQ(tx.execute_immediate(statement), 0) << statement << ": " << tx.sql_err_text();
    ASSERT_EQ(tx.commit(), 0) << tx.sql_err_text();
}

} // namespace hearth::test
