#include "host/value/convert.h"
#include "host/value/operators.h"
#include "host/value/runtime_error.h"

#include <gtest/gtest.h>

using namespace hearth;

namespace {

Value dec(std::string_view text) { return Value(*Decimal::parse(text)); }
const Value null_bool = Value::null_of(Type::Boolean);

} // namespace

TEST(Arithmetic, ScriptPromotionGivesTheResultType)
{
    struct Case {
        Value a;
        char op;
        Value b;
        Value expected;
    };
    const Case cases[] = {
        {Value(7), '/', Value(2), Value(3.5)},                          // `/` is done in double
        {Value::integer(7), '/', Value::integer(2), Value(3.5)},
        {Value(1), '/', Value(4), Value(0.25)},
        {Value::integer(32000), '+', Value::integer(1000), Value(33000)}, // computed in long
        {Value::integer(2), '*', Value::integer(3), Value(6)},
        {Value(2147483647), '+', Value(1), Value(-2147483647 - 1)},     // a long wraps
        {Value::ulong(1), '-', Value(2), Value::ulong(4294967295u)},     // unsigned wins
        {Value(2), '+', Value(0.5), Value(2.5)},
        {Value(2), '+', Value::real(0.5f), Value::real(2.5f)},
        {Value::real(0.5f), '*', Value(0.5), Value(0.25)},              // double over real
        {dec("0.1"), '+', dec("0.2"), dec("0.3")},                      // exact
        {dec("1.5"), '*', Value(2), dec("3.0")},
        {dec("2.5"), '-', Value(0.5), Value(2.0)},                      // double over decimal
        {dec("60.5"), '/', Value(3), dec("20.1666666666666666666666666667")},
        {dec("7.0"), '/', Value(2), dec("3.5")},
        {dec("20.0"), '/', Value(3), dec("6.6666666666666666666666666667")},
        {dec("1"), '/', Value(0.5), Value(2.0)},
        {Value("ab"), '+', Value("cd"), Value("abcd")},                 // string concatenation
    };
    for (const auto& c : cases) {
        Value result = c.op == '+' ? add(c.a, c.b) : c.op == '-' ? subtract(c.a, c.b) : c.op == '*' ? multiply(c.a, c.b) : divide(c.a, c.b);
        EXPECT_EQ(result, c.expected) << type_name(c.a.type()) << " " << c.op << " " << type_name(c.b.type());
    }
    EXPECT_EQ(power(Value(2), Value(10)), Value(1024.0));
    EXPECT_EQ(negate(Value::integer(-32768)), Value::integer(-32768));
    EXPECT_EQ(negate(dec("1.50")), dec("-1.50"));
}

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

TEST(Arithmetic, DivisionByZeroRaises20501UnderScriptRulesAndIsNullInDataWindows)
{
    const Value zeros[] = {Value(0), dec("0.00"), Value(0.0)};
    const Value dividends[] = {Value(1), dec("1.5"), Value(1.5)};
    for (const auto& dividend : dividends) {
        for (const auto& zero : zeros) {
            try {
                divide(dividend, zero);
                ADD_FAILURE() << "no error for " << type_name(dividend.type()) << " / " << type_name(zero.type());
            } catch (const RuntimeError& error) {
                EXPECT_EQ(error.code(), ErrorCode::DivideByZero);
                EXPECT_EQ(int(error.code()), 20501);
                EXPECT_EQ(std::string(error.what()).substr(0, 14), "Divide by zero");
            }
            EXPECT_TRUE(divide(dividend, zero, ExpressionRules::DataWindow).is_null());
        }
    }
}

TEST(Arithmetic, DataWindowRulesKeepDecimalsOnlyBetweenDecimals)
{
    EXPECT_EQ(divide(dec("7.0"), dec("2"), ExpressionRules::DataWindow), dec("3.5"));
    EXPECT_EQ(add(dec("0.1"), dec("0.2"), ExpressionRules::DataWindow), dec("0.3"));
    EXPECT_EQ(add(dec("1.5"), Value(1), ExpressionRules::DataWindow), Value(2.5));
    EXPECT_EQ(multiply(Value(3), Value(4), ExpressionRules::DataWindow), Value(12.0));
}

TEST(Arithmetic, NullOperandsGiveNullOfTheResultType)
{
    const Value null_long = Value::null_of(Type::Long);
    EXPECT_EQ(add(null_long, Value(1)), Value::null_of(Type::Long));
    EXPECT_EQ(add(Value(1.5), null_long), Value::null_of(Type::Double));
    EXPECT_EQ(divide(null_long, Value(0)), Value::null_of(Type::Double)); // null, no error
    EXPECT_EQ(multiply(dec("2"), null_long), Value::null_of(Type::Decimal));
    EXPECT_EQ(add(Value("a"), Value::null_of(Type::String)), Value::null_of(Type::String));
    EXPECT_TRUE(add(Value(), Value(1)).is_null());
    EXPECT_TRUE(power(Value(2), null_long).is_null());
    EXPECT_TRUE(negate(null_long).is_null());
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
        {Value("Austin"), NotEqual, Value("AUSTIN"), Value(true)},  // case-sensitive
        {Value("a"), NotEqual, Value("a "), Value(true)},           // trailing blanks count
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
        {t, t, t, t}, {t, f, f, t}, {f, t, f, t}, {f, f, f, f},
        {n, t, n, t}, {t, n, n, t},
        {n, f, f, n}, {f, n, f, n},
        {n, n, n, n},
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
