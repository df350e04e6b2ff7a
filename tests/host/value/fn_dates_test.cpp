#include "host/value/functions.h"

#include <gtest/gtest.h>

using namespace hearth;

TEST(Dates, DateFromTextOrTheFirstDayOf1900)
{
    struct Case {
        const char* text;
        Date expected;
    };
    const Case cases[] = {
        {"2024-03-09", {2024, 3, 9}},
        {"2024/3/9", {2024, 3, 9}},
        {"2024.12.31", {2024, 12, 31}},
        {" 2024-03-09 ", {2024, 3, 9}},
        {"2024-03-09 10:30:00", {2024, 3, 9}}, // a time part is ignored
        {"2024-03-09 25:30:00", {1900, 1, 1}}, // ... but must be a time
        {"2024-03-09x", {1900, 1, 1}},
        {"49-01-02", {2049, 1, 2}}, // two-digit years
        {"50-01-02", {1950, 1, 2}},
        {"99-12-31", {1999, 12, 31}},
        {"00-01-01", {2000, 1, 1}},
        {"2024-02-29", {2024, 2, 29}},
        {"2023-02-29", {1900, 1, 1}}, // not a leap year
        {"1900-02-29", {1900, 1, 1}},
        {"2000-02-29", {2000, 2, 29}},
        {"2024-13-01", {1900, 1, 1}},
        {"2024-04-31", {1900, 1, 1}},
        {"2024-00-10", {1900, 1, 1}},
        {"2024-03", {1900, 1, 1}},
        {"2024-03/09", {1900, 1, 1}}, // mixed separators
        {"999-01-01", {1900, 1, 1}},
        {"0999-01-01", {1900, 1, 1}}, // before the year 1000
        {"3001-01-01", {1900, 1, 1}},
        {"bad", {1900, 1, 1}},
        {"", {1900, 1, 1}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn::to_date(c.text), c.expected) << c.text;
        EXPECT_EQ(fn::to_date(Value(c.text)), Value(c.expected)) << c.text;
    }
    EXPECT_EQ(fn::to_date(Value(DateTime {{2024, 5, 6}, {1, 2, 3, 0}})), Value(Date {2024, 5, 6}));
    EXPECT_EQ(fn::to_date(Value::null_of(Type::String)), Value::null_of(Type::Date));
}

TEST(Dates, TimeFromTextOrMidnight)
{
    struct Case {
        const char* text;
        Time expected;
    };
    const Case cases[] = {
        {"10:30", {10, 30, 0, 0}},
        {"10:30:15", {10, 30, 15, 0}},
        {"7:05:09", {7, 5, 9, 0}},
        {"23:59:59.5", {23, 59, 59, 500000}},
        {"23:59:59.123456", {23, 59, 59, 123456}},
        {"12:00 am", {0, 0, 0, 0}},
        {"12:00 PM", {12, 0, 0, 0}},
        {"1:15:00pm", {13, 15, 0, 0}},
        {"13:00 pm", {0, 0, 0, 0}},             // am/pm needs hours 1..12
        {"2024-03-09 08:15:00", {8, 15, 0, 0}}, // a date part is ignored
        {"24:00", {0, 0, 0, 0}},
        {"10:60", {0, 0, 0, 0}},
        {"10:5", {0, 0, 0, 0}},
        {"10", {0, 0, 0, 0}},
        {"bad", {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn::to_time(c.text), c.expected) << c.text;
        EXPECT_EQ(fn::to_time(Value(c.text)), Value(c.expected)) << c.text;
    }
    EXPECT_EQ(fn::to_time(Value::null_of(Type::String)), Value::null_of(Type::Time));
}

TEST(Dates, DateTimeCombinesADateWithMidnightOrATime)
{
    Value date(Date {2024, 3, 9});
    Value time(Time {8, 30, 0, 0});
    EXPECT_EQ(fn::to_datetime(date), Value(DateTime {{2024, 3, 9}, {0, 0, 0, 0}}));
    EXPECT_EQ(fn::to_datetime(date, time), Value(DateTime {{2024, 3, 9}, {8, 30, 0, 0}}));
    EXPECT_EQ(fn::to_datetime(Value::null_of(Type::Date)), Value::null_of(Type::DateTime));
    EXPECT_EQ(fn::to_datetime(date, Value::null_of(Type::Time)), Value::null_of(Type::DateTime));
}

TEST(Dates, TodayAndNowAreTypedDateAndTime)
{
    Value day = fn::today();
    Value time = fn::now();
    ASSERT_EQ(day.type(), Type::Date);
    ASSERT_EQ(time.type(), Type::Time);
    EXPECT_FALSE(day.is_null());
    EXPECT_GE(day.as_date().year, 2020);
    EXPECT_LE(time.as_time().hour, 23);
    // Today's text reads back as the same date.
    EXPECT_EQ(fn::to_date(fn::to_string(day)), day);
}

TEST(Dates, DayArithmetic)
{
    EXPECT_EQ(fn::relative_date({2024, 2, 28}, 1), (Date {2024, 2, 29}));
    EXPECT_EQ(fn::relative_date({2023, 12, 31}, -365), (Date {2022, 12, 31}));
    EXPECT_FALSE(fn::relative_date({9999, 12, 31}, 1)); // past the calendar
    EXPECT_EQ(fn::days_after({2024, 1, 1}, {2025, 1, 1}), 366);
    EXPECT_EQ(fn::day_number({2024, 3, 10}), 1); // a Sunday
    EXPECT_EQ(fn::day_name({2024, 3, 16}), "Saturday");
    EXPECT_EQ(fn::relative_time({0, 0, 5, 0}, -10), (Time {0, 0, 0, 0})); // held within the day
    EXPECT_EQ(fn::relative_time({23, 59, 0, 500}, 120), (Time {23, 59, 59, 0}));
    EXPECT_EQ(fn::seconds_after(DateTime {{2024, 1, 1}, {23, 0, 0, 0}}, DateTime {{2024, 1, 2}, {1, 0, 0, 0}}), 7200);
    EXPECT_TRUE(fn::is_date("2024-02-29"));
    EXPECT_FALSE(fn::is_date("2023-02-29"));
    EXPECT_TRUE(fn::is_time("12:30 pm"));
    EXPECT_FALSE(fn::is_time("12:60"));
}
