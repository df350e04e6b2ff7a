// Transaction objects: connect and disconnect, AutoCommit off, COMMIT and ROLLBACK, and the
// status after every statement, on both backends.

#include "backend_fixture.h"
#include "faulty_driver.h"
#include "value_printer.h"

#include "host/sql/dialect.h"

#include <gtest/gtest.h>

using namespace hearth;
using hearth::test::BackendTest;

namespace {

class TransactionTest : public BackendTest {
protected:
    long count_people(Transaction& on)
    {
        Value n = Value::initial_of(Type::Long);
        EXPECT_EQ(on.select_into("SELECT Count(*) INTO :n FROM tc_ge_personinfo", {{"n", &n}}), 0) << on.sql_err_text();
        return long(n.as_integral());
    }
    void insert_person(const char* no, const char* name)
    {
        ASSERT_EQ(tx.execute("INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo) VALUES (:no, :name, 'R1')",
                             {{"no", no}, {"name", name}}),
                  0)
            << tx.sql_err_text();
        EXPECT_EQ(tx.sql_nrows(), 1);
    }
};

} // namespace

TEST_P(TransactionTest, StatusAfterEveryKindOfStatement)
{
    insert_person("P1", "Li");
    insert_person("P2", "Wang");
    struct Step {
        const char* text;
        long code;
        long nrows;
    };
    const Step steps[] = {
        {"UPDATE tc_ge_personinfo SET Age = 30", 0, 2},
        {"UPDATE tc_ge_personinfo SET Age = 31 WHERE PersonNo = 'nobody'", 0, 0},
        {"DELETE tc_ge_personinfo WHERE PersonNo = 'P2'", 0, 1},
        {"DELETE FROM tc_ge_personinfo WHERE PersonNo = 'P2'", 0, 0},
        {"UPDATE no_such_table SET a = 1", -1, 0},
        {"SELEC bad syntax", -1, 0},
        {"SELECT 'open", -1, 0},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(tx.execute_immediate(s.text), s.code) << s.text << ": " << tx.sql_err_text();
        EXPECT_EQ(tx.sql_code(), s.code) << s.text;
        EXPECT_EQ(tx.sql_nrows(), s.nrows) << s.text;
        if (s.code == 0) {
            EXPECT_EQ(tx.sql_err_text(), "") << s.text;
            EXPECT_EQ(tx.sql_db_code(), 0) << s.text;
        } else {
            EXPECT_NE(tx.sql_err_text(), "") << s.text;
        }
    }
    // Backend errors carry the backend's code; a text the runtime refuses carries none.
    tx.execute_immediate("UPDATE no_such_table SET a = 1");
    if (dbms() == sql::Dbms::SQLite) {
        EXPECT_EQ(tx.sql_db_code(), 1); // SQLITE_ERROR
        EXPECT_EQ(tx.sql_err_text(), "no such table: no_such_table");
    } else {
        EXPECT_EQ(tx.sql_state(), "42P01");
        EXPECT_EQ(tx.sql_db_code(), -1);
        EXPECT_EQ(tx.sql_err_text(), "relation \"no_such_table\" does not exist");
    }
    tx.execute_immediate("SELECT 'open");
    EXPECT_EQ(tx.sql_err_text(), "SQL syntax error: unterminated string literal");
    EXPECT_EQ(tx.sql_db_code(), 0);
    // A successful statement clears the previous error.
    EXPECT_EQ(tx.execute_immediate("UPDATE tc_ge_personinfo SET Age = 1"), 0);
    EXPECT_EQ(tx.sql_err_text(), "");
}

// Texts that differ only in a compared literal share one prepared statement on SQLite: each
// still reads its own rows, a quote in the value included.
TEST_P(TransactionTest, QueriesDifferingOnlyInALiteralReadTheirOwnRows)
{
    insert_person("P1", "Li");
    insert_person("P'2", "O'Brien");
    for (const char* no : {"P1", "P'2", "P1", "nobody", "P'2"}) {
        std::vector<std::string> names;
        const long code = tx.query("SELECT Name FROM tc_ge_personinfo WHERE PersonNo = " + sql::quote_literal(no), {},
                                   [&](const sql::ResultRow& row) {
                                       names.emplace_back(row.text(0));
                                       return RowAction::Continue;
                                   });
        const std::string expected = std::string(no) == "P1" ? "Li" : std::string(no) == "P'2" ? "O'Brien" : "";
        EXPECT_EQ(code, expected.empty() ? 100 : 0) << no << ": " << tx.sql_err_text();
        EXPECT_EQ(names, expected.empty() ? std::vector<std::string> {} : std::vector<std::string> {expected}) << no;
    }
}

