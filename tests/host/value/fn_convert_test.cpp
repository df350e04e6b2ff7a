#include "host/value/functions.h"

#include <gtest/gtest.h>

using namespace hearth;

TEST(Conversions, NumbersFromTextAreZeroUnlessTheWholeTextIsANumber)
{
    struct Case {
        const char* text;
        std::int16_t integer;
        std::int32_t long_;
        const char* decimal;
        double double_;
        bool is_number;
    };
    const Case cases[] = {
        {"12", 12, 12, "12", 12, true},
        {"12abc", 0, 0, "0", 0, false}, // no partial parse
        {"3ABC", 0, 0, "0", 0, false},
        {"abc", 0, 0, "0", 0, false},
        {"", 0, 0, "0", 0, false},
        {"-", 0, 0, "0", 0, false},
        {".", 0, 0, "0", 0, false},
        {"-45", -45, -45, "-45", -45, true},
        {"+7", 7, 7, "7", 7, true},
        {"32.65", 33, 33, "32.65", 32.65, true},
        {"2.5", 3, 3, "2.5", 2.5, true}, // rounded like a stored fraction
        {"-2.5", -3, -3, "-2.5", -2.5, true},
        {".5", 1, 1, "0.5", 0.5, true},
        {"5.", 5, 5, "5", 5, true},
        {"1e3", 1000, 1000, "1000", 1000, true},
        {"1.5E-1", 0, 0, "0.15", 0.15, true},
        {"1e", 0, 0, "0", 0, false},
        {" 12 ", 12, 12, "12", 12, true}, // surrounding blanks are accepted
        {"\t12", 0, 0, "0", 0, false},    // other white space is not
        {"1 2", 0, 0, "0", 0, false},
        {"1,000", 0, 0, "0", 0, false},
        {"A16", 0, 0, "0", 0, false},
        {"70000", 0, 70000, "70000", 70000, true}, // beyond an integer: 0, no wrap
        {"32767", 32767, 32767, "32767", 32767, true},
        {"-32768", -32768, -32768, "-32768", -32768, true},
        {"32768", 0, 32768, "32768", 32768, true},
        {"2147483648", 0, 0, "2147483648", 2147483648.0, true},
        {"-2147483648", 0, -2147483647 - 1, "-2147483648", -2147483648.0, true},
        {"1e300", 0, 0, "0", 1e300, true}, // a double, but beyond a decimal
        {"1e999", 0, 0, "0", 0, true},     // beyond a double too
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn::to_integer(c.text), c.integer) << c.text;
        EXPECT_EQ(fn::to_long(c.text), c.long_) << c.text;
        EXPECT_EQ(fn::to_dec(c.text).to_string(), c.decimal) << c.text;
        EXPECT_EQ(fn::to_double(c.text), c.double_) << c.text;
        EXPECT_EQ(fn::is_number(c.text), c.is_number) << c.text;
        EXPECT_EQ(fn::to_integer(Value(c.text)), Value::integer(c.integer)) << c.text;
        EXPECT_EQ(fn::to_long(Value(c.text)), Value(c.long_)) << c.text;
        EXPECT_EQ(fn::is_number(Value(c.text)), Value(c.is_number)) << c.text;
    }
    EXPECT_EQ(fn::to_real("0.1"), 0.1f);
    EXPECT_EQ(fn::to_real("1e39"), 0.0f); // beyond a real
    EXPECT_EQ(fn::to_real(Value("2.5")), Value::real(2.5f));
    EXPECT_EQ(fn::to_double(Value("2.5")), Value(2.5));
    EXPECT_EQ(fn::to_dec(Value("3.50")), Value(*Decimal::parse("3.50")));
}

TEST(Conversions, NumbersFromNumbersConvertAsAnAssignmentDoes)
{
    EXPECT_EQ(fn::to_integer(Value(2.7)), Value::integer(3));
    EXPECT_EQ(fn::to_integer(Value(-2.5)), Value::integer(-3));
    EXPECT_EQ(fn::to_integer(Value(33000)), Value::integer(-32536));
    EXPECT_EQ(fn::to_long(Value(*Decimal::parse("2.5"))), Value(3));
    EXPECT_EQ(fn::to_long(Value::integer(-5)), Value(-5));
    EXPECT_EQ(fn::to_dec(Value(7)), Value(Decimal(7)));
    EXPECT_EQ(fn::to_double(Value(*Decimal::parse("0.25"))), Value(0.25));
}

