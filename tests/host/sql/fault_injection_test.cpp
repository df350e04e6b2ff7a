// A fault plan fails the call it names on connections made while it is installed, with the
// backend's kind of error, and leaves the others alone.

#include "backend_fixture.h"

#include "host/sql/fault_injection.h"

#include <gtest/gtest.h>

using namespace hearth;
using namespace hearth::test;

namespace {

class FaultInjectionTest : public BackendTest {
protected:
    void TearDown() override
    {
        sql::install_fault_plan(nullptr);
        BackendTest::TearDown();
    }

    long people(Transaction& transaction)
    {
        Value count = Value::null_of(Type::Long);
        EXPECT_EQ(transaction.select_into("SELECT count(*) INTO :n FROM tc_ge_personinfo", {HostVar("n", &count)}), 0)
            << transaction.sql_err_text();
        return static_cast<long>(count.as_integral());
    }
};

TEST_P(FaultInjectionTest, TheNamedCallFailsOnNewConnectionsOnly)
{
    auto plan = std::make_shared<sql::FaultPlan>();
    plan->pattern = "insert";
    plan->fail_at = 1;
    sql::install_fault_plan(plan);
    const char* insert = "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo) VALUES (:no, 'x', 'R1')";
    // `tx` was connected before the plan: not counted, never failed.
    EXPECT_EQ(tx.execute(insert, {HostVar("no", "P0")}), 0) << tx.sql_err_text();
    EXPECT_EQ(tx.commit(), 0) << tx.sql_err_text();

    Transaction planned("planned");
    configure_other(planned);
    ASSERT_EQ(planned.connect(), 0) << planned.sql_err_text();
    EXPECT_EQ(planned.execute(insert, {HostVar("no", "P1")}), -1);
    EXPECT_EQ(planned.sql_db_code(), dbms() == sql::Dbms::SQLite ? 10 : 53100);
    EXPECT_EQ(planned.sql_state(), dbms() == sql::Dbms::SQLite ? "" : "53100");
    EXPECT_EQ(planned.execute(insert, {HostVar("no", "P2")}), 0) << planned.sql_err_text();
    EXPECT_EQ(plan->counted, 2);
    EXPECT_EQ(plan->failures, 1);
    EXPECT_NE(plan->failed_text.find("INSERT"), std::string::npos);

    // Every COMMIT fails now, and what it would have committed is rolled back.
    plan->pattern = "commit";
    plan->fail_at = 0;
    EXPECT_EQ(planned.commit(), -1);
    EXPECT_EQ(people(tx), 1);
    EXPECT_EQ(plan->failures, 2);
}

HEARTH_BOTH_BACKENDS(FaultInjectionTest);

} // namespace
