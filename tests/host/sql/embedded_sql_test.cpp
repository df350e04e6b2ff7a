// Embedded SQL as the library issues it: SELECT ... INTO, cursors, EXECUTE IMMEDIATE and
// changes with host variables, and every statement form the library sends, on both backends.

#include "backend_fixture.h"
#include "value_printer.h"

#include "host/sql/cursor.h"
#include "host/sql/dialect.h"

#include <gtest/gtest.h>

using namespace hearth;
using hearth::test::BackendTest;

namespace {

class EmbeddedSqlTest : public BackendTest {
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        run_all({
            "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, PersonKind, RoleRelation, Age) VALUES ('P1', '李明', "
            "'R1', '10', '10', 40)",
            "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, PersonKind, RoleRelation, Age) VALUES ('P2', "
            "'O''Brien', 'R1', '20', '02', 12)",
            "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, PersonKind, RoleRelation, Age) VALUES ('P3', 'Wang', "
            "'R2', NULL, '01', NULL)",
            "INSERT INTO th_ge_personinfo (PersonNo, Name, IsSave) VALUES ('P1', '李明', '1')",
            "INSERT INTO th_ge_personotherinfo (PersonNO, Note) VALUES ('P1', 'a')",
            "INSERT INTO th_ge_personotherinfo (PersonNO, Note) VALUES ('P1', 'b')",
            "INSERT INTO tc_ge_personrelation (personno, rolerelation, PersonNo2) VALUES ('P1', '10', 'P2')",
            "INSERT INTO TC_GE_Rpr VALUES ('R1', 2, 1, 0, 85.50, 12.25)",
            "INSERT INTO TC_GE_Rpr VALUES ('R2', 0, NULL, NULL, NULL, NULL)",
            "INSERT INTO TC_GE_FamilyHonor VALUES (7, 'R1')",
            "INSERT INTO TC_GE_FamilyHonor VALUES (8, 'R1')",
            "INSERT INTO TC_GE_Building VALUES (100, 5)",
            "INSERT INTO TC_GE_Building VALUES (101, 5)",
            "INSERT INTO TC_GE_BuildingPrize VALUES (1, 100)",
            "INSERT INTO TC_DS_VoteRecord VALUES (3, '第五届')",
            "INSERT INTO TS_PersonPhoto (PersonNo) VALUES ('P1')",
            "INSERT INTO TS_HelpDeformityPhoto (PersonNo) VALUES ('P1')",
            "INSERT INTO TS_ElectionPhoto (OrderNo) VALUES (3)",
        });
    }

    long count(const std::string& from_where)
    {
        Value n = Value::initial_of(Type::Long);
        EXPECT_EQ(tx.select_into("SELECT Count(*) INTO :n " + from_where, {{"n", &n}}), 0) << tx.sql_err_text();
        return long(n.as_integral());
    }
};

} // namespace