TEST(Conversions, NumbersFromBlobsReadTheFirstValueStoredInThem)
{
    EXPECT_EQ(fn::to_integer(Value(Blob {0x34, 0x12, 0xFF})), Value::integer(0x1234));
    EXPECT_EQ(fn::to_long(Value(Blob {0x01, 0x00, 0x01, 0x00})), Value(65537));
    EXPECT_EQ(fn::to_long(Value(Blob {0x01, 0x00})), Value(0)); // too short for a long
    EXPECT_EQ(fn::to_dec(Value(Blob {'4', 0, '.', 0, '5', 0})), Value(*Decimal::parse("4.5")));
}

TEST(Conversions, LongFromWordsCombinesTwoUnsignedWords)
{
    EXPECT_EQ(fn::long_from_words(Value(1), Value(1)), Value(65537));
    EXPECT_EQ(fn::long_from_words(Value(0xFFFF), Value(0)), Value(65535));
    EXPECT_EQ(fn::long_from_words(Value(0), Value(0xFFFF)), Value(std::int32_t(0xFFFF0000u)));
    EXPECT_EQ(fn::long_from_words(Value(-1), Value(0)), Value(65535)); // wraps into a word
    EXPECT_TRUE(fn::long_from_words(Value::null_of(Type::Long), Value(0)).is_null());
}

TEST(Conversions, ToStringWithoutAMaskUsesFixedShortForms)
{
    struct Case {
        Value data;
        const char* expected;
    };
    const Case cases[] = {
        {Value(3.5), "3.5"},
        {Value(0.1 + 0.2), "0.3"},
        {Value(-0.0), "0"},
        {Value(1e20), "1e+20"},
        {Value(100.0), "100"},
        {Value::real(0.1f), "0.1"},
        {Value(42), "42"},
        {Value::integer(-7), "-7"},
        {Value::ulong(4000000000u), "4000000000"},
        {Value(*Decimal::parse("3.50")), "3.50"}, // a decimal keeps its places
        {Value(*Decimal::parse("-0.05")), "-0.05"},
        {Value(true), "true"},
        {Value(Date {2024, 3, 9}), "2024-03-09"},
        {Value(Time {7, 5, 3, 0}), "07:05:03"},
        {Value(Time {7, 5, 3, 250000}), "07:05:03.250000"},
        {Value(DateTime {{2024, 3, 9}, {23, 59, 0, 0}}), "2024-03-09 23:59:00"},
        {Value(Blob {'a', 0, 'b', 0}), "ab"},
        {Value("text"), "text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fn::to_string(c.data), Value(c.expected)) << c.expected;
    EXPECT_EQ(fn::to_string(12), "12");
    EXPECT_EQ(fn::to_string(12L), "12");
    EXPECT_EQ(fn::to_string(2.25), "2.25");
    EXPECT_EQ(fn::to_string(Date {1999, 12, 31}), "1999-12-31");
    EXPECT_TRUE(fn::to_string(Value::null_of(Type::Long)).is_null());
    EXPECT_EQ(fn::to_string(Value::null_of(Type::Long)).type(), Type::String);
}

TEST(Conversions, NullInNullOutAndIsNullSetNull)
{
    const Value null_string = Value::null_of(Type::String);
    EXPECT_EQ(fn::to_integer(null_string), Value::null_of(Type::Integer));
    EXPECT_EQ(fn::to_long(null_string), Value::null_of(Type::Long));
    EXPECT_EQ(fn::to_dec(null_string), Value::null_of(Type::Decimal));
    EXPECT_EQ(fn::to_double(null_string), Value::null_of(Type::Double));
    EXPECT_EQ(fn::to_real(null_string), Value::null_of(Type::Real));
    EXPECT_EQ(fn::is_number(null_string), Value::null_of(Type::Boolean));
    EXPECT_TRUE(fn::is_null(null_string));
    EXPECT_FALSE(fn::is_null(Value("")));
    EXPECT_TRUE(fn::is_null(Value()));

    Value variable("keep me");
    EXPECT_EQ(fn::set_null(variable), 1);
    EXPECT_TRUE(variable.is_null());
    EXPECT_EQ(variable.type(), Type::String);
    EXPECT_EQ(variable.as_string(), "");
    Value reference = Value::initial_of(Type::Object);
    EXPECT_FALSE(fn::is_null(reference)); // declared, never created: not null
    fn::set_null(reference);
    EXPECT_TRUE(fn::is_null(reference));
}
