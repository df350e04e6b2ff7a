// The statement translator: each form the library writes, for both backends, and the forms
// that must pass through untouched.

#include "host/sql/dialect.h"

#include <gtest/gtest.h>

using namespace hearth::sql;

namespace {

struct Case {
    const char* input;
    const char* sqlite;
    const char* postgres;
    std::vector<std::string> params;
    std::vector<std::string> into;
};

void check(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        const auto lite = translate(c.input, Dbms::SQLite);
        const auto pg = translate(c.input, Dbms::PostgreSQL);
        ASSERT_TRUE(lite && pg) << c.input << ": " << (lite ? "" : lite.error());
        EXPECT_EQ(lite->text, c.sqlite) << c.input;
        EXPECT_EQ(pg->text, c.postgres) << c.input;
        EXPECT_EQ(lite->params, c.params) << c.input;
        EXPECT_EQ(pg->params, c.params) << c.input;
        EXPECT_EQ(lite->into, c.into) << c.input;
    }
}

} // namespace

TEST(Dialect, HostVariablesBecomePlaceholdersInOrder)
{
    check({
        {"UPDATE th_ge_personinfo SET SaveTime = :ldt_now, IsSave = '5' WHERE PersonNo = :ls_personno",
         "UPDATE th_ge_personinfo SET SaveTime = ?1, IsSave = '5' WHERE PersonNo = ?2",
         "UPDATE th_ge_personinfo SET SaveTime = $1, IsSave = '5' WHERE PersonNo = $2",
         {"ldt_now", "ls_personno"},
         {}},
        // The same variable twice is bound twice; names are case-insensitive, kept lower case.
        {"SELECT a FROM t WHERE x = :LS_No OR y = :ls_no",
         "SELECT a FROM t WHERE x = ?1 OR y = ?2",
         "SELECT a FROM t WHERE x = $1 OR y = $2",
         {"ls_no", "ls_no"},
         {}},
        // Structure members.
        {"DELETE FROM t WHERE c = :lstr_scope.ls_colname",
         "DELETE FROM t WHERE c = ?1",
         "DELETE FROM t WHERE c = $1",
         {"lstr_scope.ls_colname"},
         {}},
        // A colon inside a literal, a comment or a cast is not a host variable.
        {"SELECT ':x', a::text FROM t -- :y\nWHERE b = /* :z */ 1",
         "SELECT ':x', a::text FROM t -- :y\nWHERE b = /* :z */ 1",
         "SELECT ':x', a::text FROM t -- :y\nWHERE b = /* :z */ 1",
         {},
         {}},
        {"SELECT '12:30' FROM t WHERE a=:a",
         "SELECT '12:30' FROM t WHERE a=?1",
         "SELECT '12:30' FROM t WHERE a=$1",
         {"a"},
         {}},
    });
}

TEST(Dialect, SelectIntoListIsRemovedAndItsTargetsKept)
{
    check({
        {"SELECT Count(PersonNo) INTO :ll_count FROM th_ge_personinfo WHERE PersonNo = :ls_personno",
         "SELECT Count(PersonNo) FROM th_ge_personinfo WHERE PersonNo = ?1",
         "SELECT Count(PersonNo) FROM th_ge_personinfo WHERE PersonNo = $1",
         {"ls_personno"},
         {"ll_count"}},
        {"SELECT PersonNum, InCommHouseNum INTO :ll_personnum , :ld_in FROM TC_GE_Rpr WHERE RprNo = :ls_rprno;",
         "SELECT PersonNum, InCommHouseNum FROM TC_GE_Rpr WHERE RprNo = ?1",
         "SELECT PersonNum, InCommHouseNum FROM TC_GE_Rpr WHERE RprNo = $1",
         {"ls_rprno"},
         {"ll_personnum", "ld_in"}},
        // INTO inside a subquery's parentheses is not the statement's INTO list.
        {"select count(*) into :n from (select a from t) x",
         "select count(*) from (select a from t) x",
         "select count(*) from (select a from t) x",
         {},
         {"n"}},
    });
}