TEST_P(EmbeddedSqlTest, SelectIntoStoresOneRowConvertedToTheVariablesTypes)
{
    Value count = Value::initial_of(Type::Long);
    ASSERT_EQ(
        tx.select_into("SELECT Count(PersonNo) INTO :ll_count FROM th_ge_personinfo WHERE PersonNo = :ls_personno",
                       {{"ll_count", &count}, {"ls_personno", "P1"}}),
        0)
        << tx.sql_err_text();
    EXPECT_EQ(count, Value(1));
    EXPECT_EQ(tx.sql_nrows(), 1);

    // The household totals read of the deletion workflow: a long and four decimals.
    Value personnum = Value::initial_of(Type::Long);
    Value in_num = Value::initial_of(Type::Decimal), out_num = Value::initial_of(Type::Decimal);
    Value in_area = Value::initial_of(Type::Decimal), out_area = Value::initial_of(Type::Decimal);
    ASSERT_EQ(tx.select_into("SELECT PersonNum, InCommHouseNum, OutCommHouseNum, InCommHouseArea, OutCommHouseArea "
                             "INTO :ll_personnum, :ld_incommhousenum, :ld_outcommhousenum, :ld_incommhousearea, "
                             ":ld_outcommhousearea FROM TC_GE_Rpr WHERE RprNo = :ls_rprno",
                             {{"ll_personnum", &personnum},
                              {"ld_incommhousenum", &in_num},
                              {"ld_outcommhousenum", &out_num},
                              {"ld_incommhousearea", &in_area},
                              {"ld_outcommhousearea", &out_area},
                              {"ls_rprno", "R1"}}),
              0)
        << tx.sql_err_text();
    EXPECT_EQ(personnum, Value(2));
    EXPECT_EQ(in_num.type(), Type::Decimal);
    EXPECT_EQ(in_num.as_decimal(), Decimal(1));
    EXPECT_EQ(in_area.as_decimal(), *Decimal::parse("85.5"));
    EXPECT_EQ(out_area.as_decimal(), *Decimal::parse("12.25"));

    // Nulls come back as nulls of the variable's type.
    ASSERT_EQ(tx.select_into("SELECT PersonNum, InCommHouseArea INTO :n, :a FROM TC_GE_Rpr WHERE RprNo = 'R2'",
                             {{"n", &personnum}, {"a", &in_area}}),
              0);
    EXPECT_EQ(personnum, Value(0));
    EXPECT_TRUE(in_area.is_null());
    EXPECT_EQ(in_area.type(), Type::Decimal);
}

TEST_P(EmbeddedSqlTest, SelectIntoWithoutARowGives100AndLeavesTheVariables)
{
    Value name("unchanged");
    Value age = Value::integer(7);
    EXPECT_EQ(tx.select_into("SELECT Name, Age INTO :name, :age FROM tc_ge_personinfo WHERE PersonNo = :no",
                             {{"name", &name}, {"age", &age}, {"no", "nobody"}}),
              100);
    EXPECT_EQ(tx.sql_code(), 100);
    EXPECT_EQ(tx.sql_nrows(), 0);
    EXPECT_EQ(tx.sql_err_text(), "");
    EXPECT_EQ(name, Value("unchanged"));
    EXPECT_EQ(age, Value::integer(7));
}

TEST_P(EmbeddedSqlTest, SelectIntoWithMoreThanOneRowIsAnError)
{
    Value name;
    EXPECT_EQ(tx.select_into("SELECT Name INTO :name FROM tc_ge_personinfo WHERE RprNo = 'R1' ORDER BY PersonNo",
                             {{"name", &name}}),
              -1);
    EXPECT_EQ(tx.sql_err_text(), "Select returned more than one row.");
    EXPECT_EQ(name, Value("李明")); // the first row was stored, as the runtime does
}

TEST_P(EmbeddedSqlTest, SelectIntoMisuseIsReportedNotCrashed)
{
    Value a, b;
    struct Bad {
        std::string text;
        HostVars vars;
        const char* error;
    };
    const Bad cases[] = {
        {"SELECT Name, Age INTO :a FROM tc_ge_personinfo WHERE PersonNo = 'P1'",
         {{"a", &a}},
         "The SELECT returns 2 columns but INTO names 1 variables."},
        {"SELECT Name INTO :a FROM tc_ge_personinfo WHERE PersonNo = :missing",
         {{"a", &a}},
         "Host variable :missing has no value."},
        {"SELECT Name INTO :a FROM tc_ge_personinfo WHERE PersonNo = 'P1'",
         {{"a", Value("input only")}},
         "Host variable :a cannot receive a value."},
        {"SELECT Name FROM tc_ge_personinfo WHERE PersonNo = 'P1'",
         {},
         "SELECT ... INTO expects a SELECT with an INTO list of host variables."},
        {"UPDATE tc_ge_personinfo SET Age = 1",
         {},
         "SELECT ... INTO expects a SELECT with an INTO list of host variables."},
    };
    for (const Bad& c : cases) {
        EXPECT_EQ(tx.select_into(c.text, c.vars), -1) << c.text;
        EXPECT_EQ(tx.sql_err_text(), c.error) << c.text;
    }
    // A value that does not fit the variable's type is an error, and no variable changes.
    a = Value::integer(1);
    b = Value("before");
    EXPECT_EQ(tx.select_into("SELECT Name, PersonNo INTO :b, :a FROM tc_ge_personinfo WHERE PersonNo = 'P1'",
                             {{"a", &a}, {"b", &b}}),
              -1);
    EXPECT_EQ(tx.sql_err_text(),
              "Cannot convert 'P1' in column 2 (" + std::string(dbms() == sql::Dbms::SQLite ? "PersonNo" : "personno")
                  + ") to integer.");
    EXPECT_EQ(a, Value::integer(1));
    EXPECT_EQ(b, Value("before"));
}

