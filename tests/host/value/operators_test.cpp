// Result types of the arithmetic operators are pinned by one table in
// tests/host/datawindow/arithmetic_test.cpp, which also runs them through DataWindow expressions.
#include "host/value/convert.h"
#include "host/value/operators.h"
#include "host/value/runtime_error.h"

#include <gtest/gtest.h>

using namespace hearth;

namespace {

Value dec(std::string_view text) { return Value(*Decimal::parse(text)); }
const Value null_bool = Value::null_of(Type::Boolean);

} // namespace

TEST(Arithmetic, StoringTheResultRoundsAndWraps)
{
    // int a = 32000, b = 1000: long d = a + b is 33000, int c = a + b is -32536.
    Value sum = add(Value::integer(32000), Value::integer(1000));
    EXPECT_EQ(convert(sum, Type::Long), Value(33000));
    EXPECT_EQ(convert(sum, Type::Integer), Value::integer(-32536));
    // decimal{4} a = 20.0 / 3 is 6.6667.
    EXPECT_EQ(convert_to_decimal(divide(dec("20.0"), Value(3)), 4), dec("6.6667"));
    EXPECT_EQ(convert_to_decimal(divide(Value(20.0), Value(3)), 4), dec("6.6667"));
}

TEST(Arithmetic, NonNumbersRaise25015)
{
    try {
        add(Value("1"), Value(1));
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.code(), ErrorCode::CallFailed);
        EXPECT_EQ(error.context(), "operator + cannot take string and long");
    }
    EXPECT_THROW(multiply(Value(true), Value(1)), RuntimeError);
}

TEST(Comparison, ScriptComparisonIsExactAndNullGivesNull)
{
    struct Case {
        Value a;
        Comparison op;
        Value b;
        Value expected;
    };
    using enum Comparison;
    const Case cases[] = {
        {dec("3.5"), Equal, dec("3.50"), Value(true)},
        {dec("3.5"), Equal, Value(3.5), Value(true)},
        {Value(3), Equal, dec("3.00"), Value(true)},
        {Value::integer(3), Less, Value::ulong(4), Value(true)},
        {Value(0.1 + 0.2), Equal, Value(0.3), Value(false)},
        {Value("Austin"), NotEqual, Value("AUSTIN"), Value(true)}, // case-sensitive
        {Value("a"), NotEqual, Value("a "), Value(true)},          // trailing blanks count
        {Value("a"), Less, Value("b"), Value(true)},
        {Value("张"), Greater, Value("Z"), Value(true)},
        {Value(Date {2024, 1, 2}), Greater, Value(Date {2023, 12, 31}), Value(true)},
        {Value(Date {2024, 1, 2}), Equal, Value(DateTime {{2024, 1, 2}, {}}), Value(true)},
        {Value(Time {10, 0, 0, 0}), LessEqual, Value(Time {10, 0, 0, 0}), Value(true)},
        {Value(true), Equal, Value(true), Value(true)},
        {Value(Blob {1, 2}), NotEqual, Value(Blob {1, 3}), Value(true)},
        {Value::null_of(Type::String), Equal, Value("a"), null_bool},
        {Value::null_of(Type::String), NotEqual, Value("a"), null_bool},
        {Value::null_of(Type::Long), Equal, Value::null_of(Type::Long), null_bool},
    };
    for (const auto& c : cases)
        EXPECT_EQ(compare(c.a, c.op, c.b), c.expected) << int(c.op);
    // With x null, both `if x = "a"` and `if x <> "a"` take the ELSE branch.
    const Value x = Value::null_of(Type::String);
    EXPECT_FALSE(is_true(compare(x, Equal, Value("a"))));
    EXPECT_FALSE(is_true(compare(x, NotEqual, Value("a"))));
    EXPECT_TRUE(is_true(Value(true)));
    EXPECT_FALSE(is_true(null_bool));
}

TEST(Comparison, DataWindowComparisonIgnoresTrailingBlanksAndNullIsFalse)
{
    using enum Comparison;
    const auto dw = ExpressionRules::DataWindow;
    EXPECT_EQ(compare(Value("Austin"), Equal, Value("Austin "), dw), Value(true));
    EXPECT_EQ(compare(Value(" Austin"), Equal, Value("Austin"), dw), Value(false)); // leading blanks count
    EXPECT_EQ(compare(Value("Austin"), Equal, Value("austin"), dw), Value(false));
    const Value column = Value::null_of(Type::Long);
    Value greater = compare(column, Greater, Value(5), dw);
    EXPECT_EQ(greater, Value(false));
    EXPECT_EQ(logical_not(greater), Value(true)); // NOT col > 5 is true for a null col
}

TEST(Comparison, UnrelatedKindsRaise25015)
{
    using enum Comparison;
    EXPECT_THROW(compare(Value("1"), Equal, Value(1)), RuntimeError);
    EXPECT_THROW(compare(Value(true), Less, Value(false)), RuntimeError);
}

TEST(Logic, ThreeValuedAndOrNot)
{
    const Value t(true), f(false), n = null_bool;
    struct Case {
        Value a, b, and_, or_;
    };
    const Case cases[] = {
        {t, t, t, t}, {t, f, f, t}, {f, t, f, t}, {f, f, f, f}, {n, t, n, t},
        {t, n, n, t}, {n, f, f, n}, {f, n, f, n}, {n, n, n, n},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(logical_and(c.a, c.b), c.and_) << "case " << i;
        EXPECT_EQ(logical_or(c.a, c.b), c.or_) << "case " << i;
    }
    EXPECT_EQ(logical_not(t), f);
    EXPECT_EQ(logical_not(f), t);
    EXPECT_EQ(logical_not(n), n);
    EXPECT_THROW(logical_and(Value(1), t), RuntimeError);
}

TEST(Arithmetic, DecimalOverflowRaises25015)
{
    const Value huge = dec("170141183460469231731687303715884105727");
    try {
        add(huge, Value(1));
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.code(), ErrorCode::CallFailed);
        EXPECT_EQ(error.context(), "decimal overflow in operator +");
    }
    EXPECT_THROW(multiply(huge, dec("10")), RuntimeError);
    EXPECT_EQ(subtract(huge, Value(1)), dec("170141183460469231731687303715884105726"));
}
