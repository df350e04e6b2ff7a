#pragma once
// The runtime's operators on values: arithmetic with its type promotion, comparison and
// three-valued logic. Script rules and DataWindow expression rules differ in a few places
// (decimal results, nulls in comparisons, trailing blanks); the caller names the rules.

#include "host/value/value.h"

#include <cmath>
#include <cstdint>

namespace hearth {

enum class ExpressionRules : std::uint8_t {
    Script,     // script statements
    DataWindow, // Filter, Find, computed fields and property expressions
};

// The arithmetic operators.
enum class ArithmeticOp : std::uint8_t { Add, Subtract, Multiply, Divide, Power };

// The type of `a op b` for numeric operand types (and any, as a null of unknown type has).
// Script rules follow the runtime's promotion order double > real > decimal > unsignedlong >
// long: + - * give the higher of the two types and at least a long; `^` gives a double, and
// so does `/`, except that a decimal divided by or into an integer stays an exact decimal,
// so that decimal amounts lose nothing to binary rounding. DataWindow rules: + - * / give a decimal when both operands
// are decimals and a double otherwise; `^` gives a double.
Type arithmetic_type(ArithmeticOp op, Type a, Type b, ExpressionRules rules);

// A number while it is computed: its type (integer, long, unsignedlong, decimal, real or
// double) and its datum. DataWindow expressions hold their operands this way, so they compute
// with the same code as script operators without building a Value per operation.
struct Number {
    Type type = Type::Long;
    std::int64_t integer = 0; // integer, long, unsignedlong
    double real = 0;          // real, double
    Decimal decimal;          // decimal

    double as_double() const;
};

// out = a op b for two non-null numbers, of arithmetic_type(). Integer results wrap to 32
// bits. Script rules raise 20501 for a zero divisor and 25015 for a decimal overflow.
// DataWindow rules answer false (the result is null) for those and for a result that is not
// a finite number.
bool compute_numbers(ArithmeticOp op, const Number& a, const Number& b, ExpressionRules rules, Number& out);
inline bool compute(ArithmeticOp op, const Number& a, const Number& b, ExpressionRules rules, Number& out)
{
    // Under DataWindow rules + - * / without a decimal operand are double arithmetic. An
    // expression runs once per row, so that case is done here, inline; the rules themselves
    // are arithmetic_type()'s.
    if (rules == ExpressionRules::DataWindow && op != ArithmeticOp::Power && a.type != Type::Decimal
        && b.type != Type::Decimal) {
        auto real = [](const Number& n) {
            return n.type == Type::Real || n.type == Type::Double ? n.real : double(n.integer);
        };
        const double x = real(a), y = real(b);
        out.type = Type::Double;
        double result;
        switch (op) {
        case ArithmeticOp::Add: result = x + y; break;
        case ArithmeticOp::Subtract: result = x - y; break;
        case ArithmeticOp::Multiply: result = x * y; break;
        default:
            if (y == 0)
                return false;
            result = x / y;
            break;
        }
        if (!std::isfinite(result))
            return false;
        out.real = result;
        return true;
    }
    return compute_numbers(op, a, b, rules, out);
}

// The operators on values: a null operand gives a null of the result type; two strings under
// + concatenate; other operands that are not numbers raise 25015.
Value add(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
Value subtract(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
Value multiply(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
Value divide(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
Value power(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
// Unary minus, keeping the type (an integer -(-32768) wraps).
Value negate(const Value& a);

enum class Comparison : std::uint8_t { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

// a <op> b as a boolean value. Numbers compare by value across types (3.5 = 3.50), strings
// by code point and case-sensitively, dates and times in time order. Script rules: a null
// operand gives null and trailing blanks count ("a" <> "a "). DataWindow rules: a null
// operand gives false and trailing blanks are ignored. Operands of unrelated kinds raise 25015.
Value compare(const Value& a, Comparison op, const Value& b, ExpressionRules rules = ExpressionRules::Script);

// Three-valued logic: null is "unknown" (null AND false = false, null OR true = true).
Value logical_and(const Value& a, const Value& b);
Value logical_or(const Value& a, const Value& b);
Value logical_not(const Value& a);

// Whether IF / DO WHILE would take the true branch: only a non-null true does.
bool is_true(const Value& condition);

} // namespace hearth
