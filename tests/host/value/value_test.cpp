#include "host/value/value.h"

#include <gtest/gtest.h>

using namespace hearth;

TEST(Value, DeclaredVariablesStartNonNullWithTheirTypesInitialValue)
{
    struct Case {
        Type type;
        Value expected;
    };
    const Case cases[] = {
        {Type::String, Value("")},     {Type::Integer, Value::integer(0)},     {Type::Long, Value(0)},
        {Type::Boolean, Value(false)}, {Type::Date, Value(Date {1900, 1, 1})}, {Type::DateTime, Value(DateTime {})},
    };
    for (const auto& c : cases) {
        Value v = Value::initial_of(c.type);
        EXPECT_FALSE(v.is_null()) << type_name(c.type);
        EXPECT_EQ(v.type(), c.type);
        EXPECT_EQ(v, c.expected) << type_name(c.type);
    }
}

TEST(Value, NullKeepsItsTypeAndDiffersFromTheInitialValue)
{
    Value v = Value::null_of(Type::Long);
    EXPECT_TRUE(v.is_null());
    EXPECT_EQ(v.type(), Type::Long);
    EXPECT_NE(v, Value(0));
    EXPECT_TRUE(Value().is_null());
    EXPECT_EQ(Value().type(), Type::Any);
}

TEST(Value, TypedConstructorsTagTheRuntimeType)
{
    struct Case {
        Value value;
        Type type;
        const char* name;
        bool numeric;
        bool integral;
    };
    const Case cases[] = {
        {Value("a"), Type::String, "string", false, false},
        {Value::integer(1), Type::Integer, "integer", true, true},
        {Value(1), Type::Long, "long", true, true},
        {Value::ulong(1), Type::ULong, "unsignedlong", true, true},
        {Value(true), Type::Boolean, "boolean", false, false},
        {Value(Decimal(1)), Type::Decimal, "decimal", true, false},
        {Value::real(1.0f), Type::Real, "real", true, false},
        {Value(1.0), Type::Double, "double", true, false},
        {Value(Date {}), Type::Date, "date", false, false},
        {Value(Time {}), Type::Time, "time", false, false},
        {Value(DateTime {}), Type::DateTime, "datetime", false, false},
        {Value(Blob {}), Type::Blob, "blob", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.type(), c.type);
        EXPECT_EQ(type_name(c.value.type()), c.name);
        EXPECT_EQ(c.value.is_numeric(), c.numeric) << c.name;
        EXPECT_EQ(c.value.is_integral(), c.integral) << c.name;
        EXPECT_FALSE(c.value.is_null()) << c.name;
    }
    EXPECT_EQ(Value::ulong(4294967295u).as_integral(), 4294967295);
    EXPECT_EQ(Value::real(0.1f).as_double(), double(0.1f)); // held rounded to single precision
}

TEST(Value, EqualityNeedsTheSameTypeNullFlagAndDatum)
{
    EXPECT_EQ(Value(1), Value(1));
    EXPECT_NE(Value(1), Value::integer(1)); // same number, different type
    EXPECT_NE(Value(1), Value(2));
    EXPECT_EQ(Value::null_of(Type::String), Value::null_of(Type::String));
    EXPECT_NE(Value::null_of(Type::String), Value::null_of(Type::Long));
    EXPECT_EQ(Value(*Decimal::parse("3.5")), Value(*Decimal::parse("3.50"))); // numeric decimal equality
    EXPECT_EQ(Value::null_of(Type::Date).as_date(), (Date {1900, 1, 1}));     // a null keeps the initial datum
}
