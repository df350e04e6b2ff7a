// The detail page's SELECT rebuilt from the designed one and the master row's conditions.

#include "library/tabs/select_rewrite.h"

#include <gtest/gtest.h>

using namespace hearth::tabs;

namespace {

TEST(SelectRewrite, ConditionsJoinTheDesignedWhereBeforeTrailingClauses)
{
    struct Case {
        std::string designed;
        std::vector<std::string> conditions;
        std::string expected;
    };
    const Case cases[] = {
        // The keyword's five letters become "Where (" and the blank after them stays.
        {"select a from t where x=1", {"t.id='7'"}, "select a from t Where ( x=1) and (t.id='7')"},
        {"select a from t", {"id=5", "kind='A'"}, "select a from t Where (id=5) and (kind='A')"},
        {"select a from t", {"flag=1"}, "select a from t Where (flag=1)"},
        {"select a from t where x=1", {}, "select a from t where x=1"},
        // ORDER BY, GROUP BY, HAVING and LIMIT stay after the conditions.
        {"select a from t where x=1 order by a", {"id=5"}, "select a from t Where ( x=1) and (id=5) order by a"},
        {"SELECT k, count(*) FROM t GROUP BY k HAVING count(*) > 1",
         {"id=5"},
         "SELECT k, count(*) FROM t Where (id=5) GROUP BY k HAVING count(*) > 1"},
        {"select a from t where x=1\n  LIMIT 3", {"id=5"}, "select a from t Where ( x=1) and (id=5) LIMIT 3"},
        // Keywords inside literals, quoted names, subqueries and longer names are not keywords.
        {"select a from t WHERE note = 'where x order by y' Order  By a",
         {"id=5"},
         "select a from t Where ( note = 'where x order by y') and (id=5) Order  By a"},
        {"select \"order by\" from t where a in (select b from u where c=1 order by b)",
         {"id=5"},
         "select \"order by\" from t Where ( a in (select b from u where c=1 order by b)) and (id=5)"},
        {"select nowhere, orders from t where x = :where;",
         {"id=5"},
         "select nowhere, orders from t Where ( x = :where) and (id=5) ;"},
        {"select a from t where n = 'it''s where'", {"id=5"}, "select a from t Where ( n = 'it''s where') and (id=5)"},
        // A line comment at the end would swallow the conditions.
        {"select a from t -- every row", {"id=5"}, "select a from t -- every row\n Where (id=5)"},
        {"select a from t where x=1 -- note\norder by a",
         {"id=5"},
         "select a from t Where ( x=1 -- note\n) and (id=5) order by a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rewrite_select(c.designed, c.conditions), c.expected) << c.designed;
}

// A value is one literal whatever it holds; numbers go in as they are written.
TEST(SelectRewrite, ValuesBecomeOneLiteral)
{
    EXPECT_EQ(text_condition("t.id", "7"), "t.id='7'");
    EXPECT_EQ(text_condition("t.id", "O'1') or (1=1"), "t.id='O''1'') or (1=1'");
    EXPECT_EQ(text_condition("id", ""), "id=''");
    EXPECT_EQ(number_condition("t.n", "12.5"), "t.n=12.5");
}

} // namespace
