#include "backend_fixture.h"

#include "host/sql/cell.h"

#include <fmt/format.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace hearth {

void PrintTo(const Value& value, std::ostream* out)
{
    *out << type_name(value.type());
    if (value.is_null()) {
        *out << " null";
        return;
    }
    switch (value.type()) {
    case Type::String: *out << " \"" << value.as_string() << '"'; break;
    case Type::Integer:
    case Type::Long:
    case Type::ULong: *out << ' ' << value.as_integral(); break;
    case Type::Boolean: *out << (value.as_bool() ? " true" : " false"); break;
    case Type::Real:
    case Type::Double: *out << ' ' << value.as_double(); break;
    case Type::Decimal: *out << ' ' << value.as_decimal().to_string(); break;
    case Type::Date: *out << ' ' << sql::format_date(value.as_date()); break;
    case Type::Time: *out << ' ' << sql::format_time(value.as_time()); break;
    case Type::DateTime: *out << ' ' << sql::format_datetime(value.as_datetime()); break;
    case Type::Blob: *out << " of " << value.as_blob().size() << " bytes"; break;
    default: break;
    }
}

} // namespace hearth

namespace hearth::test {

std::string pg_conninfo()
{
    const char* env = std::getenv("HEARTH_TEST_PG");
    return env ? env : "";
}

std::string pg_schema() { return fmt::format("hearth_test_{}", ::getpid()); }

void configure(Transaction& tx, sql::Dbms dbms, const std::string& sqlite_path)
{
    tx.set_dbms(std::string(sql::dbms_name(dbms)));
    if (dbms == sql::Dbms::SQLite) {
        tx.set_database(sqlite_path);
        tx.set_dbparm("Create='Yes'");
    } else {
        tx.set_database(fmt::format("{} options='-c search_path={}'", pg_conninfo(), pg_schema()));
    }
}

std::string temp_db_path(std::string_view tag)
{
    static std::atomic<int> counter {0};
    const auto dir = std::filesystem::temp_directory_path();
    return (dir / fmt::format("hearth-{}-{}-{}.db", tag, ::getpid(), ++counter)).string();
}

void remove_db_files(const std::string& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::remove((path + suffix).c_str());
}

const std::vector<std::string>& schema_statements()
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

void BackendTest::SetUp()
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

void BackendTest::TearDown()
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

void BackendTest::run_all(const std::vector<std::string>& statements)
{
    for (const std::string& statement : statements)
        ASSERT_EQ(tx.execute_immediate(statement), 0) << statement << ": " << tx.sql_err_text();
    ASSERT_EQ(tx.commit(), 0) << tx.sql_err_text();
}

} // namespace hearth::test