TEST_P(EmbeddedSqlTest, CursorFetchesUntil100)
{
    // The household cursor of the history archive.
    Cursor cursor
        = tx.declare_cursor("SELECT PersonNo FROM tc_ge_personinfo WHERE RprNo = :ls_rprno ORDER BY PersonNo");
    ASSERT_EQ(cursor.open({{"ls_rprno", "R1"}}), 0) << tx.sql_err_text();
    Value no("");
    std::vector<std::string> seen;
    ASSERT_EQ(cursor.fetch_into({&no}), 0);
    while (tx.sql_code() == 0) {
        seen.push_back(no.as_string());
        EXPECT_EQ(tx.sql_nrows(), 1);
        cursor.fetch_into({&no});
    }
    EXPECT_EQ(tx.sql_code(), 100);
    EXPECT_EQ(seen, (std::vector<std::string> {"P1", "P2"}));
    EXPECT_EQ(no, Value("P2"));               // 100 leaves the variable as it was
    EXPECT_EQ(cursor.fetch_into({&no}), 100); // and stays at the end
    EXPECT_EQ(cursor.close(), 0);

    // Reopened with other host variable values, it runs again.
    ASSERT_EQ(cursor.open({{"ls_rprno", "R2"}}), 0);
    ASSERT_EQ(cursor.fetch_into({&no}), 0);
    EXPECT_EQ(no, Value("P3"));
    EXPECT_EQ(cursor.fetch_into({&no}), 100);
    EXPECT_EQ(cursor.close(), 0);

    // An empty result gives 100 at the first fetch.
    ASSERT_EQ(cursor.open({{"ls_rprno", "none"}}), 0);
    EXPECT_EQ(cursor.fetch_into({&no}), 100);
    EXPECT_EQ(cursor.close(), 0);
}

TEST_P(EmbeddedSqlTest, CursorMisuseGivesMinusOneWithTheRuntimesText)
{
    Cursor cursor = tx.declare_cursor("SELECT PersonNo, Age FROM tc_ge_personinfo ORDER BY PersonNo");
    Value a, b;
    EXPECT_EQ(cursor.fetch_into({&a, &b}), -1);
    EXPECT_EQ(tx.sql_err_text(), "Cursor is not open.");
    EXPECT_EQ(cursor.close(), -1);
    EXPECT_EQ(tx.sql_err_text(), "Cursor is not open.");
    ASSERT_EQ(cursor.open(), 0);
    EXPECT_EQ(cursor.open(), -1);
    EXPECT_EQ(tx.sql_err_text(), "Cursor is already open.");
    EXPECT_EQ(cursor.fetch_into({&a}), -1);
    EXPECT_EQ(tx.sql_err_text(), "The SELECT returns 2 columns but INTO names 1 variables.");
    EXPECT_EQ(cursor.fetch_into({&a, &b}), 0);
    EXPECT_EQ(a, Value("P1"));
    EXPECT_EQ(b, Value(40));
    EXPECT_EQ(cursor.close(), 0);

    Cursor bad = tx.declare_cursor("SELECT nothing FROM nowhere");
    EXPECT_EQ(bad.open(), -1);
    EXPECT_FALSE(bad.is_open());
    EXPECT_NE(tx.sql_err_text(), "");
    Cursor not_a_query = tx.declare_cursor("DELETE FROM tc_ge_personinfo");
    EXPECT_EQ(not_a_query.open(), -1);
    EXPECT_EQ(tx.sql_err_text(), "A cursor is declared for a SELECT without INTO.");
    EXPECT_EQ(count("FROM tc_ge_personinfo"), 3);
}

