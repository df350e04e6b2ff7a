#include "host/value/convert.h"
#include "host/value/runtime_error.h"

#include <gtest/gtest.h>

using namespace hearth;

namespace {

Value dec(std::string_view text) { return Value(*Decimal::parse(text)); }

} // namespace

TEST(Convert, FractionsStoredIntoIntegerTypesRoundHalfAwayFromZero)
{
    struct Case {
        Value from;
        Type to;
        Value expected;
    };
    const Case cases[] = {
        {Value(2.7), Type::Integer, Value::integer(3)},
        {Value(2.5), Type::Integer, Value::integer(3)},
        {Value(-2.5), Type::Integer, Value::integer(-3)},
        {Value(2.4), Type::Long, Value(2)},
        {Value(-2.7), Type::Long, Value(-3)},
        {dec("2.5"), Type::Long, Value(3)},
        {dec("-2.5"), Type::Integer, Value::integer(-3)},
        {dec("2.49999"), Type::Integer, Value::integer(2)},
        {Value::real(0.5f), Type::Long, Value(1)},
        {Value(-0.4), Type::ULong, Value::ulong(0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert(c.from, c.to), c.expected) << type_name(c.from.type()) << " -> " << type_name(c.to);
}

TEST(Convert, IntegersThatDoNotFitWrap)
{
    struct Case {
        Value from;
        Type to;
        Value expected;
    };
    const Case cases[] = {
        {Value(33000), Type::Integer, Value::integer(-32536)},
        {Value(32767), Type::Integer, Value::integer(32767)},
        {Value(32768), Type::Integer, Value::integer(-32768)},
        {Value(65536), Type::Integer, Value::integer(0)},
        {Value(-1), Type::ULong, Value::ulong(4294967295u)},
        {Value::ulong(4294967295u), Type::Long, Value(-1)},
        {Value(4294967296.0), Type::Long, Value(0)},
        {Value(2147483648.0), Type::Long, Value(-2147483647 - 1)},
        {Value(1e30), Type::Integer, Value::integer(0)}, // 1e30 is a multiple of 2^16 as a double
        {dec("70000"), Type::Integer, Value::integer(4464)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert(c.from, c.to), c.expected) << type_name(c.from.type()) << " -> " << type_name(c.to);
}

TEST(Convert, OtherStoresBetweenNumbersDatesAndNulls)
{
    EXPECT_EQ(convert(Value(7), Type::Decimal), dec("7"));
    EXPECT_EQ(convert(Value(0.1), Type::Decimal), dec("0.1"));
    EXPECT_EQ(convert(dec("0.25"), Type::Double), Value(0.25));
    EXPECT_EQ(convert(Value(0.1), Type::Real), Value::real(0.1f));
    EXPECT_EQ(convert(Value(Date {2024, 1, 2}), Type::DateTime), Value(DateTime {{2024, 1, 2}, {}}));
    EXPECT_EQ(convert(Value(DateTime {{2024, 1, 2}, {3, 4, 5, 0}}), Type::Date), Value(Date {2024, 1, 2}));
    EXPECT_EQ(convert(Value(DateTime {{2024, 1, 2}, {3, 4, 5, 0}}), Type::Time), Value(Time {3, 4, 5, 0}));
    EXPECT_EQ(convert(Value::null_of(Type::Double), Type::Integer), Value::null_of(Type::Integer));
    EXPECT_EQ(convert(Value(), Type::String), Value::null_of(Type::String));
    EXPECT_EQ(convert(Value("x"), Type::Any), Value("x"));
    EXPECT_EQ(convert_to_decimal(Value(2.0 / 3.0), 2), dec("0.67"));
    EXPECT_EQ(convert_to_decimal(dec("-1.005"), 2), dec("-1.01"));
}

TEST(Convert, RejectedStoresRaise25015)
{
    EXPECT_FALSE(try_convert(Value("12"), Type::Long).has_value());
    EXPECT_FALSE(try_convert(Value(true), Type::Long).has_value());
    EXPECT_FALSE(try_convert(Value(12), Type::String).has_value());
    EXPECT_FALSE(try_convert(Value(1e300), Type::Decimal).has_value());
    try {
        convert(Value("12"), Type::Long);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.code(), ErrorCode::CallFailed);
        EXPECT_EQ(error.context(), "cannot store a string value into a long");
    }
}
