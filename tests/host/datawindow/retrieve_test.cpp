// Retrieve through a transaction on both backends: the current SELECT, bound arguments,
// column types, events, sort and filter, and the rows left alone on failure.

#include "database_fixture.h"

using namespace hearth;
using namespace hearth::dw;
using namespace hearth::dw::test;

namespace {

class RetrieveTest : public DatabaseTest {};

} // namespace

TEST_P(RetrieveTest, RowsArriveNotModifiedWithTheArgumentBound)
{
    auto engine = engine_from(person_source());
    long ended = -1;
    DatabaseEvents events;
    events.retrieve_end = [&](long rows) { ended = rows; };
    ASSERT_EQ(retrieve(*engine, tx, {Value("R1")}, events), 2) << tx.sql_err_text();
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(engine->get_row(), 1);
    EXPECT_EQ(item_text(*engine, 1, "personno"), "P1");
    EXPECT_EQ(item_text(*engine, 2, "name"), "Wang");
    EXPECT_EQ(engine->get_item(2, "age"), Value(12));
    for (long row : {1L, 2L})
        EXPECT_EQ(engine->get_item_status(row, 0), ItemStatus::NotModified);
    // Retrieving again replaces the rows.
    ASSERT_EQ(retrieve(*engine, tx, {Value("R2")}), 1);
    EXPECT_EQ(item_text(*engine, 1, "personno"), "P3");
    EXPECT_EQ(item_text(*engine, 1, "age"), "null");
    // A value that would break a spliced statement is only data.
    EXPECT_EQ(retrieve(*engine, tx, {Value("R1' OR '1'='1")}), 0);
    EXPECT_EQ(engine->row_count(), 0);
    EXPECT_EQ(engine->get_row(), 0);
}

TEST_P(RetrieveTest, RunsTheSelectSetThroughModify)
{
    auto engine = engine_from(person_source());
    // The first-retrieval limit of the grid pages, written with TOP.
    ASSERT_EQ(engine->modify("datawindow.table.select='SELECT TOP 1 PersonNo, Name, RprNo, Age FROM tc_ge_personinfo "
                             "WHERE RprNo = :as_rprno ORDER BY PersonNo DESC'"),
              "");
    ASSERT_EQ(retrieve(*engine, tx, {Value("R1")}), 1) << tx.sql_err_text();
    EXPECT_EQ(item_text(*engine, 1, "personno"), "P2");
    // A rewritten WHERE with a literal, as the query pages build it.
    ASSERT_EQ(engine->modify("datawindow.table.select='select PersonNo, Name, RprNo, Age from tc_ge_personinfo "
                             "Where ( Age > 0) and (tc_ge_personinfo.RprNo=~'R1~')'"),
              "");
    EXPECT_EQ(retrieve(*engine, tx, {Value("unused")}), 2) << tx.sql_err_text();
}

TEST_P(RetrieveTest, FailuresLeaveTheRowsAsTheyWere)
{
    auto engine = engine_from(person_source());
    ASSERT_EQ(retrieve(*engine, tx, {Value("R1")}), 2);
    ASSERT_EQ(engine->set_item(1, "name", Value("edited")), 1);
    std::vector<std::string> errors;
    DatabaseEvents events;
    events.db_error = [&](long, const std::string& text) { errors.push_back(text); };
    struct Case {
        std::string select;
        std::vector<RetrievalArgument> args;
        std::string error; // "" : the backend's own text
    };
    const Case cases[] = {
        {"SELECT PersonNo, Name, RprNo, Age FROM no_such_table", {Value("R1")}, ""},
        {"SELECT PersonNo, Name, RprNo, Name FROM tc_ge_personinfo WHERE RprNo = :as_rprno ORDER BY PersonNo",
         {Value("R1")},
         "Cannot convert 'Li' in column 4 (age) to long."},
        {"SELECT PersonNo, Name FROM tc_ge_personinfo",
         {Value("R1")},
         "The SELECT returns 2 columns but the DataWindow object has 4."},
        {"SELECT PersonNo, Name, RprNo, Age FROM tc_ge_personinfo WHERE RprNo = :as_rprno",
         {},
         "Retrieve expects 1 arguments, 0 given."},
        {"SELECT ~'unterminated", {Value("R1")}, "SQL syntax error: unterminated string literal"},
    };
    for (const Case& c : cases) {
        engine->object(); // the object stays assigned
        ASSERT_EQ(engine->modify("datawindow.table.select='" + c.select + "'"), "") << c.select;
        errors.clear();
        EXPECT_EQ(retrieve(*engine, tx, c.args, events), -1) << c.select;
        EXPECT_EQ(tx.sql_code(), -1);
        ASSERT_EQ(errors.size(), 1u) << c.select;
        EXPECT_EQ(errors[0], tx.sql_err_text());
        if (!c.error.empty())
            EXPECT_EQ(tx.sql_err_text(), c.error) << c.select;
        else
            EXPECT_NE(tx.sql_err_text(), "");
        EXPECT_EQ(engine->row_count(), 2);
        EXPECT_EQ(item_text(*engine, 1, "name"), "edited");
        EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::DataModified);
    }
}

