#pragma once
// One test body, both databases: a fixture parameterised by backend with the data reset for
// each test. PostgreSQL runs against the server named by HEARTH_TEST_PG (scripts/test starts a
// private one and always sets it); without it the PostgreSQL cases are skipped, for quick
// local runs only.

#include "host/sql/driver.h"
#include "host/sql/transaction.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace hearth {
// Readable values in test failure messages.
void PrintTo(const Value& value, std::ostream* out);
} // namespace hearth

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
#define HEARTH_BOTH_BACKENDS(suite)                                                                          \
    INSTANTIATE_TEST_SUITE_P(Backends, suite, ::testing::Values(::hearth::sql::Dbms::SQLite,                 \
                                                                ::hearth::sql::Dbms::PostgreSQL),            \
                             [](const ::testing::TestParamInfo<::hearth::sql::Dbms>& info) {                 \
                                 return std::string(::hearth::sql::dbms_name(info.param));                  \
                             })

// A fresh temporary file name (nothing created).
std::string temp_db_path(std::string_view tag);
void remove_db_files(const std::string& path);

} // namespace hearth::test
