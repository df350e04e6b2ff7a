#include "host/value/decimal.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace hearth;

namespace {

Decimal dec(std::string_view text)
{
    auto parsed = Decimal::parse(text);
    EXPECT_TRUE(parsed.has_value()) << text;
    return parsed.value_or(Decimal());
}

std::string text_of(const std::optional<Decimal>& value) { return value ? value->to_string() : "overflow"; }

} // namespace

TEST(Decimal, ParseAndToStringRoundTrip)
{
    struct Case {
        const char* text;
        const char* expected; // nullptr: not a decimal
        int scale;
    };
    const Case cases[] = {
        {"0", "0", 0},
        {"-12.50", "-12.50", 2},
        {"+3", "3", 0},
        {".5", "0.5", 1},
        {"-.5", "-0.5", 1},
        {"5.", "5", 0},
        {"1e3", "1000", 0},
        {"1.25E+2", "125", 0},
        {"1.5e-3", "0.0015", 4},
        {"0.0000000000000000000000000001", "0.0000000000000000000000000001", 28},
        {"0.00000000000000000000000000015", "0.0000000000000000000000000002", 28}, // rounded at the 28th place
        {"-0.00000000000000000000000000015", "-0.0000000000000000000000000002", 28},
        {"0.00000000000000000000000000004", "0.0000000000000000000000000000", 28},
        {"170141183460469231731687303715884105727", "170141183460469231731687303715884105727", 0}, // 2^127 - 1
        {"170141183460469231731687303715884105728", nullptr, 0},
        {"-170141183460469231731687303715884105727", "-170141183460469231731687303715884105727", 0},
        {"1e38", "100000000000000000000000000000000000000", 0},
        {"1e39", nullptr, 0},
        {"", nullptr, 0},
        {"-", nullptr, 0},
        {".", nullptr, 0},
        {"1.2.3", nullptr, 0},
        {"12abc", nullptr, 0},
        {" 1", nullptr, 0},
        {"1e", nullptr, 0},
        {"1e+", nullptr, 0},
        {"e5", nullptr, 0},
    };
    for (const auto& c : cases) {
        auto parsed = Decimal::parse(c.text);
        if (!c.expected) {
            EXPECT_FALSE(parsed.has_value()) << c.text;
            continue;
        }
        ASSERT_TRUE(parsed.has_value()) << c.text;
        EXPECT_EQ(parsed->to_string(), c.expected) << c.text;
        EXPECT_EQ(parsed->scale(), c.scale) << c.text;
        // The text form parses back to the same coefficient and scale.
        auto again = Decimal::parse(parsed->to_string());
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(again->coefficient(), parsed->coefficient()) << c.text;
        EXPECT_EQ(again->scale(), parsed->scale()) << c.text;
    }
}

TEST(Decimal, ComparisonIsNumeric)
{
    EXPECT_EQ(dec("3.5"), dec("3.50"));
    EXPECT_LT(dec("3.49"), dec("3.5"));
    EXPECT_GT(dec("-1.5"), dec("-1.51"));
    EXPECT_EQ(dec("0"), dec("-0.000"));
    EXPECT_LT(dec("-0.0000000000000000000000000001"), dec("0"));
}

TEST(Decimal, AddSubtractMultiplyAreExact)
{
    struct Case {
        const char* a;
        char op;
        const char* b;
        const char* expected;
    };
    const Case cases[] = {
        {"0.1", '+', "0.2", "0.3"},
        {"1.50", '+', "2.5", "4.00"},
        {"-1.5", '+', "1.5", "0.0"},
        {"1", '-', "0.0001", "0.9999"},
        {"-2.5", '-', "2.5", "-5.0"},
        {"1.5", '*', "2.00", "3.000"},
        {"-0.1", '*', "0.1", "-0.01"},
        {"0", '*', "-3.5", "0.0"},
        {"12345678901234567890.123456789", '*', "1000000000", "12345678901234567890123456789.000000000"},
        // 56 places are rounded back to 28
        {"0.0000000000000000000000000015", '*', "0.5", "0.0000000000000000000000000008"},
        {"-0.0000000000000000000000000015", '*', "0.5", "-0.0000000000000000000000000008"},
        // too large for the places: places are given up before the whole number
        {"12345678901234567890.12345678", '*', "1000000000000000000", "12345678901234567890123456780000000000.0"},
        {"99999999999999999999.99999999", '*', "10000000000000000000", "overflow"},
        {"170141183460469231731687303715884105727", '+', "1", "overflow"},
        {"-170141183460469231731687303715884105727", '-', "1", "overflow"},
        {"10000000000000000000000000000", '*', "100000000000000000000", "overflow"},
    };
    for (const auto& c : cases) {
        Decimal a = dec(c.a), b = dec(c.b);
        std::optional<Decimal> result = c.op == '+' ? a.add(b) : c.op == '-' ? a.subtract(b) : a.multiply(b);
        EXPECT_EQ(text_of(result), c.expected) << c.a << " " << c.op << " " << c.b;
    }
}

