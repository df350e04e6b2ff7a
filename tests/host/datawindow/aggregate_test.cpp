// Aggregates keep their results between evaluations: every change of the rows must reach
// them. One computed field per range (all rows, group 1, running) read after each change.
#include "test_support.h"

#include "host/datawindow/value_text.h"

using namespace hearth;
using namespace hearth::dw;

namespace {

// c_total_income, c_household_income at `row`, and the running total at `row`.
std::string totals(Engine& engine, long row)
{
    auto text = [](const Value& value) { return value.is_null() ? std::string("null") : item_text(value); };
    auto running = engine.evaluate("cumulativesum(income for all)", row);
    return text(engine.get_item(row, "c_total_income")) + " " + text(engine.get_item(row, "c_household_income")) + " "
        + (running ? text(*running) : running.error());
}

} // namespace

TEST(Aggregates, FollowEveryChangeOfTheRows)
{
    auto engine = test::engine_for("d_household_person");
    ASSERT_EQ(engine->import_file(test::data_dir() / "d_household_person.txt"), 7);
    EXPECT_EQ(totals(*engine, 4), "2901.00 1000.50 2500.75");

    EXPECT_EQ(engine->set_item(3, "income", Value(Decimal(100))), 1); // an edit
    EXPECT_EQ(totals(*engine, 4), "3001.00 1000.50 2600.75");
    EXPECT_EQ(engine->delete_row(1), 1); // H01 loses 1200.50; row 4 is now H02's second
    EXPECT_EQ(totals(*engine, 4), "1800.50 1000.50 1900.50");
    EXPECT_EQ(engine->insert_row(0), 7); // an empty row: no household, no income
    EXPECT_EQ(engine->set_item(7, "household", Value(std::string("H03"))), 1);
    EXPECT_EQ(totals(*engine, 7), "1800.50 -100.00 1800.50");
    EXPECT_EQ(engine->set_sort("income D"), 1); // groups by household break up: null, H01 800.00, ...
    EXPECT_EQ(engine->sort(), 1);
    EXPECT_EQ(totals(*engine, 2), "1800.50 800.00 800.00");
    EXPECT_EQ(engine->set_filter("household = 'H02'"), 1);
    EXPECT_EQ(engine->filter(), 1);
    EXPECT_EQ(totals(*engine, 2), "1000.50 1000.50 1000.50");
    EXPECT_EQ(engine->import_string("H02\tx\t1\t9.50\t\n"), 1);
    EXPECT_EQ(totals(*engine, 3), "1010.00 1010.00 1010.00");
    EXPECT_EQ(engine->reset(), 1);
    EXPECT_EQ(engine->import_string("H09\ty\t1\t2.00\t\n"), 1);
    EXPECT_EQ(totals(*engine, 1), "2.00 2.00 2.00");
}
