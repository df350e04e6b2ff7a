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
        {Type::String, Value("")},
        {Type::Integer, Value::integer(0)},
        {Type::Long, Value(0)},
        {Type::Boolean, Value(false)},
        {Type::Date, Value(Date {1900, 1, 1})},
        {Type::DateTime, Value(DateTime {})},
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