TEST(Dialect, TopBecomesLimitAtTheEndOfItsOwnSelect)
{
    check({
        {"SELECT TOP 50 a, b FROM t WHERE x = 1 ORDER BY a",
         "SELECT a, b FROM t WHERE x = 1 ORDER BY a LIMIT 50",
         "SELECT a, b FROM t WHERE x = 1 ORDER BY a LIMIT 50",
         {},
         {}},
        {"select distinct top 5 a from t",
         "select distinct a from t LIMIT 5",
         "select distinct a from t LIMIT 5",
         {},
         {}},
        {"SELECT TOP (3) a FROM t", "SELECT a FROM t LIMIT 3", "SELECT a FROM t LIMIT 3", {}, {}},
        // In a subquery the LIMIT goes before its closing parenthesis.
        {"SELECT a FROM t WHERE b IN (SELECT TOP 1 b FROM u ORDER BY c) AND d = :d",
         "SELECT a FROM t WHERE b IN (SELECT b FROM u ORDER BY c LIMIT 1) AND d = ?1",
         "SELECT a FROM t WHERE b IN (SELECT b FROM u ORDER BY c LIMIT 1) AND d = $1",
         {"d"},
         {}},
        // A trailing comment stays after the LIMIT.
        {"SELECT TOP 2 a FROM t -- first rows",
         "SELECT a FROM t LIMIT 2 -- first rows",
         "SELECT a FROM t LIMIT 2 -- first rows",
         {},
         {}},
        // A column called top is left alone.
        {"SELECT top FROM t", "SELECT top FROM t", "SELECT top FROM t", {}, {}},
        {"SELECT top, b FROM t; -- end", "SELECT top, b FROM t -- end", "SELECT top, b FROM t -- end", {}, {}},
    });
}

TEST(Dialect, DeleteWithoutFromGetsFrom)
{
    check({
        {"DELETE TS_HelpDeformityPhoto WHERE PersonNo = :ls_no",
         "DELETE FROM TS_HelpDeformityPhoto WHERE PersonNo = ?1",
         "DELETE FROM TS_HelpDeformityPhoto WHERE PersonNo = $1",
         {"ls_no"},
         {}},
        {"delete from t where a = 1", "delete from t where a = 1", "delete from t where a = 1", {}, {}},
    });
}

TEST(Dialect, MixedCaseNamesCountAndNullPassThroughUnchanged)
{
    check({
        {" Update TC_GE_PersonInfo Set personkind=Null Where PersonNo = 'P1'",
         " Update TC_GE_PersonInfo Set personkind=Null Where PersonNo = 'P1'",
         " Update TC_GE_PersonInfo Set personkind=Null Where PersonNo = 'P1'",
         {},
         {}},
        {"SELECT Count(x) FROM TC_GE_Building",
         "SELECT Count(x) FROM TC_GE_Building",
         "SELECT Count(x) FROM TC_GE_Building",
         {},
         {}},
        // Literals with doubled quotes and words that look like keywords stay untouched.
        {"SELECT 'it''s TOP 5; DELETE t' FROM t",
         "SELECT 'it''s TOP 5; DELETE t' FROM t",
         "SELECT 'it''s TOP 5; DELETE t' FROM t",
         {},
         {}},
    });
}

TEST(Dialect, TableDefinitionsUseEachBackendsTypeNames)
{
    const char* ddl = "CREATE TABLE p (n integer, b blob, t datetime, f double, g double precision)";
    EXPECT_EQ(translate(ddl, Dbms::PostgreSQL)->text,
              "CREATE TABLE p (n integer, b bytea, t timestamp, f double precision, g double precision)");
    EXPECT_EQ(translate(ddl, Dbms::SQLite)->text, ddl);
    EXPECT_EQ(translate("CREATE TABLE p (b bytea)", Dbms::SQLite)->text, "CREATE TABLE p (b blob)");
    // Outside table definitions the words are not touched.
    EXPECT_EQ(translate("SELECT blob FROM t", Dbms::PostgreSQL)->text, "SELECT blob FROM t");
}