TEST_P(EmbeddedSqlTest, TwoCursorsOnOneTransactionAndWritesBetweenFetches)
{
    // The photo clean-up walks cursors on sqlca while it deletes and commits elsewhere.
    Cursor honors = tx.declare_cursor("SELECT HonorNo FROM TC_GE_FamilyHonor WHERE RprNo = :r ORDER BY HonorNo");
    Cursor persons = tx.declare_cursor("SELECT PersonNo FROM tc_ge_personinfo WHERE RprNo = :r ORDER BY PersonNo");
    ASSERT_EQ(honors.open({{"r", "R1"}}), 0);
    ASSERT_EQ(persons.open({{"r", "R1"}}), 0);
    Value honor = Value::initial_of(Type::Long), person("");
    std::vector<std::string> order;
    while (honors.fetch_into({&honor}) == 0) {
        order.push_back(std::to_string(honor.as_integral()));
        ASSERT_EQ(persons.fetch_into({&person}), 0);
        order.push_back(person.as_string());
        ASSERT_EQ(tx.execute("DELETE FROM TS_PersonPhoto WHERE PersonNo = :p", {{"p", &person}}), 0)
            << tx.sql_err_text();
        ASSERT_EQ(tx.commit(), 0);
    }
    EXPECT_EQ(order, (std::vector<std::string> {"7", "P1", "8", "P2"}));
    EXPECT_EQ(honors.close(), 0);
    EXPECT_EQ(persons.close(), 0);
    EXPECT_EQ(count("FROM TS_PersonPhoto"), 0);
}

TEST_P(EmbeddedSqlTest, ExecuteImmediateRunsATextAndReportsRows)
{
    // The dependent update prepared by the deletion workflow, with its literal quoted by the
    // one quoting helper.
    const std::string personno = "P1";
    const std::string text
        = " Update TC_GE_PersonInfo Set personkind=Null Where PersonNo = " + sql::quote_literal(personno);
    ASSERT_EQ(tx.execute_immediate(text), 0) << tx.sql_err_text();
    EXPECT_EQ(tx.sql_nrows(), 1);
    EXPECT_EQ(count("FROM tc_ge_personinfo WHERE PersonKind IS NULL"), 2);
    // A quote in the value cannot end the literal early.
    ASSERT_EQ(
        tx.execute_immediate("UPDATE tc_ge_personinfo SET Age = 13 WHERE Name = " + sql::quote_literal("O'Brien")), 0)
        << tx.sql_err_text();
    EXPECT_EQ(tx.sql_nrows(), 1);
    ASSERT_EQ(
        tx.execute_immediate("UPDATE tc_ge_personinfo SET Age = 13 WHERE Name = " + sql::quote_literal("x' OR '1'='1")),
        0);
    EXPECT_EQ(tx.sql_nrows(), 0);
    // Host variables are not for EXECUTE IMMEDIATE.
    EXPECT_EQ(tx.execute_immediate("DELETE FROM tc_ge_personinfo WHERE PersonNo = :p"), -1);
    EXPECT_EQ(tx.sql_err_text(), "EXECUTE IMMEDIATE takes a statement without host variables.");
    EXPECT_EQ(tx.execute_immediate("DELETE FROM tc_ge_personinfo; DELETE FROM TC_GE_Rpr"), -1);
    EXPECT_EQ(tx.sql_err_text(), "SQL syntax error: only one statement can be run at a time");
    EXPECT_EQ(count("FROM tc_ge_personinfo"), 3);
}

