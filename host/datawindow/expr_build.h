#pragma once
// Internal: the node factories the expression parser calls. They check operand kinds and
// throw CompileError for what the language rejects; expr_parse.cpp catches it.

#include "host/datawindow/expr_node.h"

#include <memory>
#include <string>
#include <vector>

namespace hearth::dw {

struct CompileError {
    int column; // 1-based character position in the expression text, 0 when not known
    std::string message;
};

using NodePtr = std::unique_ptr<Node>;

enum class CompareOp : std::uint8_t { Eq, Ne, Lt, Le, Gt, Ge };

NodePtr make_literal(const Scalar& value, std::string text = {});
NodePtr make_column(int index, const ColumnType& type);
NodePtr make_compare(CompareOp op, NodePtr left, NodePtr right, int column);
// A run of operators of one precedence level (a AND b AND c, a + b - c) is one node over
// all its operands, applied left to right, so that a long run costs no stack when it is
// compiled, evaluated or freed: only parentheses, signs, NOT and calls nest. A run of one
// operand is that operand.
struct OperatorRun {
    std::vector<NodePtr> operands;
    std::vector<ArithmeticOp> ops; // ops[i] joins operands[i + 1] to the result so far (arithmetic)
    std::vector<int> columns;      // where the operator before operands[i + 1] is written
};
enum class LogicOp : std::uint8_t { And, Or };

NodePtr make_logic(LogicOp op, OperatorRun run);
NodePtr make_not(NodePtr operand, int column);
NodePtr make_arith(OperatorRun run);
NodePtr make_negate(NodePtr operand, int column);
NodePtr make_like(NodePtr text, NodePtr pattern, bool negated, int column);
NodePtr make_in(NodePtr value, std::vector<NodePtr> list, bool negated, int column);
NodePtr make_between(NodePtr value, NodePtr low, NodePtr high, bool negated, int column);

// One WHEN of Case(): values (each with an optional TO upper bound), or an IS comparison.
struct CaseWhen {
    struct Test {
        NodePtr value;
        NodePtr upper;           // set for `a TO b`
        bool is_compare = false; // `IS op value`
        CompareOp op = CompareOp::Eq;
    };
    std::vector<Test> tests;
    NodePtr result;
};
NodePtr make_case(NodePtr subject, std::vector<CaseWhen> whens, NodePtr otherwise, int column);

// The rows an aggregate runs over: FOR ALL, FOR GROUP n or FOR PAGE. Without a FOR clause the
// range follows the band of the computed field: a group header or trailer means its group,
// the header and footer the page, anywhere else all rows.
enum class AggregateRange : std::uint8_t { All, Group, Page };

struct AggregateClause {
    AggregateRange range = AggregateRange::All;
    int group = 0;             // level, for AggregateRange::Group
    bool distinct = false;     // DISTINCT: the first row of each distinct key counts
    std::vector<NodePtr> keys; // DISTINCT's expressions; none: the aggregated value
};

// Whether a function name (without case) is an aggregate: Sum, Count, Avg, Max, Min ...
bool is_aggregate(std::string_view name);
// An aggregate call; throws for wrong arguments, a group the object does not declare, or
// DISTINCT where the function takes none.
NodePtr make_aggregate(std::string_view name, std::vector<NodePtr> args, AggregateClause clause,
                       const ObjectDefinition& object, int column);
// The table column a node reads when it is a bare column reference, else -1.
int column_of(const Node& node);

// A call of a built-in function by name (without case); throws for an unknown function or
// a wrong number or kind of arguments.
NodePtr make_call(std::string_view name, std::vector<NodePtr> args, int column);

} // namespace hearth::dw
