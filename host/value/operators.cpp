#include "host/value/operators.h"

#include "host/value/ascii.h"
#include "host/value/convert.h"
#include "host/value/runtime_error.h"

#include <cmath>
#include <fmt/format.h>

namespace hearth {

namespace {

enum class Op : std::uint8_t { Add, Subtract, Multiply, Divide };

std::string_view op_text(Op op)
{
    switch (op) {
    case Op::Add: return "+";
    case Op::Subtract: return "-";
    case Op::Multiply: return "*";
    case Op::Divide: return "/";
    }
    return "?";
}

[[noreturn]] void not_numbers(std::string_view op, const Value& a, const Value& b)
{
    throw RuntimeError(ErrorCode::CallFailed,
                       fmt::format("operator {} cannot take {} and {}", op, type_name(a.type()), type_name(b.type())));
}

[[noreturn]] void decimal_overflow(std::string_view op)
{
    // The runtime treats a decimal overflow as a runtime error; no code of its own is listed,
    // so it is reported as a failed operation.
    throw RuntimeError(ErrorCode::CallFailed, fmt::format("decimal overflow in operator {}", op));
}

double as_number(const Value& value)
{
    if (value.is_integral())
        return double(value.as_integral());
    if (value.type() == Type::Decimal)
        return value.as_decimal().to_double();
    return value.as_double();
}

Decimal as_decimal(const Value& value)
{
    return value.type() == Type::Decimal ? value.as_decimal() : Decimal(value.as_integral());
}

bool is_floating(const Value& value) { return value.type() == Type::Double || value.type() == Type::Real; }

Value decimal_result(Op op, const Decimal& a, const Decimal& b, ExpressionRules rules)
{
    std::optional<Decimal> result;
    switch (op) {
    case Op::Add: result = a.add(b); break;
    case Op::Subtract: result = a.subtract(b); break;
    case Op::Multiply: result = a.multiply(b); break;
    case Op::Divide:
        if (b.is_zero()) {
            if (rules == ExpressionRules::DataWindow)
                return Value::null_of(Type::Decimal);
            throw RuntimeError(ErrorCode::DivideByZero, "decimal division");
        }
        result = a.divide(b);
        break;
    }
    if (!result)
        decimal_overflow(op_text(op));
    return Value(*result);
}

double double_result(Op op, double a, double b)
{
    switch (op) {
    case Op::Add: return a + b;
    case Op::Subtract: return a - b;
    case Op::Multiply: return a * b;
    case Op::Divide: return a / b;
    }
    return 0;
}

Value arithmetic(Op op, const Value& a, const Value& b, ExpressionRules rules)
{
    if (op == Op::Add && a.is_string() && b.is_string()) {
        if (a.is_null() || b.is_null())
            return Value::null_of(Type::String);
        return Value(a.as_string() + b.as_string());
    }
    if (!a.is_numeric() && a.type() != Type::Any)
        not_numbers(op_text(op), a, b);
    if (!b.is_numeric() && b.type() != Type::Any)
        not_numbers(op_text(op), a, b);
    bool both_decimal = a.type() == Type::Decimal && b.type() == Type::Decimal;
    bool any_floating = is_floating(a) || is_floating(b);
    bool any_decimal = a.type() == Type::Decimal || b.type() == Type::Decimal;

    // The result type decides the null's type too.
    Type result;
    if (rules == ExpressionRules::DataWindow) {
        result = both_decimal ? Type::Decimal : Type::Double;
    } else if (op == Op::Divide) {
        // [U] `/` with a decimal operand and no real or double stays an exact decimal, so
        // decimal values lose nothing to binary rounding; integers alone divide in double.
        result = any_floating ? Type::Double : any_decimal ? Type::Decimal : Type::Double;
    } else if (a.type() == Type::Double || b.type() == Type::Double) {
        result = Type::Double;
    } else if (a.type() == Type::Real || b.type() == Type::Real) {
        result = Type::Real;
    } else if (any_decimal) {
        result = Type::Decimal;
    } else if (a.type() == Type::ULong || b.type() == Type::ULong) {
        result = Type::ULong;
    } else {
        result = Type::Long;
    }
    if (a.is_null() || b.is_null())
        return Value::null_of(result);

    switch (result) {
    case Type::Decimal: return decimal_result(op, as_decimal(a), as_decimal(b), rules);
    case Type::Long:
    case Type::ULong: {
        // At most 33-bit operands: the 64-bit product or sum is exact before the wrap.
        std::int64_t x = a.as_integral(), y = b.as_integral();
        std::int64_t exact = op == Op::Add ? x + y : op == Op::Subtract ? x - y : x * y;
        return result == Type::Long ? Value(wrap_to_long(exact)) : Value::ulong(wrap_to_ulong(exact));
    }
    default: break;
    }
    double y = as_number(b);
    if (op == Op::Divide && y == 0) {
        if (rules == ExpressionRules::DataWindow)
            return Value::null_of(result);
        throw RuntimeError(ErrorCode::DivideByZero, "division");
    }
    double value = double_result(op, as_number(a), y);
    return result == Type::Real ? Value::real(float(value)) : Value(value);
}

} // namespace

Value add(const Value& a, const Value& b, ExpressionRules rules) { return arithmetic(Op::Add, a, b, rules); }
Value subtract(const Value& a, const Value& b, ExpressionRules rules) { return arithmetic(Op::Subtract, a, b, rules); }
Value multiply(const Value& a, const Value& b, ExpressionRules rules) { return arithmetic(Op::Multiply, a, b, rules); }
Value divide(const Value& a, const Value& b, ExpressionRules rules) { return arithmetic(Op::Divide, a, b, rules); }

Value power(const Value& a, const Value& b)
{
    if ((!a.is_numeric() && a.type() != Type::Any) || (!b.is_numeric() && b.type() != Type::Any))
        not_numbers("^", a, b);
    if (a.is_null() || b.is_null())
        return Value::null_of(Type::Double);
    return Value(std::pow(as_number(a), as_number(b)));
}

Value negate(const Value& a)
{
    if (!a.is_numeric() && a.type() != Type::Any)
        not_numbers("-", a, a);
    if (a.is_null())
        return a;
    switch (a.type()) {
    case Type::Integer: return Value::integer(wrap_to_integer(-a.as_integral()));
    case Type::Long: return Value(wrap_to_long(-a.as_integral()));
    case Type::ULong: return Value::ulong(wrap_to_ulong(-a.as_integral()));
    case Type::Decimal: return Value(a.as_decimal().negated());
    case Type::Real: return Value::real(float(-a.as_double()));
    default: return Value(-a.as_double());
    }
}

namespace {

int sign_of(std::strong_ordering order) { return order < 0 ? -1 : order > 0 ? 1 : 0; }

bool is_temporal(Type type) { return type == Type::Date || type == Type::DateTime; }

DateTime as_datetime(const Value& value)
{
    return value.type() == Type::Date ? DateTime {value.as_date(), Time {}} : value.as_datetime();
}

// -1, 0 or 1 (or 0 / 1 for equal / different where the kinds have no order: booleans, blobs
// and objects, which `ordered` then tells).
int order_of(const Value& a, const Value& b, ExpressionRules rules, bool& ordered)
{
    ordered = true;
    if (a.is_numeric() && b.is_numeric()) {
        if (a.is_integral() && b.is_integral())
            return sign_of(a.as_integral() <=> b.as_integral());
        if (is_floating(a) || is_floating(b)) {
            double x = as_number(a), y = as_number(b);
            return x < y ? -1 : x > y ? 1 : 0;
        }
        return sign_of(as_decimal(a) <=> as_decimal(b));
    }
    if (a.is_string() && b.is_string()) {
        std::string_view x = a.as_string(), y = b.as_string();
        if (rules == ExpressionRules::DataWindow) {
            x = ascii::trim_end(x, " ");
            y = ascii::trim_end(y, " ");
        }
        // UTF-8 byte order is code point order.
        int c = x.compare(y);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    if (is_temporal(a.type()) && is_temporal(b.type()))
        return sign_of(as_datetime(a) <=> as_datetime(b));
    if (a.type() == Type::Time && b.type() == Type::Time)
        return sign_of(a.as_time() <=> b.as_time());
    ordered = false;
    if (a.type() == Type::Boolean && b.type() == Type::Boolean)
        return a.as_bool() == b.as_bool() ? 0 : 1;
    if (a.type() == Type::Blob && b.type() == Type::Blob)
        return a.as_blob() == b.as_blob() ? 0 : 1;
    if (a.type() == Type::Object && b.type() == Type::Object)
        return a.as_object().same_as(b.as_object()) ? 0 : 1;
    throw RuntimeError(ErrorCode::CallFailed,
                       fmt::format("cannot compare {} with {}", type_name(a.type()), type_name(b.type())));
}

} // namespace

Value compare(const Value& a, Comparison op, const Value& b, ExpressionRules rules)
{
    if (a.is_null() || b.is_null())
        return rules == ExpressionRules::DataWindow ? Value(false) : Value::null_of(Type::Boolean);
    bool ordered = true;
    int order = order_of(a, b, rules, ordered);
    if (!ordered && op != Comparison::Equal && op != Comparison::NotEqual)
        throw RuntimeError(ErrorCode::CallFailed, fmt::format("{} values have no order", type_name(a.type())));
    switch (op) {
    case Comparison::Equal: return Value(order == 0);
    case Comparison::NotEqual: return Value(order != 0);
    case Comparison::Less: return Value(order < 0);
    case Comparison::LessEqual: return Value(order <= 0);
    case Comparison::Greater: return Value(order > 0);
    case Comparison::GreaterEqual: return Value(order >= 0);
    }
    return Value(false);
}

namespace {

void check_boolean(const Value& value, std::string_view op)
{
    if (value.type() != Type::Boolean && value.type() != Type::Any)
        throw RuntimeError(ErrorCode::CallFailed, fmt::format("{} needs booleans, not {}", op, type_name(value.type())));
}

} // namespace

Value logical_and(const Value& a, const Value& b)
{
    check_boolean(a, "AND");
    check_boolean(b, "AND");
    if ((!a.is_null() && !a.as_bool()) || (!b.is_null() && !b.as_bool()))
        return Value(false);
    if (a.is_null() || b.is_null())
        return Value::null_of(Type::Boolean);
    return Value(true);
}

Value logical_or(const Value& a, const Value& b)
{
    check_boolean(a, "OR");
    check_boolean(b, "OR");
    if ((!a.is_null() && a.as_bool()) || (!b.is_null() && b.as_bool()))
        return Value(true);
    if (a.is_null() || b.is_null())
        return Value::null_of(Type::Boolean);
    return Value(false);
}

Value logical_not(const Value& a)
{
    check_boolean(a, "NOT");
    if (a.is_null())
        return Value::null_of(Type::Boolean);
    return Value(!a.as_bool());
}

bool is_true(const Value& condition) { return condition.type() == Type::Boolean && !condition.is_null() && condition.as_bool(); }

} // namespace hearth