TEST(Dialect, StatementKinds)
{
    struct Kind {
        const char* text;
        StatementKind kind;
    };
    const Kind cases[] = {
        {"select 1", StatementKind::Query},
        {"  WITH a AS (select 1) select * from a", StatementKind::Query},
        {"(select 1)", StatementKind::Query},
        {"update t set a = 1", StatementKind::Change},
        {"COMMIT", StatementKind::Commit},
        {"commit work;", StatementKind::Commit},
        {"ROLLBACK", StatementKind::Rollback},
        {"rollback transaction", StatementKind::Rollback},
        {"rollback to savepoint a", StatementKind::Change},
        {"create table x (a int)", StatementKind::Change},
    };
    for (const Kind& c : cases)
        EXPECT_EQ(translate(c.text, Dbms::SQLite)->kind, c.kind) << c.text;
}

TEST(Dialect, MalformedTextsAreRefusedWithAMessage)
{
    struct Bad {
        const char* text;
        const char* error;
    };
    const Bad cases[] = {
        {"SELECT 'abc FROM t", "SQL syntax error: unterminated string literal"},
        {"SELECT \"abc FROM t", "SQL syntax error: unterminated quoted identifier"},
        {"SELECT a /* FROM t", "SQL syntax error: unterminated comment"},
        {"", "SQL syntax error: empty statement"},
        {" ; ", "SQL syntax error: empty statement"},
        {"-- only a comment", "SQL syntax error: empty statement"},
        {"DELETE FROM t; DROP TABLE u", "SQL syntax error: only one statement can be run at a time"},
        {"SELECT TOP (x) a FROM t", "SQL syntax error: TOP expects a row count"},
        {"SELECT TOP (5 a FROM t", "SQL syntax error: TOP expects a row count"},
        {"SELECT TOP 1.5 a FROM t", "SQL syntax error: TOP expects a whole row count"},
        {"SELECT TOP 10 PERCENT a FROM t", "SQL syntax error: TOP ... PERCENT and TOP ... WITH TIES are not supported"},
        {"SELECT a INTO :x, FROM t", "SQL syntax error: INTO expects a list of host variables"},
    };
    for (const Bad& c : cases) {
        for (Dbms dbms : {Dbms::SQLite, Dbms::PostgreSQL}) {
            const auto t = translate(c.text, dbms);
            EXPECT_EQ(t ? "" : t.error(), c.error) << c.text;
        }
    }
    // Every truncation of a valid statement either translates or fails with a message.
    const std::string full = "SELECT TOP 5 a, 'x''y' INTO :v FROM t /* c */ WHERE b = :b;";
    for (std::size_t n = 0; n <= full.size(); ++n) {
        const auto t = translate(full.substr(0, n), Dbms::PostgreSQL);
        EXPECT_TRUE(t || t.error().rfind("SQL syntax error: ", 0) == 0) << full.substr(0, n);
    }
}

TEST(Dialect, ListVariablesExpandToOneVariablePerElement)
{
    using hearth::sql::expand_list_variable;
    const char* select = "SELECT a FROM t WHERE x IN (:AS_Nos) AND y <> ':as_nos' AND z = :as_nos2 -- :as_nos";
    EXPECT_EQ(
        *expand_list_variable(select, "as_nos", 3),
        "SELECT a FROM t WHERE x IN (:as_nos#1, :as_nos#2, :as_nos#3) AND y <> ':as_nos' AND z = :as_nos2 -- :as_nos");
    EXPECT_EQ(*expand_list_variable(select, "as_nos", 0),
              "SELECT a FROM t WHERE x IN (NULL) AND y <> ':as_nos' AND z = :as_nos2 -- :as_nos");
    // The expanded names are host variables of their own, bound in order.
    const auto translated
        = hearth::sql::translate(*expand_list_variable(select, "as_nos", 2), hearth::sql::Dbms::PostgreSQL);
    EXPECT_EQ(translated->params, (std::vector<std::string> {"as_nos#1", "as_nos#2", "as_nos2"}));
    EXPECT_FALSE(expand_list_variable("SELECT 'open", "as_nos", 1));
}

TEST(Dialect, QuoteLiteralDoublesQuotes)
{
    EXPECT_EQ(quote_literal("P1"), "'P1'");
    EXPECT_EQ(quote_literal("O'Brien"), "'O''Brien'");
    EXPECT_EQ(quote_literal("''"), "''''''");
    EXPECT_EQ(quote_literal(""), "''");
    EXPECT_EQ(quote_literal("a\\b"), "'a\\b'"); // backslashes are ordinary (standard strings on both)
    // A quoted literal is one string token: nothing after it is read as SQL.
    const auto t = translate("SELECT a FROM t WHERE b = " + quote_literal("x'; DROP TABLE t; --"), Dbms::PostgreSQL);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->text, "SELECT a FROM t WHERE b = 'x''; DROP TABLE t; --'");
}