TEST(Decimal, DivisionIsExactUpTo28PlacesRoundedHalfAwayWithTrailingZerosDropped)
{
    struct Case {
        const char* a;
        const char* b;
        const char* expected;
    };
    const Case cases[] = {
        {"60.5", "3", "20.1666666666666666666666666667"},
        {"-60.5", "3", "-20.1666666666666666666666666667"},
        {"60.5", "-3", "-20.1666666666666666666666666667"},
        {"7.0", "2", "3.5"},
        {"1", "3", "0.3333333333333333333333333333"},
        {"2", "3", "0.6666666666666666666666666667"},
        {"20.0", "3", "6.6666666666666666666666666667"},
        {"6.00", "2.0", "3"}, // trailing zeros dropped
        {"1", "8", "0.125"},
        {"1", "0.001", "1000"},
        {"0.0001", "10000", "0.00000001"},
        {"0", "7", "0"},
        {"1", "7", "0.1428571428571428571428571429"},
        // a large whole part leaves fewer places
        {"100000000000000000000", "3", "33333333333333333333.333333333333333333"},
        {"170141183460469231731687303715884105727", "0.1", "overflow"},
        {"1", "0", "overflow"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_of(dec(c.a).divide(dec(c.b))), c.expected) << c.a << " / " << c.b;
}

TEST(Decimal, RoundTruncateNormalize)
{
    struct Case {
        const char* value;
        int places;
        const char* rounded;
        const char* truncated;
    };
    const Case cases[] = {
        {"2.5", 0, "3", "2"},
        {"-2.5", 0, "-3", "-2"},
        {"2.4999", 0, "2", "2"},
        {"6.66666", 4, "6.6667", "6.6666"},
        {"-6.66665", 4, "-6.6667", "-6.6666"},
        {"1.2", 4, "1.2", "1.2"}, // already within the places: unchanged
        {"0.05", 1, "0.1", "0.0"},
        {"-9.625", -1, "-10", "0"}, // negative places: tens, hundreds, ...
        {"54", -1, "50", "50"},
        {"-1250.5", -2, "-1300", "-1200"},
        {"49.99", -2, "0", "0"},
        {"123", -40, "0", "0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dec(c.value).rounded(c.places).to_string(), c.rounded) << c.value;
        EXPECT_EQ(dec(c.value).truncated(c.places).to_string(), c.truncated) << c.value;
    }
    EXPECT_EQ(dec("3.500").normalized().to_string(), "3.5");
    EXPECT_EQ(dec("100").normalized().to_string(), "100");
    EXPECT_EQ(dec("0.000").normalized().to_string(), "0");
    EXPECT_EQ(dec("-3.5").negated().to_string(), "3.5");
}

TEST(Decimal, DoubleConversions)
{
    EXPECT_EQ(dec("0.1").to_double(), 0.1);
    EXPECT_EQ(dec("-123.456").to_double(), -123.456);
    EXPECT_EQ(dec("0.0000000000000000000000000001").to_double(), 1e-28);
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {0.1, "0.1"},
        {0.1 + 0.2, "0.3"}, // 15 significant digits
        {2.5, "2.5"},
        {-1234.5678, "-1234.5678"},
        {1e20, "100000000000000000000"},
        {1.0 / 3.0, "0.333333333333333"},
        {1234.56, "1234.56"}, // a stored amount, read back with its two places
        {-85.5, "-85.5"},
        {123456789012345.0, "123456789012345"},
        {0.000125, "0.000125"},
        {2.0 / 3.0, "0.666666666666667"},
        {-0.0, "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_of(Decimal::from_double(c.value)), c.expected) << c.value;
    EXPECT_FALSE(Decimal::from_double(1e300).has_value());
    EXPECT_FALSE(Decimal::from_double(std::numeric_limits<double>::infinity()).has_value());
    EXPECT_FALSE(Decimal::from_double(std::numeric_limits<double>::quiet_NaN()).has_value());

    // At a column's places: padded when the double has fewer, refused when it has more.
    EXPECT_EQ(text_of(Decimal::exact_from_double(1234.5, 2)), "1234.50");
    EXPECT_EQ(text_of(Decimal::exact_from_double(-0.07, 2)), "-0.07");
    EXPECT_EQ(text_of(Decimal::exact_from_double(12.0, 0)), "12");
    EXPECT_FALSE(Decimal::exact_from_double(1234.56, 1));
    EXPECT_FALSE(Decimal::exact_from_double(0.1 + 0.2, 2));
    EXPECT_FALSE(Decimal::exact_from_double(1e15, 0));
    EXPECT_FALSE(Decimal::exact_from_double(std::numeric_limits<double>::quiet_NaN(), 2));
    EXPECT_FALSE(Decimal::exact_from_double(std::numeric_limits<double>::infinity(), 2));
    EXPECT_FALSE(Decimal::exact_from_double(1.5, 16));
}

TEST(Decimal, ToDoubleIsTheNearestDouble)
{
    // Short coefficients take the division path, long ones the text path; both must give what
    // reading the exact text gives.
    for (const char* text : {"0.1", "-12345.6789", "9007199254740991", "9007199254740993", "0.0000000000000000000001",
                             "1234567890123456789.123456789", "-0.3"}) {
        const Decimal value = dec(text);
        EXPECT_EQ(value.to_double(), std::strtod(text, nullptr)) << text;
    }
}
