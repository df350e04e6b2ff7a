// The result types of + - * / ^ for every pair of numeric types, with null operands and zero
// divisors, under script rules (host/value/operators.h) and DataWindow rules, where the same
// table is also checked through compiled DataWindow expressions over typed columns.
#include "host/datawindow/datawindow.h"
#include "host/value/operators.h"
#include "host/value/runtime_error.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

using namespace hearth;
using namespace hearth::dw;

namespace {

Value dec(std::string_view text) { return Value(*Decimal::parse(text)); }

// The numeric types, in the order of the table's rows and columns, with the column type a
// DataWindow object declares for each.
constexpr std::array<Type, 6> types = {Type::Integer, Type::Long, Type::ULong, Type::Decimal, Type::Real, Type::Double};
constexpr std::array<std::string_view, 6> column_types = {"int", "long", "ulong", "decimal(2)", "real", "number"};
constexpr std::string_view letters = "ILUDRF"; // integer long ulong decimal real double (F)

Type type_of(char letter) { return types[letters.find(letter)]; }

Value number_of(Type type, int n)
{
    switch (type) {
    case Type::Integer: return Value::integer(std::int16_t(n));
    case Type::ULong: return Value::ulong(std::uint32_t(n));
    case Type::Decimal: return Value(Decimal(n));
    case Type::Real: return Value::real(float(n));
    case Type::Double: return Value(double(n));
    default: return Value(n);
    }
}

using Operator = std::function<Value(const Value&, const Value&, ExpressionRules)>;

struct OperatorEntry {
    char symbol;
    Operator apply;
    double six_by_four; // 6 op 4
};

const OperatorEntry operators[] = {
    {'+', [](auto& a, auto& b, auto r) { return add(a, b, r); }, 10},
    {'-', [](auto& a, auto& b, auto r) { return subtract(a, b, r); }, 2},
    {'*', [](auto& a, auto& b, auto r) { return multiply(a, b, r); }, 24},
    {'/', [](auto& a, auto& b, auto r) { return divide(a, b, r); }, 1.5},
    {'^', [](auto& a, auto& b, auto r) { return power(a, b, r); }, 1296},
};

double number_value(const Value& v)
{
    if (v.is_integral())
        return double(v.as_integral());
    return v.type() == Type::Decimal ? v.as_decimal().to_double() : v.as_double();
}

// One column x_<type> and y_<type> per numeric type. Row 1: x = 6, y = 4; row 2: y = 0;
// row 3: x is null.
std::unique_ptr<Engine> typed_columns()
{
    std::string source = "release 10;\ndatawindow(units=0)\ntable(";
    for (char axis : {'x', 'y'})
        for (std::size_t t = 0; t < types.size(); ++t)
            source += fmt::format("column=(type={} name={}_{})\n", column_types[t], axis, letters[t]);
    source += ")\n";
    auto object = ObjectDefinition::parse(source, "typed.srd");
    EXPECT_TRUE(object.ok()) << (object.ok() ? "" : object.error());
    auto engine = std::make_unique<Engine>();
    EXPECT_TRUE(engine->set_object(std::move(*object)).ok());
    RowLoader loader = engine->load_rows(ItemStatus::NotModified);
    for (auto [x, y] : {std::pair {"6", "4"}, {"6", "0"}, {"", "4"}}) {
        loader.begin_row();
        for (std::size_t t = 0; t < types.size(); ++t) {
            EXPECT_TRUE(loader.set_text(t, x));
            EXPECT_TRUE(loader.set_text(types.size() + t, y));
        }
    }
    EXPECT_EQ(loader.commit(), 3);
    return engine;
}

} // namespace

