#include "host/value/operators.h"

#include "host/value/ascii.h"
#include "host/value/convert.h"
#include "host/value/runtime_error.h"

#include <cmath>
#include <fmt/format.h>

namespace hearth {

namespace {

std::string_view op_text(ArithmeticOp op)
{
    switch (op) {
    case ArithmeticOp::Add: return "+";
    case ArithmeticOp::Subtract: return "-";
    case ArithmeticOp::Multiply: return "*";
    case ArithmeticOp::Divide: return "/";
    case ArithmeticOp::Power: return "^";
    }
    return "?";
}

[[noreturn]] void not_numbers(std::string_view op, const Value& a, const Value& b)
{
    throw RuntimeError(ErrorCode::CallFailed,
                       fmt::format("operator {} cannot take {} and {}", op, type_name(a.type()), type_name(b.type())));
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

bool is_floating(Type type) { return type == Type::Double || type == Type::Real; }
bool is_floating(const Value& value) { return is_floating(value.type()); }

// Fails the operation: a null result under DataWindow rules, the runtime error under script rules.
bool fail(ExpressionRules rules, ErrorCode code, std::string context)
{
    if (rules == ExpressionRules::DataWindow)
        return false;
    throw RuntimeError(code, std::move(context));
}

Number to_number(const Value& value)
{
    Number number;
    number.type = value.type();
    if (value.is_integral())
        number.integer = value.as_integral();
    else if (value.type() == Type::Decimal)
        number.decimal = value.as_decimal();
    else
        number.real = value.as_double();
    return number;
}

Value to_value(const Number& number)
{
    switch (number.type) {
    case Type::Integer: return Value::integer(std::int16_t(number.integer));
    case Type::ULong: return Value::ulong(std::uint32_t(number.integer));
    case Type::Decimal: return Value(number.decimal);
    case Type::Real: return Value::real(float(number.real));
    case Type::Double: return Value(number.real);
    default: return Value(std::int32_t(number.integer));
    }
}

Value arithmetic(ArithmeticOp op, const Value& a, const Value& b, ExpressionRules rules)
{
    if (op == ArithmeticOp::Add && a.is_string() && b.is_string()) {
        if (a.is_null() || b.is_null())
            return Value::null_of(Type::String);
        require_string_length(a.as_string().size() + b.as_string().size(), "+");
        return Value(a.as_string() + b.as_string());
    }
    if ((!a.is_numeric() && a.type() != Type::Any) || (!b.is_numeric() && b.type() != Type::Any))
        not_numbers(op_text(op), a, b);
    if (a.is_null() || b.is_null())
        return Value::null_of(arithmetic_type(op, a.type(), b.type(), rules));
    Number result;
    if (!compute(op, to_number(a), to_number(b), rules, result))
        return Value::null_of(result.type);
    return to_value(result);
}

} // namespace

double Number::as_double() const
{
    switch (type) {
    case Type::Decimal: return decimal.to_double();
    case Type::Real:
    case Type::Double: return real;
    default: return double(integer);
    }
}

Type arithmetic_type(ArithmeticOp op, Type a, Type b, ExpressionRules rules)
{
    bool any_decimal = a == Type::Decimal || b == Type::Decimal;
    if (op == ArithmeticOp::Power)
        return Type::Double;
    if (rules == ExpressionRules::DataWindow)
        return a == Type::Decimal && b == Type::Decimal ? Type::Decimal : Type::Double;
    if (op == ArithmeticOp::Divide)
        return any_decimal && !is_floating(a) && !is_floating(b) ? Type::Decimal : Type::Double;
    if (a == Type::Double || b == Type::Double)
        return Type::Double;
    if (a == Type::Real || b == Type::Real)
        return Type::Real;
    if (any_decimal)
        return Type::Decimal;
    if (a == Type::ULong || b == Type::ULong)
        return Type::ULong;
    return Type::Long;
}

bool compute_numbers(ArithmeticOp op, const Number& a, const Number& b, ExpressionRules rules, Number& out)
{
    out.type = arithmetic_type(op, a.type, b.type, rules);
    switch (out.type) {
    case Type::Decimal: {
        // Only decimals and integers meet here: a real or double operand gives a double.
        Decimal x = a.type == Type::Decimal ? a.decimal : Decimal(a.integer);
        Decimal y = b.type == Type::Decimal ? b.decimal : Decimal(b.integer);
        std::optional<Decimal> result;
        switch (op) {
        case ArithmeticOp::Add: result = x.add(y); break;
        case ArithmeticOp::Subtract: result = x.subtract(y); break;
        case ArithmeticOp::Multiply: result = x.multiply(y); break;
        case ArithmeticOp::Divide:
            if (y.is_zero())
                return fail(rules, ErrorCode::DivideByZero, "decimal division");
            result = x.divide(y);
            break;
        case ArithmeticOp::Power: break; // always a double
        }
        // The runtime treats a decimal overflow as a runtime error; no code of its own is
        // listed, so it is reported as a failed operation.
        if (!result)
            return fail(rules, ErrorCode::CallFailed, fmt::format("decimal overflow in operator {}", op_text(op)));
        out.decimal = *result;
        return true;
    }
    case Type::Long:
    case Type::ULong: {
        // Operands of at most 33 bits: the 64-bit sum or product is exact before the wrap.
        std::int64_t x = a.integer, y = b.integer;
        std::int64_t exact = op == ArithmeticOp::Add ? x + y : op == ArithmeticOp::Subtract ? x - y : x * y;
        out.integer = out.type == Type::Long ? wrap_to_long(exact) : wrap_to_ulong(exact);
        return true;
    }
    default: break;
    }
    double x = a.as_double(), y = b.as_double(), result = 0;
    switch (op) {
    case ArithmeticOp::Add: result = x + y; break;
    case ArithmeticOp::Subtract: result = x - y; break;
    case ArithmeticOp::Multiply: result = x * y; break;
    case ArithmeticOp::Divide:
        if (y == 0)
            return fail(rules, ErrorCode::DivideByZero, "division");
        result = x / y;
        break;
    case ArithmeticOp::Power: result = std::pow(x, y); break;
    }
    if (out.type == Type::Real)
        result = double(float(result));
    if (rules == ExpressionRules::DataWindow && !std::isfinite(result))
        return false;
    out.real = result;
    return true;
}

Value add(const Value& a, const Value& b, ExpressionRules rules) { return arithmetic(ArithmeticOp::Add, a, b, rules); }
Value subtract(const Value& a, const Value& b, ExpressionRules rules)
{
    return arithmetic(ArithmeticOp::Subtract, a, b, rules);
}
Value multiply(const Value& a, const Value& b, ExpressionRules rules)
{
    return arithmetic(ArithmeticOp::Multiply, a, b, rules);
}
Value divide(const Value& a, const Value& b, ExpressionRules rules)
{
    return arithmetic(ArithmeticOp::Divide, a, b, rules);
}
Value power(const Value& a, const Value& b, ExpressionRules rules)
{
    return arithmetic(ArithmeticOp::Power, a, b, rules);
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
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("{} needs booleans, not {}", op, type_name(value.type())));
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

bool is_true(const Value& condition)
{
    return condition.type() == Type::Boolean && !condition.is_null() && condition.as_bool();
}

} // namespace hearth
