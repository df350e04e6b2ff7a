#include "host/value/functions.h"

#include <gtest/gtest.h>

using namespace hearth;

namespace {

Value dec(std::string_view text) { return Value(*Decimal::parse(text)); }

} // namespace

TEST(Format, NumericMasks)
{
    struct Case {
        Value data;
        const char* mask;
        const char* expected;
    };
    const Case cases[] = {
        {Value(1234567), "#,##0", "1,234,567"},
        {Value(1234.5), "#,##0.00", "1,234.50"},
        {Value(0.5), "0.00", "0.50"},
        {Value(0.5), "0.00E+00", "5.00E-01"}, // scientific: mantissa, sign, exponent digits
        {Value(1234), "0.00E+00", "1.23E+03"},
        {dec("9.996"), "0.00e-00", "1.00e01"}, // rounding carries into the exponent
        {Value(0), "0.0E+00", "0.0E+00"},
        {Value(0.5), "#.##", ".5"},
        {Value(0), "#,##0", "0"},
        {Value(7), "000", "007"},
        {Value(2.345), "0.00", "2.35"}, // rounded half away from zero (15 digits)
        {Value(-2.345), "0.00", "-2.35"},
        {dec("2.345"), "0.00", "2.35"},
        {dec("1.005"), "0.00", "1.01"}, // exact decimals: no binary surprise
        {Value(3.5), "0", "4"},
        {Value(1.2), "0.0#", "1.2"},
        {Value(1.234), "0.0#", "1.23"},
        {Value(-1234.5), "#,##0.00;(#,##0.00)", "(1,234.50)"},
        {Value(-5), "0;-0;zero", "-5"},
        {Value(0), "0;(0);zero", "zero"},
        {Value(0), "$#,##0.00;($#,##0.00);\"-\"", "-"},
        {Value(-0.001), "0.00", "0.00"}, // rounds to zero: no minus sign
        {Value(0.256), "0.0%", "25.6%"},
        {Value(42), "共 0 户", "共 42 户"}, // text around the digits is copied
        {Value(12), "\"#\"0", "#12"},       // quoted placeholder characters are text
        {Value(1234.5), "[General]", "1234.5"},
        {Value(1234.5), "[Currency]", "¥1,234.50"},
        {Value(-1234.5), "[Currency]", "-¥1,234.50"},
        {Value(12), "yyyy-mm-dd", ""}, // not a numeric mask
        {Value(12), "abc", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fn::to_string(c.data, c.mask), Value(c.expected))
            << c.mask << " " << fn::to_string(c.data).as_string();
}

TEST(Format, NumericNullSection)
{
    const Value null_long = Value::null_of(Type::Long);
    EXPECT_EQ(fn::to_string(null_long, "0;-0;zero;none"), Value("none"));
    EXPECT_EQ(fn::to_string(null_long, "0;-0;zero"), Value::null_of(Type::String));
    EXPECT_EQ(fn::to_string(Value(5), Value::null_of(Type::String)), Value::null_of(Type::String));
}

TEST(Format, DateAndTimeMasks)
{
    const Value stamp(DateTime {{2024, 3, 9}, {14, 5, 7, 123456}});
    const Value date(Date {2024, 3, 9});
    const Value time(Time {9, 5, 0, 0});
    struct Case {
        Value data;
        const char* mask;
        const char* expected;
    };
    const Case cases[] = {
        {date, "yyyy-mm-dd", "2024-03-09"},
        {date, "yy/m/d", "24/3/9"},
        {date, "dd.mm.yyyy", "09.03.2024"},
        {date, "yyyy年m月d日", "2024年3月9日"},
        {date, "ddd", "周六"},
        {date, "dddd", "星期六"},
        {date, "mmm", "3月"},
        {date, "mmmm", "三月"},
        {date, "[ShortDate]", "2024-03-09"},
        {date, "[LongDate]", "2024年3月9日"},
        {date, "[General]", "2024-03-09"},
        {date, "yyyy-mm-dd hh:mm", "2024-03-09 00:00"},
        {stamp, "yyyy-mm-dd hh:mm:ss", "2024-03-09 14:05:07"},
        {stamp, "h:mm am/pm", "2:05 pm"},
        {stamp, "hh:mm AM/PM", "02:05 PM"},
        {stamp, "hh:mm:ss.fff", "14:05:07.123"},
        {stamp, "hh:mm:ss.ffffff", "14:05:07.123456"},
        {time, "h:m:s", "9:5:0"},
        {time, "mm:ss", "05:00"}, // minutes before seconds
        {time, "hh\"h\"mm", "09h05"},
        {time, "[Time]", "09:05:00"},
        {Value(Time {0, 30, 0, 0}), "h:mm am/pm", "12:30 am"},
        {date, "#,##0", ""}, // not a date mask
    };
    for (const auto& c : cases)
        EXPECT_EQ(fn::to_string(c.data, c.mask), Value(c.expected)) << c.mask;
    EXPECT_EQ(fn::to_string(Value::null_of(Type::Date), "yyyy-mm-dd;(无)"), Value("(无)"));
    EXPECT_EQ(fn::to_string(Value::null_of(Type::Date), "yyyy-mm-dd"), Value::null_of(Type::String));
}

TEST(Format, StringMasks)
{
    struct Case {
        const char* data;
        const char* mask;
        const char* expected;
    };
    const Case cases[] = {
        {"0166767593", "(@@)@@@@-@@@@", "(01)6676-7593"},
        {"0166", "(@@)@@@@-@@@@", "(01)66-"},                // '@' past the data shows nothing
        {"0166767593999", "(@@)@@@@-@@@@", "(01)6676-7593"}, // data past the last '@' dropped
        {"张三丰", "姓名:@@@", "姓名:张三丰"},
        {"ab", "\\@@", "@a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fn::to_string(Value(c.data), c.mask), Value(c.expected)) << c.mask;
    EXPECT_EQ(fn::to_string(Value::null_of(Type::String), "@@@;空"), Value("空"));
    EXPECT_EQ(fn::to_string(Value::null_of(Type::String), "@@@"), Value::null_of(Type::String));
    EXPECT_EQ(fn::to_string(Value(true), "@"), Value(""));
}