TEST_P(EmbeddedSqlTest, HostVariablesAreBoundNeverSpliced)
{
    // A value that would break a spliced statement is just data.
    const Value hostile("P1' OR '1'='1");
    ASSERT_EQ(tx.execute("DELETE FROM tc_ge_personinfo WHERE PersonNo = :no", {{"no", hostile}}), 0);
    EXPECT_EQ(tx.sql_nrows(), 0);
    ASSERT_EQ(tx.execute("UPDATE tc_ge_personinfo SET Name = :name WHERE PersonNo = :no",
                         {{"name", Value("x'); DROP TABLE tc_ge_personinfo; --")}, {"no", "P2"}}),
              0);
    EXPECT_EQ(tx.sql_nrows(), 1);
    Value name;
    ASSERT_EQ(tx.select_into("SELECT Name INTO :name FROM tc_ge_personinfo WHERE PersonNo = :no",
                             {{"name", &name}, {"no", "P2"}}),
              0);
    EXPECT_EQ(name, Value("x'); DROP TABLE tc_ge_personinfo; --"));
    // A null host variable binds NULL.
    ASSERT_EQ(tx.execute("UPDATE tc_ge_personinfo SET Age = :age WHERE PersonNo = 'P1'",
                         {{"age", Value::null_of(Type::Long)}}),
              0);
    EXPECT_EQ(count("FROM tc_ge_personinfo WHERE Age IS NULL"), 2);
    // An object cannot be bound.
    EXPECT_EQ(tx.execute("UPDATE tc_ge_personinfo SET Age = :o", {{"o", Value(ObjectRef())}}), -1);
    EXPECT_EQ(tx.sql_err_text(), "Host variable :o holds an object, which cannot be bound.");
}

TEST_P(EmbeddedSqlTest, EveryStatementFormTheLibrarySends)
{
    Value n = Value::initial_of(Type::Long);
    Value no = Value("P1"), relation = Value("10"), now = Value(DateTime {{2024, 3, 1}, {9, 30, 0, 0}});
    Value order = Value::initial_of(Type::Long);
    struct Form {
        std::string text;
        long code;
        long nrows;
    };
    // History archive statements, the deletion workflow's counts and lookups, the photo
    // clean-up's counts and deletes (the short DELETE form included), the query pages'
    // rewritten SELECTs.
    const Form forms[] = {
        {"SELECT Count(PersonNo) INTO :ll_count FROM th_ge_personinfo WHERE PersonNo = :ls_personno", 0, 1},
        {"UPDATE th_ge_personinfo SET SaveTime = :ldt_now, IsSave = '5' WHERE PersonNo = :ls_personno", 0, 1},
        {"SELECT Count(PersonNo) INTO :ll_count FROM th_ge_personotherinfo WHERE PersonNO = :ls_personno", 0, 1},
        {"DELETE FROM th_ge_personotherinfo WHERE PersonNO = :ls_personno", 0, 2},
        {"SELECT count(*) INTO :ll_count FROM tc_ge_personrelation WHERE personno = :ls_personno AND rolerelation = "
         ":as_relation",
         0, 1},
        {"DELETE FROM tc_ge_personrelation WHERE personno = :ls_personno AND rolerelation = :as_relation", 0, 1},
        {"SELECT rolerelation INTO :as_relation FROM tc_ge_personinfo WHERE PersonNo = :ls_personno", 0, 1},
        {"SELECT Count(*) INTO :ll_count FROM TC_GE_Building WHERE RegionalNo = 5", 0, 1},
        {"SELECT Count(*) INTO :ll_count FROM TS_HelpDeformityPhoto WHERE PersonNo = :ls_personno", 0, 1},
        {"DELETE TS_HelpDeformityPhoto WHERE PersonNo = :ls_personno", 0, 1},
        {"DELETE FROM TS_PersonPhoto WHERE PersonNo = :ls_personno", 0, 1},
        {"SELECT OrderNo INTO :ll_orderno FROM TC_DS_VoteRecord WHERE FallDue = '第五届'", 0, 1},
        {"DELETE TS_ElectionPhoto WHERE OrderNo = :ll_orderno", 0, 1},
        {" Update TC_GE_PersonInfo Set personkind='90' Where personno = 'P3'", 0, 1},
        {"SELECT TOP 2 PersonNo INTO :ls_personno FROM tc_ge_personinfo WHERE RprNo = 'R2' ORDER BY PersonNo", 0, 1},
        {"select PersonNo into :ls_personno from tc_ge_personinfo Where ( RprNo='R1' and Age > 20) and "
         "(tc_ge_personinfo.RprNo='R1')",
         0, 1},
    };
    for (const Form& f : forms) {
        const long code = f.text.find("INTO") != std::string::npos || f.text.find("into") != std::string::npos
            ? tx.select_into(f.text,
                             {{"ll_count", &n},
                              {"ls_personno", &no},
                              {"as_relation", &relation},
                              {"ldt_now", &now},
                              {"ll_orderno", &order}})
            : tx.execute(f.text,
                         {{"ls_personno", &no}, {"as_relation", &relation}, {"ldt_now", &now}, {"ll_orderno", &order}});
        EXPECT_EQ(code, f.code) << f.text << ": " << tx.sql_err_text();
        EXPECT_EQ(tx.sql_nrows(), f.nrows) << f.text;
    }
    EXPECT_EQ(order, Value(3));
    ASSERT_EQ(tx.commit(), 0);
    Value saved = Value::initial_of(Type::DateTime);
    ASSERT_EQ(tx.select_into("SELECT SaveTime INTO :t FROM th_ge_personinfo WHERE PersonNo = 'P1'", {{"t", &saved}}),
              0);
    EXPECT_EQ(saved, Value(DateTime {{2024, 3, 1}, {9, 30, 0, 0}}));
    EXPECT_EQ(count("FROM TS_ElectionPhoto"), 0);
    EXPECT_EQ(count("FROM tc_ge_personinfo WHERE PersonKind = '90'"), 1);
}

