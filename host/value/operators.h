#pragma once
// The runtime's operators on values: arithmetic with its type promotion, comparison and
// three-valued logic. Script rules and DataWindow expression rules differ in a few places
// (decimal results, nulls in comparisons, trailing blanks); the caller names the rules.

#include "host/value/value.h"

#include <cstdint>

namespace hearth {

enum class ExpressionRules : std::uint8_t {
    Script,     // script statements
    DataWindow, // Filter, Find, computed fields and property expressions
};

// Arithmetic. A null operand gives a null result. Script rules: + - * are computed at least
// in long (integer operands give a long, wrapped to 32 bits), otherwise in the higher of the
// two types (double > real > decimal > unsigned long > long); `/` and `^` give a double,
// except that `/` between decimals and integers stays an exact decimal. Division by zero
// raises 20501. DataWindow rules: + - * / give a decimal when both operands are decimals
// and a double otherwise; division by zero gives null there.
// Operands that are not numbers raise 25015 (two strings under + concatenate).
Value add(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
Value subtract(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
Value multiply(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
Value divide(const Value& a, const Value& b, ExpressionRules rules = ExpressionRules::Script);
Value power(const Value& a, const Value& b);
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