TEST_P(TransactionTest, RollbackUndoesEverythingSinceTheLastCommit)
{
    insert_person("P1", "Li");
    ASSERT_EQ(tx.commit(), 0);
    EXPECT_FALSE(tx.in_transaction());
    insert_person("P2", "Wang");
    EXPECT_TRUE(tx.in_transaction());
    ASSERT_EQ(tx.execute("UPDATE tc_ge_personinfo SET Name = :n WHERE PersonNo = 'P1'", {{"n", "Zhao"}}), 0);
    EXPECT_EQ(count_people(tx), 2); // the transaction sees its own changes
    ASSERT_EQ(tx.rollback(), 0);
    EXPECT_FALSE(tx.in_transaction());
    EXPECT_EQ(count_people(tx), 1);
    Value name;
    ASSERT_EQ(tx.select_into("SELECT Name INTO :name FROM tc_ge_personinfo WHERE PersonNo = 'P1'", {{"name", &name}}),
              0);
    EXPECT_EQ(name, Value("Li"));
    // COMMIT and ROLLBACK with nothing pending succeed.
    EXPECT_EQ(tx.commit(), 0);
    EXPECT_EQ(tx.rollback(), 0);
}

TEST_P(TransactionTest, ChangesAreInvisibleToOtherClientsUntilCommit)
{
    Transaction other("other");
    configure_other(other);
    ASSERT_EQ(other.connect(), 0) << other.sql_err_text();
    insert_person("P1", "Li");
    EXPECT_EQ(count_people(other), 0);
    ASSERT_EQ(tx.commit(), 0);
    EXPECT_EQ(count_people(other), 1);
    // Reads before the first change see the latest committed data each time.
    ASSERT_EQ(other.execute_immediate("DELETE FROM tc_ge_personinfo"), 0);
    ASSERT_EQ(other.commit(), 0);
    EXPECT_EQ(count_people(tx), 0);
}

TEST_P(TransactionTest, CommitAndRollbackAsStatementTexts)
{
    insert_person("P1", "Li");
    EXPECT_EQ(tx.execute_immediate("ROLLBACK"), 0);
    EXPECT_EQ(count_people(tx), 0);
    insert_person("P1", "Li");
    EXPECT_EQ(tx.execute_immediate("COMMIT WORK;"), 0);
    EXPECT_FALSE(tx.in_transaction());
    EXPECT_EQ(tx.execute_immediate("rollback"), 0);
    EXPECT_EQ(count_people(tx), 1);
}

TEST_P(TransactionTest, AutoCommitOnCommitsEachStatement)
{
    tx.set_autocommit(AutoCommit::On);
    insert_person("P1", "Li");
    EXPECT_FALSE(tx.in_transaction());
    EXPECT_EQ(tx.rollback(), 0); // nothing to undo
    Transaction other("other");
    configure_other(other);
    ASSERT_EQ(other.connect(), 0);
    EXPECT_EQ(count_people(other), 1);
}

TEST_P(TransactionTest, DisconnectCommitsAndStatementsAfterItFail)
{
    insert_person("P1", "Li");
    ASSERT_EQ(tx.disconnect(), 0);
    EXPECT_FALSE(tx.is_connected());
    struct Call {
        const char* what;
        long (*run)(Transaction&);
    };
    const Call calls[] = {
        {"execute", [](Transaction& t) { return t.execute("DELETE FROM tc_ge_personinfo"); }},
        {"execute_immediate", [](Transaction& t) { return t.execute_immediate("DELETE FROM tc_ge_personinfo"); }},
        {"select_into",
         [](Transaction& t) {
             Value n;
             return t.select_into("SELECT Count(*) INTO :n FROM tc_ge_personinfo", {{"n", &n}});
         }},
        {"commit", [](Transaction& t) { return t.commit(); }},
        {"rollback", [](Transaction& t) { return t.rollback(); }},
        {"disconnect", [](Transaction& t) { return t.disconnect(); }},
    };
    for (const Call& c : calls) {
        EXPECT_EQ(c.run(tx), -1) << c.what;
        EXPECT_EQ(tx.sql_code(), -1) << c.what;
        EXPECT_EQ(tx.sql_err_text(), "Transaction not connected.") << c.what;
    }
    ASSERT_EQ(tx.connect(), 0);
    EXPECT_EQ(count_people(tx), 1); // DISCONNECT committed
    // Connecting twice is refused and leaves the connection as it was.
    EXPECT_EQ(tx.connect(), -1);
    EXPECT_EQ(tx.sql_err_text(), "Transaction is already connected.");
    EXPECT_EQ(count_people(tx), 1);
}