TEST_P(RetrieveTest, AServerErrorAfterRowsHaveArrivedFailsCleanlyInsideTheTransaction)
{
    // The server sends rows one by one: the third fails after two have come.
    if (dbms() != sql::Dbms::PostgreSQL)
        GTEST_SKIP() << "the failing SELECT is PostgreSQL's";
    auto engine = engine_from(person_source());
    ASSERT_EQ(retrieve(*engine, tx, {Value("R1")}), 2);
    ASSERT_EQ(tx.execute_immediate("INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo) VALUES ('P9', 'new', 'R9')"),
              0)
        << tx.sql_err_text();
    ASSERT_EQ(engine->modify("datawindow.table.select='SELECT ~'P~' || x, :as_rprno, ~'R1~', 10 / (3 - x) "
                             "FROM generate_series(1, 5) x'"),
              "");
    EXPECT_EQ(retrieve(*engine, tx, {Value("R1")}), -1);
    EXPECT_NE(tx.sql_err_text().find("division by zero"), std::string::npos) << tx.sql_err_text();
    EXPECT_EQ(engine->row_count(), 2);
    EXPECT_EQ(item_text(*engine, 1, "personno"), "P1");
    // The connection and the uncommitted insert are still there.
    ASSERT_EQ(engine->modify("datawindow.table.select='"
                             + std::string("SELECT PersonNo, Name, RprNo, Age FROM "
                                           "tc_ge_personinfo WHERE RprNo = :as_rprno")
                             + "'"),
              "");
    EXPECT_EQ(retrieve(*engine, tx, {Value("R9")}), 1) << tx.sql_err_text();
    EXPECT_EQ(tx.rollback(), 0);
}

TEST_P(RetrieveTest, SortAndFilterApplyAfterTheRowsArrive)
{
    auto engine = engine_from(person_source());
    ASSERT_EQ(engine->set_sort("age A"), 1);
    ASSERT_EQ(engine->set_filter("age > 20"), 1);
    long ended = -1;
    DatabaseEvents events;
    events.retrieve_end = [&](long rows) { ended = rows; };
    EXPECT_EQ(retrieve(*engine, tx, {Value("R1")}, events), 1); // rows in Primary! after the filter
    EXPECT_EQ(ended, 2);                                        // rows that came from the database
    EXPECT_EQ(engine->filtered_count(), 1);
    EXPECT_EQ(item_text(*engine, 1, "personno"), "P1");
    ASSERT_EQ(engine->set_filter(""), 1);
    ASSERT_EQ(engine->filter(), 1);
    ASSERT_EQ(engine->sort(), 1);
    EXPECT_EQ(item_text(*engine, 1, "personno"), "P2"); // age 12 first
}

TEST_P(RetrieveTest, ListArgumentsBindOneParameterPerElement)
{
    std::string source = person_source();
    source.replace(source.find("WHERE RprNo = :as_rprno"), 23, "WHERE PersonNo IN (:as_nos) OR Name = :as_name");
    source.replace(source.find("arguments=((\"as_rprno\", string))"), 33,
                   "arguments=((\"as_nos\", stringlist), (\"as_name\", string))");
    auto engine = engine_from(source);
    const std::vector<Value> wanted = {Value("P3"), Value("P1"), Value("P9' OR '1'='1")};
    ASSERT_EQ(retrieve(*engine, tx, {wanted, Value("nobody")}), 2) << tx.sql_err_text();
    EXPECT_EQ(item_text(*engine, 1, "personno"), "P1");
    EXPECT_EQ(item_text(*engine, 2, "personno"), "P3");
    // An empty list matches nothing; a single value is a list of one.
    EXPECT_EQ(retrieve(*engine, tx, {std::vector<Value> {}, Value("nobody")}), 0) << tx.sql_err_text();
    EXPECT_EQ(retrieve(*engine, tx, {Value("P2"), Value("nobody")}), 1) << tx.sql_err_text();
    // A list for a one-value argument is refused, the rows kept.
    EXPECT_EQ(retrieve(*engine, tx, {Value("P2"), wanted}), -1);
    EXPECT_EQ(tx.sql_err_text(), "Retrieval argument as_name takes one value, not a list.");
    EXPECT_EQ(engine->row_count(), 1);
}