// A SQLite query binds the literals it compares after WHERE, after the host variables, so texts
// that differ only in those values are one statement. Other literals, changes and PostgreSQL
// keep their texts.
TEST(Dialect, SqliteQueriesBindTheLiteralsTheyCompare)
{
    struct Bound {
        const char* input;
        const char* sqlite;
        const char* postgres;
        std::vector<std::string> literals;
    };
    const Bound cases[] = {
        {"select a from t Where ( x=1) and (t.id='O''Brien') ORDER BY a",
         "select a from t Where ( x=1) and (t.id=?1) ORDER BY a",
         "select a from t Where ( x=1) and (t.id='O''Brien') ORDER BY a",
         {"O'Brien"}},
        {"SELECT 'k' = 'k', a FROM t WHERE b = :b AND 'x'<>c AND d LIKE 'a%' AND e IN ('f') AND g >= '' || 'h'",
         "SELECT 'k' = 'k', a FROM t WHERE b = ?1 AND ?2<>c AND d LIKE 'a%' AND e IN ('f') AND g >= ?3 || 'h'",
         "SELECT 'k' = 'k', a FROM t WHERE b = $1 AND 'x'<>c AND d LIKE 'a%' AND e IN ('f') AND g >= '' || 'h'",
         {"x", ""}},
        {"UPDATE t SET a = 'x' WHERE b = 'y'",
         "UPDATE t SET a = 'x' WHERE b = 'y'",
         "UPDATE t SET a = 'x' WHERE b = 'y'",
         {}},
    };
    for (const Bound& c : cases) {
        const auto lite = translate(c.input, Dbms::SQLite);
        const auto pg = translate(c.input, Dbms::PostgreSQL);
        ASSERT_TRUE(lite && pg) << c.input;
        EXPECT_EQ(lite->text, c.sqlite) << c.input;
        EXPECT_EQ(lite->literals, c.literals) << c.input;
        EXPECT_EQ(pg->text, c.postgres) << c.input;
        EXPECT_TRUE(pg->literals.empty()) << c.input;
    }
}

// A text new only in its literals is translated from its form: the same statement, the same
// bound values, whatever the literals hold and wherever they stand.
TEST(Dialect, ATextTranslatesAsItsLiteralFormWithItsLiteralsFilledIn)
{
    const char* inputs[] = {
        "select a from t Where ( x=1) and (t.id='O''Brien') ORDER BY a",
        "SELECT 'k' = 'k', a FROM t WHERE b = :b AND 'x'<>c AND d LIKE 'a%' AND e IN ('f') AND g >= '' || 'h'",
        "SELECT TOP 5 a INTO :x FROM t /* 'no' */ WHERE b = '1' -- it's\n AND c = '''' ORDER BY a;",
        "DELETE t WHERE b = 'y'",
        "select '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '10' from t where a='11' or b='1'",
    };
    for (const char* input : inputs) {
        const auto form = literal_form(input);
        ASSERT_TRUE(form) << input;
        for (Dbms dbms : {Dbms::SQLite, Dbms::PostgreSQL}) {
            const auto direct = translate(input, dbms);
            const auto general = translate(form->form, dbms);
            ASSERT_TRUE(direct && general) << input;
            const Translated made = with_literals(*general, form->literals);
            EXPECT_EQ(made.text, direct->text) << input;
            EXPECT_EQ(made.literals, direct->literals) << input;
            EXPECT_EQ(made.params, direct->params) << input;
            EXPECT_EQ(made.into, direct->into) << input;
            EXPECT_EQ(made.kind, direct->kind) << input;
        }
    }
    EXPECT_FALSE(literal_form("select a from t where b = 1"));
    EXPECT_FALSE(literal_form("select a from t where b = 'x\x01'"));
    EXPECT_FALSE(literal_form("select a from t where b = 'x"));
}