TEST_P(TransactionTest, DestroyingAConnectedTransactionRollsBack)
{
    {
        Transaction short_lived("short");
        configure_other(short_lived);
        ASSERT_EQ(short_lived.connect(), 0);
        ASSERT_EQ(short_lived.execute_immediate("INSERT INTO tc_ge_personinfo (PersonNo) VALUES ('P9')"), 0);
    }
    EXPECT_EQ(count_people(tx), 0);
}

HEARTH_BOTH_BACKENDS(TransactionTest);

TEST(Transaction, UnknownDbmsAndMissingSettingsFailToConnect)
{
    Transaction tx;
    EXPECT_EQ(tx.dbms(), "SQLite");
    EXPECT_EQ(tx.autocommit(), AutoCommit::Off);
    tx.set_dbms("Oracle");
    EXPECT_EQ(tx.connect(), -1);
    EXPECT_EQ(tx.sql_err_text(), "Unknown DBMS \"Oracle\": use \"SQLite\" or \"PostgreSQL\".");
    tx.set_dbms("sqlite"); // the name is not case-sensitive
    EXPECT_EQ(tx.connect(), -1);
    EXPECT_EQ(tx.sql_err_text(), "No database file given.");
    EXPECT_FALSE(tx.is_connected());
    // Names with bytes of 0x80 and above (any Chinese text) are compared byte for byte, never
    // through the C library's case functions, which are undefined for a negative char.
    tx.set_dbms("SQLite数据库");
    EXPECT_EQ(tx.connect(), -1);
    EXPECT_EQ(tx.sql_err_text(), "Unknown DBMS \"SQLite数据库\": use \"SQLite\" or \"PostgreSQL\".");
    EXPECT_EQ(HostVar(":户主Name", Value(1)).name(), "户主name");
    EXPECT_EQ(HostVar(":\xC3\x89", Value(1)).name(), "\xC3\x89"); // É stays as it is
}

TEST(Transaction, DbparmValues)
{
    using sql::dbparm_value;
    EXPECT_EQ(dbparm_value("Create='Yes',BusyTimeout=250", "create"), "Yes");
    EXPECT_EQ(dbparm_value("Create='Yes', BusyTimeout = 250 ", "BusyTimeout"), "250");
    EXPECT_EQ(dbparm_value("A='x,y',B=2", "A"), "x,y");
    EXPECT_EQ(dbparm_value("A='x,y',B=2", "B"), "2");
    EXPECT_EQ(dbparm_value("", "A"), "");
    EXPECT_EQ(dbparm_value("A", "A"), "");
    EXPECT_EQ(dbparm_value("A='unterminated", "A"), "unterminated");
    EXPECT_EQ(dbparm_value("名称=\xC3\x89 ,B=2", "名称"), "\xC3\x89");
}

// A statement's translation is kept by text for the next time, but never handed to another
// backend: a literal compared after WHERE is bound on SQLite and stays in the text elsewhere.
TEST(Transaction, TranslationsAreKeptPerBackend)
{
    const std::string path = hearth::test::temp_db_path("translations");
    auto plan = std::make_shared<hearth::test::FaultPlan>();
    Transaction tx;
    hearth::test::configure(tx, sql::Dbms::SQLite, path);
    tx.set_driver_factory(hearth::test::faulty_factory(plan));
    const char* select = "SELECT 1 WHERE 'a' = 'a'";
    for (std::optional<sql::Dbms> claimed : {std::optional<sql::Dbms>(), std::optional(sql::Dbms::PostgreSQL)}) {
        plan->claimed = claimed;
        ASSERT_EQ(tx.connect(), 0) << tx.sql_err_text();
        for (int twice = 0; twice < 2; ++twice)
            EXPECT_EQ(tx.query(select, {}, [](const sql::ResultRow&) { return RowAction::Continue; }), 0)
                << tx.sql_err_text();
        EXPECT_EQ(tx.disconnect(), 0);
    }
    EXPECT_EQ(plan->prepared, (std::vector<std::string> {"SELECT 1 WHERE ?1 = ?2", "SELECT 1 WHERE 'a' = 'a'"}));
    hearth::test::remove_db_files(path);
}
