#include "host/value/functions.h"
#include "host/value/runtime_error.h"
#include "host/value/value_array.h"

#include <gtest/gtest.h>

#include <functional>

using namespace hearth;

namespace {

ErrorCode error_of(const std::function<void()>& action)
{
    try {
        action();
    } catch (const RuntimeError& error) {
        return error.code();
    }
    ADD_FAILURE() << "no runtime error";
    return ErrorCode::CallFailed;
}

} // namespace

TEST(ValueArray, UnboundedArraysGrowOnAssignment)
{
    ValueArray names(Type::String);
    EXPECT_EQ(fn::upper_bound(names), Value(0));
    names.set(3, Value("三"));
    EXPECT_EQ(fn::upper_bound(names), Value(3));
    EXPECT_EQ(names.at(1), Value("")); // the elements in between start initial
    EXPECT_EQ(names.at(Value(3)), Value("三"));
    names.set(2, Value("二"));
    EXPECT_EQ(fn::upper_bound(names), Value(3));
    EXPECT_EQ(fn::lower_bound(names), Value(1));
    EXPECT_EQ(error_of([&] { names.at(4); }), ErrorCode::ArrayBounds);
    EXPECT_EQ(error_of([&] { names.at(0); }), ErrorCode::ArrayBounds);
    EXPECT_EQ(error_of([&] { names.set(0, Value("x")); }), ErrorCode::ArrayBounds);
    EXPECT_EQ(error_of([&] { names.set(-5, Value("x")); }), ErrorCode::ArrayBounds);
}

TEST(ValueArray, FixedArraysKeepTheirDeclaredBounds)
{
    ValueArray d(Type::Integer, 10, 50);
    EXPECT_EQ(fn::upper_bound(d), Value(50));
    EXPECT_EQ(fn::lower_bound(d), Value(10));
    EXPECT_EQ(d.at(10), Value::integer(0));
    d.set(Value(50), Value(2.5)); // converted as a store: rounded
    EXPECT_EQ(d.at(50), Value::integer(3));
    d.set(11, Value(33000)); // and wrapped
    EXPECT_EQ(d.at(11), Value::integer(-32536));
    EXPECT_EQ(error_of([&] { d.at(9); }), ErrorCode::ArrayBounds);
    EXPECT_EQ(error_of([&] { d.set(51, Value(1)); }), ErrorCode::ArrayBounds);
    ValueArray five(Type::Long, 1, 5);
    EXPECT_EQ(fn::upper_bound(five), Value(5));
    EXPECT_EQ(int(error_of([&] { five.at(6); })), 20503);
}

TEST(ValueArray, SubscriptsAndDimensions)
{
    ValueArray a(Type::Long, 1, 3);
    EXPECT_EQ(int(error_of([&] { a.at(Value::null_of(Type::Long)); })), 20508);
    EXPECT_EQ(error_of([&] { a.set(Value::null_of(Type::Long), Value(1)); }), ErrorCode::NullArrayIndex);
    EXPECT_EQ(error_of([&] { a.at(Value("1")); }), ErrorCode::CallFailed);
    EXPECT_EQ(error_of([&] { a.set(1, Value("text")); }), ErrorCode::CallFailed);
    a.set(Value(2.6), Value(7)); // a fractional subscript rounds
    EXPECT_EQ(a.at(3), Value(7));
    EXPECT_EQ(fn::upper_bound(a, Value(2)), Value(-1));
    EXPECT_EQ(fn::upper_bound(a, Value::null_of(Type::Long)), Value::null_of(Type::Long));
}

TEST(ValueArray, ARunawaySubscriptOfAnUnboundedArrayIsABoundsError)
{
    ValueArray a(Type::Long);
    EXPECT_EQ(error_of([&] { a.set(2000000000L, Value(1)); }), ErrorCode::ArrayBounds);
    EXPECT_EQ(fn::upper_bound(a), Value(0)); // nothing was allocated or assigned
    a.set(1000, Value(1));
    EXPECT_EQ(fn::upper_bound(a), Value(1000));
}