TEST_P(RetrieveTest, RetrieveStartCancelsOrAppends)
{
    auto engine = engine_from(person_source());
    ASSERT_EQ(retrieve(*engine, tx, {Value("R1")}), 2);
    DatabaseEvents events;
    events.retrieve_start = [] { return RetrieveStartAction::Append; };
    EXPECT_EQ(retrieve(*engine, tx, {Value("R2")}, events), 3);
    EXPECT_EQ(item_text(*engine, 3, "personno"), "P3");
    events.retrieve_start = [] { return RetrieveStartAction::Cancel; };
    EXPECT_EQ(retrieve(*engine, tx, {Value("R1")}, events), -1);
    EXPECT_EQ(engine->row_count(), 3);
    // A failing append drops only what it had loaded.
    events.retrieve_start = [] { return RetrieveStartAction::Append; };
    ASSERT_EQ(engine->modify("datawindow.table.select='SELECT PersonNo, Name, RprNo, Name FROM tc_ge_personinfo'"), "");
    EXPECT_EQ(retrieve(*engine, tx, {Value("R1")}, events), -1);
    EXPECT_EQ(engine->row_count(), 3);
}

TEST_P(RetrieveTest, EveryColumnTypeConverts)
{
    ASSERT_EQ(tx.execute("INSERT INTO t_types (id, s, l, i, u, d, r, f, dt, ts, tm) VALUES (1, :s, :l, :i, :u, :d, "
                         ":r, :f, :dt, :ts, :tm)",
                         {{"s", "居民"},
                          {"l", Value(-7)},
                          {"i", Value::integer(300)},
                          {"u", Value::ulong(4000000000u)},
                          {"d", Value(*Decimal::parse("1234567.25"))},
                          {"r", Value::real(1.5f)},
                          {"f", Value(0.125)},
                          {"dt", Value(Date {2024, 2, 29})},
                          {"ts", Value(DateTime {{2024, 3, 1}, {8, 0, 1, 0}})},
                          {"tm", Value(Time {23, 59, 59, 0})}}),
              0)
        << tx.sql_err_text();
    ASSERT_EQ(tx.execute_immediate("INSERT INTO t_types (id) VALUES (2)"), 0);
    ASSERT_EQ(tx.commit(), 0);
    auto engine = engine_from(types_source());
    ASSERT_EQ(retrieve(*engine, tx, {}), 2) << tx.sql_err_text();
    EXPECT_EQ(engine->get_item(1, "s"), Value("居民"));
    EXPECT_EQ(engine->get_item(1, "l"), Value(-7));
    EXPECT_EQ(engine->get_item(1, "i").as_integral(), 300);
    EXPECT_EQ(engine->get_item(1, "u").as_integral(), 4000000000LL);
    EXPECT_EQ(engine->get_item(1, "d").as_decimal(), *Decimal::parse("1234567.25"));
    EXPECT_EQ(engine->get_item(1, "r").as_double(), 1.5);
    EXPECT_EQ(engine->get_item(1, "f").as_double(), 0.125);
    EXPECT_EQ(engine->get_item(1, "dt"), Value(Date {2024, 2, 29}));
    EXPECT_EQ(engine->get_item(1, "ts"), Value(DateTime {{2024, 3, 1}, {8, 0, 1, 0}}));
    EXPECT_EQ(engine->get_item(1, "tm"), Value(Time {23, 59, 59, 0}));
    for (const char* column : {"s", "l", "i", "u", "d", "r", "f", "dt", "ts", "tm"})
        EXPECT_TRUE(engine->get_item(2, column).is_null()) << column;
}

HEARTH_BOTH_BACKENDS(RetrieveTest);
