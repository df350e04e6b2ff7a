#pragma once
// The DataWindow expression language, shared by filters, finds, sort keys, computed fields
// and Describe's Evaluate: compiled once against an object's columns, then evaluated per
// row without allocating (string results reuse buffers owned by the compiled nodes).
//
// Null rules of the language: arithmetic and functions with a null operand give null; a
// comparison with a null operand is false (so NOT of it is true); strings compare
// case-sensitively with trailing blanks ignored.

#include "host/datawindow/object.h"
#include "host/value/result.h"
#include "host/value/value.h"

#include <memory>
#include <string_view>

namespace hearth::dw {

class Engine;
class RowStore;
struct Node;

// The static kind of an expression's result.
enum class ExprKind : std::uint8_t { Any, Bool, Number, String, Date, DateTime, Time };
// The kind's name in error texts ("boolean", "number", ...).
std::string_view kind_name(ExprKind kind);

// Where an expression is evaluated: one row of one buffer of an engine.
struct RowContext {
    const Engine* engine = nullptr;
    const RowStore* rows = nullptr;
    std::uint32_t slot = 0;
    long row = 0;         // 1-based row number in its buffer (GetRow() in the expression)
    long row_count = 0;   // RowCount()
    long current_row = 0; // CurrentRow()
};

class Expression {
public:
    Expression();
    ~Expression();
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    // Compiles text against the object's columns and computed fields; `band` is where the
    // expression is shown (an aggregate without FOR takes its range from it). Fails with
    // "Expression is not valid: <reason> at column <n>" (n counts characters from 1). When
    // text is to become the expression of the computed field `compute`, naming that field,
    // directly or through other computed fields, fails as a reference to itself.
    static Result<Expression> compile(std::string_view text, const ObjectDefinition& object, std::string_view band = {},
                                      std::string_view compute = {});

    ExprKind kind() const;
    // The value at a row, as the runtime's typed value. A string longer than the runtime
    // allows raises RuntimeError 25015; memory running out raises std::bad_alloc.
    Value evaluate(const RowContext& context) const;
    // A boolean result that is true (null and non-boolean results are false).
    bool test(const RowContext& context) const;

    // The compiled tree, for the sort comparators.
    Node* root() const { return m_root.get(); }

private:
    std::unique_ptr<Node> m_root;
};

// Fails with "compute '<name>': Expression is not valid: ..." when a computed field refers
// back to itself, directly or through other computed fields. Expressions that fail to compile
// for another reason are left to fail where they are used.
Result<void> check_compute_cycles(const ObjectDefinition& object);

} // namespace hearth::dw