TEST_P(EmbeddedSqlTest, QueryCallsBackPerRowWithTypedCells)
{
    std::vector<std::string> names;
    std::vector<long> ages;
    const long code = tx.query("SELECT TOP 2 Name, Age FROM tc_ge_personinfo WHERE RprNo = :r ORDER BY PersonNo",
                               {{"r", "R1"}}, [&](const sql::ResultRow& row) {
                                   names.emplace_back(row.text(0));
                                   ages.push_back(long(row.int64(1)));
                                   return RowAction::Continue;
                               });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(tx.sql_nrows(), 2);
    EXPECT_EQ(names, (std::vector<std::string> {"李明", "O'Brien"}));
    EXPECT_EQ(ages, (std::vector<long> {40, 12}));
    // Stop early.
    long seen = 0;
    EXPECT_EQ(tx.query("SELECT Name FROM tc_ge_personinfo", {},
                       [&](const sql::ResultRow&) {
                           ++seen;
                           return RowAction::Stop;
                       }),
              0);
    EXPECT_EQ(seen, 1);
    // A callback that finds a bad value reports it.
    EXPECT_EQ(tx.query("SELECT Name FROM tc_ge_personinfo", {},
                       [&](const sql::ResultRow&) {
                           tx.fail("bad row");
                           return RowAction::Stop;
                       }),
              -1);
    EXPECT_EQ(tx.sql_err_text(), "bad row");
    EXPECT_EQ(tx.query("SELECT Name FROM tc_ge_personinfo WHERE 1 = 0", {},
                       [](const sql::ResultRow&) { return RowAction::Continue; }),
              100);
    EXPECT_EQ(tx.query("DELETE FROM tc_ge_personinfo", {}, [](const sql::ResultRow&) { return RowAction::Continue; }),
              -1);
    EXPECT_EQ(tx.sql_err_text(), "A retrieval expects a SELECT without INTO.");
    EXPECT_EQ(count("FROM tc_ge_personinfo"), 3);
}

HEARTH_BOTH_BACKENDS(EmbeddedSqlTest);