TEST(Arithmetic, ResultTypesOfEveryPairUnderScriptAndDataWindowRules)
{
    // Rows: the left operand's type, columns: the right one's, both in the order of `letters`.
    // Script rules promote to the higher type (double > real > decimal > ulong > long) and
    // compute + - * at least in long; / and ^ give a double, except that / between decimals
    // and integers stays an exact decimal. DataWindow rules give a decimal only between two
    // decimals and a double otherwise, and a double for ^.
    struct Rules {
        ExpressionRules rules;
        std::string_view ops;
        std::array<std::string_view, 6> result;
    };
    const auto script = ExpressionRules::Script, datawindow = ExpressionRules::DataWindow;
    const Rules table[] = {
        {script, "+-*", {"LLUDRF", "LLUDRF", "UUUDRF", "DDDDRF", "RRRRRF", "FFFFFF"}},
        {script, "/", {"FFFDFF", "FFFDFF", "FFFDFF", "DDDDFF", "FFFFFF", "FFFFFF"}},
        {script, "^", {"FFFFFF", "FFFFFF", "FFFFFF", "FFFFFF", "FFFFFF", "FFFFFF"}},
        {datawindow, "+-*/", {"FFFFFF", "FFFFFF", "FFFFFF", "FFFDFF", "FFFFFF", "FFFFFF"}},
        {datawindow, "^", {"FFFFFF", "FFFFFF", "FFFFFF", "FFFFFF", "FFFFFF", "FFFFFF"}},
    };
    auto engine = typed_columns();
    for (const Rules& rules : table) {
        for (const OperatorEntry& op : operators) {
            if (rules.ops.find(op.symbol) == std::string_view::npos)
                continue;
            for (std::size_t l = 0; l < types.size(); ++l) {
                for (std::size_t r = 0; r < types.size(); ++r) {
                    const Type want = type_of(rules.result[l][r]);
                    const Value a = number_of(types[l], 6), b = number_of(types[r], 4), zero = number_of(types[r], 0);
                    SCOPED_TRACE(fmt::format("{} {} {} under {} rules", type_name(types[l]), op.symbol,
                                             type_name(types[r]), rules.rules == script ? "script" : "DataWindow"));
                    Value result = op.apply(a, b, rules.rules);
                    EXPECT_EQ(result.type(), want);
                    EXPECT_DOUBLE_EQ(number_value(result), op.six_by_four);
                    // A null operand gives a null of the result type, even with a zero divisor.
                    EXPECT_EQ(op.apply(Value::null_of(types[l]), b, rules.rules), Value::null_of(want));
                    EXPECT_EQ(op.apply(a, Value::null_of(types[r]), rules.rules), Value::null_of(want));
                    EXPECT_EQ(op.apply(Value::null_of(types[l]), zero, rules.rules), Value::null_of(want));
                    if (op.symbol == '/') {
                        // A zero divisor raises 20501 in a script and gives null in a DataWindow.
                        if (rules.rules == script) {
                            try {
                                op.apply(a, zero, script);
                                ADD_FAILURE() << "no error";
                            } catch (const RuntimeError& error) {
                                EXPECT_EQ(int(error.code()), 20501);
                                EXPECT_EQ(std::string(error.what()).substr(0, 14), "Divide by zero");
                            }
                        } else {
                            EXPECT_EQ(op.apply(a, zero, datawindow), Value::null_of(want));
                        }
                    }
                    if (rules.rules != datawindow)
                        continue;
                    // DataWindow expressions compute with the same rules: rows 1 to 3 hold
                    // 6 op 4, 6 op 0 and null op 4.
                    std::string expression = fmt::format("x_{} {} y_{}", letters[l], op.symbol, letters[r]);
                    auto six_by_four = engine->evaluate(expression, 1);
                    ASSERT_TRUE(six_by_four.ok()) << six_by_four.error();
                    EXPECT_EQ(six_by_four->type(), want);
                    EXPECT_DOUBLE_EQ(number_value(*six_by_four), op.six_by_four);
                    auto null_left = engine->evaluate(expression, 3);
                    ASSERT_TRUE(null_left.ok());
                    EXPECT_EQ(*null_left, Value::null_of(want));
                    if (op.symbol == '/') {
                        auto by_zero = engine->evaluate(expression, 2);
                        ASSERT_TRUE(by_zero.ok());
                        EXPECT_EQ(*by_zero, Value::null_of(want));
                    }
                }
            }
        }
    }

    // Values where the type decides more than the type: wrapping, exactness and scale.
    struct Case {
        Value a;
        char op;
        Value b;
        ExpressionRules rules;
        Value expected;
    };
    const Case cases[] = {
        {Value(7), '/', Value(2), script, Value(3.5)},
        {Value::integer(32000), '+', Value::integer(1000), script, Value(33000)}, // computed in long
        {Value(2147483647), '+', Value(1), script, Value(-2147483647 - 1)},       // a long wraps
        {Value::ulong(1), '-', Value(2), script, Value::ulong(4294967295u)},      // unsigned wins
        {Value::real(0.5f), '*', Value(0.5), script, Value(0.25)},
        {dec("0.1"), '+', dec("0.2"), script, dec("0.3")}, // exact
        {dec("1.5"), '*', Value(2), script, dec("3.0")},   // keeps the scale
        {dec("60.5"), '/', Value(3), script, dec("20.1666666666666666666666666667")},
        {dec("20.0"), '/', Value(3), script, dec("6.6666666666666666666666666667")},
        {dec("7.0"), '/', Value(2), script, dec("3.5")},
        {Value("ab"), '+', Value("cd"), script, Value("abcd")}, // concatenation
        {Value("a"), '+', Value::null_of(Type::String), script, Value::null_of(Type::String)},
        {Value(), '+', Value(1), script, Value::null_of(Type::Long)}, // a null of type any
        {dec("7.0"), '/', dec("2"), datawindow, dec("3.5")},
        {dec("0.1"), '+', dec("0.2"), datawindow, dec("0.3")},
        {dec("1.5"), '+', Value(1), datawindow, Value(2.5)},
        {Value(10.0), '^', Value(400), datawindow, Value::null_of(Type::Double)}, // not finite
    };
    for (const Case& c : cases) {
        const OperatorEntry& op
            = *std::find_if(std::begin(operators), std::end(operators), [&](auto& o) { return o.symbol == c.op; });
        EXPECT_EQ(op.apply(c.a, c.b, c.rules), c.expected)
            << type_name(c.a.type()) << " " << c.op << " " << type_name(c.b.type());
    }
    EXPECT_EQ(engine->evaluate("1.5 + 1", 1)->type(), Type::Double); // a decimal literal and a long
    EXPECT_EQ(negate(Value::integer(-32768)), Value::integer(-32768));
    EXPECT_EQ(negate(dec("1.50")), dec("-1.50"));
    EXPECT_TRUE(negate(Value::null_of(Type::Long)).is_null());
}
