// Compiled expression nodes: literals, column items, comparisons, logic, arithmetic, LIKE,
// IN, BETWEEN and CASE. Comparisons of a column with a literal get nodes specialised by
// the column's storage, so a filter reads the typed column vector directly.
#include "host/datawindow/expr_build.h"

#include "host/value/ascii.h"
#include "host/value/utf8.h"

#include <fmt/format.h>

#include <cmath>
#include <limits>

namespace hearth::dw {

// ---- scalars --------------------------------------------------------------------------

Decimal Scalar::as_decimal() const
{
    switch (type) {
    case Type::Decimal: return decimal;
    case Type::Double: return Decimal::from_double(real).value_or(Decimal());
    default: return Decimal(integer);
    }
}

std::int64_t Scalar::as_long() const
{
    switch (type) {
    case Type::Decimal: return static_cast<std::int64_t>(decimal.rounded(0).coefficient());
    case Type::Double:
        if (!std::isfinite(real) || std::fabs(real) > 9.2e18)
            return 0;
        return static_cast<std::int64_t>(std::llround(real));
    default: return integer;
    }
}

std::string_view trim_trailing_blanks(std::string_view text) { return ascii::trim_end(text, " "); }

int compare_text(std::string_view a, std::string_view b)
{
    a = trim_trailing_blanks(a);
    b = trim_trailing_blanks(b);
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {

template <class T> int three_way(const T& a, const T& b) { return a < b ? -1 : (b < a ? 1 : 0); }

DateTime as_stamp(const Scalar& s) { return s.kind == ExprKind::Date ? DateTime {s.date, Time {}} : s.stamp; }

} // namespace

std::optional<int> compare_scalars(const Scalar& a, const Scalar& b)
{
    switch (a.kind) {
    case ExprKind::String:
        if (b.kind == ExprKind::String)
            return compare_text(a.text, b.text);
        break;
    case ExprKind::Number:
        if (b.kind != ExprKind::Number)
            break;
        if (a.type == Type::Long && b.type == Type::Long)
            return three_way(a.integer, b.integer);
        if (a.type == Type::Double || b.type == Type::Double)
            return three_way(a.as_double(), b.as_double());
        {
            auto order = a.as_decimal() <=> b.as_decimal();
            return order < 0 ? -1 : (order > 0 ? 1 : 0);
        }
    case ExprKind::Date:
    case ExprKind::DateTime:
        if (b.kind == ExprKind::Date || b.kind == ExprKind::DateTime) {
            if (a.kind == ExprKind::Date && b.kind == ExprKind::Date)
                return three_way(a.date, b.date);
            return three_way(as_stamp(a), as_stamp(b));
        }
        break;
    case ExprKind::Time:
        if (b.kind == ExprKind::Time)
            return three_way(a.time, b.time);
        break;
    case ExprKind::Bool:
        if (b.kind == ExprKind::Bool)
            return three_way(a.boolean, b.boolean);
        break;
    case ExprKind::Any: break;
    }
    return std::nullopt;
}

bool like_match(std::string_view text, std::string_view pattern)
{
    // Greedy matching with one backtrack point for the last '%'.
    std::size_t t = 0, p = 0;
    std::size_t star_p = std::string_view::npos, star_t = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            star_p = ++p;
            star_t = t;
        } else if (p < pattern.size() && pattern[p] == '_') {
            t = utf8::next(text, t);
            ++p;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++t;
            ++p;
        } else if (star_p != std::string_view::npos) {
            star_t = utf8::next(text, star_t);
            t = star_t;
            p = star_p;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

Value scalar_to_value(const Scalar& s)
{
    if (s.null) {
        switch (s.kind) {
        case ExprKind::Bool: return Value::null_of(Type::Boolean);
        case ExprKind::Number:
            return Value::null_of(s.type == Type::Decimal ? Type::Decimal
                                                          : (s.type == Type::Double ? Type::Double : Type::Long));
        case ExprKind::String: return Value::null_of(Type::String);
        case ExprKind::Date: return Value::null_of(Type::Date);
        case ExprKind::DateTime: return Value::null_of(Type::DateTime);
        case ExprKind::Time: return Value::null_of(Type::Time);
        case ExprKind::Any: return Value();
        }
    }
    switch (s.kind) {
    case ExprKind::Bool: return Value(s.boolean);
    case ExprKind::Number:
        switch (s.type) {
        default:
            if (s.integer >= std::numeric_limits<std::int32_t>::min()
                && s.integer <= std::numeric_limits<std::int32_t>::max())
                return Value(static_cast<std::int32_t>(s.integer));
            return Value(static_cast<double>(s.integer));
        case Type::Double: return Value(s.real);
        case Type::Decimal: return Value(s.decimal);
        }
        break;
    case ExprKind::String: return Value(std::string(s.text));
    case ExprKind::Date: return Value(s.date);
    case ExprKind::DateTime: return Value(s.stamp);
    case ExprKind::Time: return Value(s.time);
    case ExprKind::Any: break;
    }
    return Value();
}

void value_to_scalar(const Value& value, Scalar& out)
{
    ExprKind kind = ExprKind::Any;
    switch (value.type()) {
    case Type::String: kind = ExprKind::String; break;
    case Type::Integer:
    case Type::Long:
    case Type::ULong:
    case Type::Decimal:
    case Type::Real:
    case Type::Double: kind = ExprKind::Number; break;
    case Type::Boolean: kind = ExprKind::Bool; break;
    case Type::Date: kind = ExprKind::Date; break;
    case Type::DateTime: kind = ExprKind::DateTime; break;
    case Type::Time: kind = ExprKind::Time; break;
    default: break;
    }
    if (value.is_null() || kind == ExprKind::Any) {
        out.set_null(kind);
        return;
    }
    switch (value.type()) {
    case Type::String: out.set_text(value.as_string()); break;
    case Type::Integer:
    case Type::Long:
    case Type::ULong: out.set_long(value.as_integral()); break;
    case Type::Decimal: out.set_decimal(value.as_decimal()); break;
    case Type::Real:
    case Type::Double: out.set_double(value.as_double()); break;
    case Type::Boolean: out.set_bool(value.as_bool()); break;
    case Type::Date: out.set_date(value.as_date()); break;
    case Type::DateTime: out.set_datetime(value.as_datetime()); break;
    case Type::Time: out.set_time(value.as_time()); break;
    default: out.set_null(ExprKind::Any);
    }
}

void load_item(const ColumnValues& column, std::uint32_t slot, Scalar& out)
{
    switch (column.storage()) {
    case Storage::String:
        if (column.is_null(slot))
            return out.set_null(ExprKind::String);
        return out.set_text(column.string(slot));
    case Storage::Integer:
        if (column.is_null(slot))
            return out.set_null(ExprKind::Number);
        return out.set_long(column.integers()[slot]);
    case Storage::Double:
        if (column.is_null(slot)) {
            out.set_null(ExprKind::Number);
            out.type = Type::Double;
            return;
        }
        return out.set_double(column.doubles()[slot]);
    case Storage::Decimal:
        if (column.is_null(slot)) {
            out.set_null(ExprKind::Number);
            out.type = Type::Decimal;
            return;
        }
        return out.set_decimal(column.decimals()[slot]);
    case Storage::Date:
        if (column.is_null(slot))
            return out.set_null(ExprKind::Date);
        return out.set_date(column.dates()[slot]);
    case Storage::DateTime:
        if (column.is_null(slot))
            return out.set_null(ExprKind::DateTime);
        return out.set_datetime(column.datetimes()[slot]);
    case Storage::Time:
        if (column.is_null(slot))
            return out.set_null(ExprKind::Time);
        return out.set_time(column.times()[slot]);
    }
}

std::string_view kind_name(ExprKind kind)
{
    switch (kind) {
    case ExprKind::Any: return "any";
    case ExprKind::Bool: return "boolean";
    case ExprKind::Number: return "number";
    case ExprKind::String: return "string";
    case ExprKind::Date: return "date";
    case ExprKind::DateTime: return "datetime";
    case ExprKind::Time: return "time";
    }
    return "?";
}

bool Node::test(const RowContext& context)
{
    Scalar out;
    eval(context, out);
    return out.kind == ExprKind::Bool && !out.null && out.boolean;
}

namespace {

ExprKind storage_kind(Storage storage)
{
    switch (storage) {
    case Storage::String: return ExprKind::String;
    case Storage::Integer:
    case Storage::Double:
    case Storage::Decimal: return ExprKind::Number;
    case Storage::Date: return ExprKind::Date;
    case Storage::DateTime: return ExprKind::DateTime;
    case Storage::Time: return ExprKind::Time;
    }
    return ExprKind::Any;
}

bool comparable(ExprKind a, ExprKind b)
{
    if (a == ExprKind::Any || b == ExprKind::Any || a == b)
        return true;
    auto dated = [](ExprKind k) { return k == ExprKind::Date || k == ExprKind::DateTime; };
    return dated(a) && dated(b);
}

void require_comparable(const Node& a, const Node& b, int column)
{
    if (!comparable(a.kind, b.kind))
        throw CompileError {column, fmt::format("cannot compare {} with {}", kind_name(a.kind), kind_name(b.kind))};
}

void require_boolean(const Node& node, int column, std::string_view what)
{
    if (node.kind != ExprKind::Bool && node.kind != ExprKind::Any)
        throw CompileError {column, fmt::format("{} needs a boolean, not a {}", what, kind_name(node.kind))};
}

bool holds(CompareOp op, int order)
{
    switch (op) {
    case CompareOp::Eq: return order == 0;
    case CompareOp::Ne: return order != 0;
    case CompareOp::Lt: return order < 0;
    case CompareOp::Le: return order <= 0;
    case CompareOp::Gt: return order > 0;
    case CompareOp::Ge: return order >= 0;
    }
    return false;
}

struct LiteralNode final : Node {
    LiteralNode(const Scalar& v, std::string t) : Node(v.kind), value(v), storage(std::move(t))
    {
        if (value.kind == ExprKind::String)
            value.text = storage;
    }
    void eval(const RowContext&, Scalar& out) override { out = value; }
    bool test(const RowContext&) override { return value.kind == ExprKind::Bool && !value.null && value.boolean; }
    Scalar value;
    std::string storage;
};

struct ColumnNode final : Node {
    ColumnNode(int i, Storage s) : Node(storage_kind(s)), index(i), storage(s) {}
    void eval(const RowContext& context, Scalar& out) override
    {
        load_item(context.rows->column(index), context.slot, out);
    }
    int index;
    Storage storage;
};

struct CompareNode final : Node {
    CompareNode(CompareOp o, NodePtr l, NodePtr r)
        : Node(ExprKind::Bool), op(o), left(std::move(l)), right(std::move(r))
    {
    }
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override
    {
        left->eval(context, a);
        if (a.null)
            return false; // kept: a comparison with null is false, never null
        right->eval(context, b);
        if (b.null)
            return false;
        auto order = compare_scalars(a, b);
        return order && holds(op, *order);
    }
    CompareOp op;
    NodePtr left, right;
    Scalar a, b;
};

// column <op> literal over a string column.
template <CompareOp Op> struct StringColumnCompare final : Node {
    StringColumnCompare(int i, std::string lit) : Node(ExprKind::Bool), index(i), literal(std::move(lit))
    {
        trimmed = trim_trailing_blanks(literal);
    }
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override
    {
        const ColumnValues& column = context.rows->column(index);
        if (column.is_null(context.slot))
            return false;
        std::string_view item = trim_trailing_blanks(column.string(context.slot));
        int c = item.compare(trimmed);
        return holds(Op, c < 0 ? -1 : (c > 0 ? 1 : 0));
    }
    int index;
    std::string literal;
    std::string_view trimmed;
};

// column <op> literal over an integer column and an integral literal.
template <CompareOp Op> struct IntegerColumnCompare final : Node {
    IntegerColumnCompare(int i, std::int64_t lit) : Node(ExprKind::Bool), index(i), literal(lit) {}
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override
    {
        const ColumnValues& column = context.rows->column(index);
        if (column.is_null(context.slot))
            return false;
        return holds(Op, three_way(column.integers()[context.slot], literal));
    }
    int index;
    std::int64_t literal;
};

template <template <CompareOp> class N, class... A> NodePtr by_op(CompareOp op, A&&... args)
{
    switch (op) {
    case CompareOp::Eq: return std::make_unique<N<CompareOp::Eq>>(std::forward<A>(args)...);
    case CompareOp::Ne: return std::make_unique<N<CompareOp::Ne>>(std::forward<A>(args)...);
    case CompareOp::Lt: return std::make_unique<N<CompareOp::Lt>>(std::forward<A>(args)...);
    case CompareOp::Le: return std::make_unique<N<CompareOp::Le>>(std::forward<A>(args)...);
    case CompareOp::Gt: return std::make_unique<N<CompareOp::Gt>>(std::forward<A>(args)...);
    case CompareOp::Ge: return std::make_unique<N<CompareOp::Ge>>(std::forward<A>(args)...);
    }
    return nullptr;
}

CompareOp mirrored(CompareOp op)
{
    switch (op) {
    case CompareOp::Lt: return CompareOp::Gt;
    case CompareOp::Le: return CompareOp::Ge;
    case CompareOp::Gt: return CompareOp::Lt;
    case CompareOp::Ge: return CompareOp::Le;
    default: return op;
    }
}

// a AND b AND ... / a OR b OR ...: stops at the first operand that decides.
template <LogicOp Op> struct LogicNode final : Node {
    explicit LogicNode(std::vector<NodePtr> o) : Node(ExprKind::Bool), operands(std::move(o)) {}
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override
    {
        constexpr bool decides = Op == LogicOp::Or;
        for (const NodePtr& operand : operands)
            if (operand->test(context) == decides)
                return decides;
        return !decides;
    }
    std::vector<NodePtr> operands;
};

struct NotNode final : Node {
    explicit NotNode(NodePtr o) : Node(ExprKind::Bool), operand(std::move(o)) {}
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override { return !operand->test(context); }
    NodePtr operand;
};

// A run of + - (or * /, or ^) applied left to right. Strings joined by + are appended to one
// buffer that the node owns, so a long run takes memory for its result only.
struct ArithNode final : Node {
    ArithNode(OperatorRun r, ExprKind k) : Node(k), run(std::move(r)) {}

    void eval(const RowContext& context, Scalar& out) override
    {
        run.operands[0]->eval(context, a);
        // The result so far moves between a and c, the last step writes out: compute() must
        // not write the operand it reads, and no step copies a scalar.
        Scalar* so_far = &a;
        bool in_buffer = false; // whether so_far's text is the buffer
        for (std::size_t i = 0; i < run.ops.size(); ++i) {
            run.operands[i + 1]->eval(context, b);
            Scalar& result = i + 1 == run.ops.size() ? out : (so_far == &a ? c : a);
            apply(run.ops[i], *so_far, result, in_buffer);
            so_far = &result;
        }
    }

    void apply(ArithmeticOp op, const Scalar& x, Scalar& out, bool& in_buffer)
    {
        if (x.kind == ExprKind::String || b.kind == ExprKind::String) {
            if (x.null || b.null || x.kind != b.kind || op != ArithmeticOp::Add)
                return out.set_null(ExprKind::String);
            if (!in_buffer) {
                buffer.assign(x.text);
                in_buffer = true;
            }
            require_string_length(buffer.size() + b.text.size(), "+");
            buffer.append(b.text);
            return out.set_text(buffer);
        }
        if (x.null || b.null || x.kind != ExprKind::Number || b.kind != ExprKind::Number) {
            Type type = arithmetic_type(op, x.type, b.type, ExpressionRules::DataWindow);
            out.set_null(ExprKind::Number);
            out.type = type;
            return;
        }
        if (!compute(op, x, b, ExpressionRules::DataWindow, out))
            return out.set_null(ExprKind::Number);
        out.kind = ExprKind::Number;
        out.null = false;
    }

    OperatorRun run;
    Scalar a, b, c;
    std::string buffer;
};

struct NegateNode final : Node {
    explicit NegateNode(NodePtr o) : Node(ExprKind::Number), operand(std::move(o)) {}
    void eval(const RowContext& context, Scalar& out) override
    {
        operand->eval(context, out);
        if (out.null || out.kind != ExprKind::Number)
            return out.set_null(ExprKind::Number);
        switch (out.type) {
        default:
            if (out.integer == std::numeric_limits<std::int64_t>::min())
                return out.set_double(-static_cast<double>(out.integer));
            out.integer = -out.integer;
            break;
        case Type::Double: out.real = -out.real; break;
        case Type::Decimal: out.decimal = out.decimal.negated(); break;
        }
    }
    NodePtr operand;
};

struct LikeNode final : Node {
    LikeNode(NodePtr t, NodePtr p, bool n) : Node(ExprKind::Bool), text(std::move(t)), pattern(std::move(p)), negated(n)
    {
    }
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override
    {
        text->eval(context, a);
        pattern->eval(context, b);
        if (a.null || b.null || a.kind != ExprKind::String || b.kind != ExprKind::String)
            return false;
        return like_match(a.text, b.text) != negated;
    }
    NodePtr text, pattern;
    bool negated;
    Scalar a, b;
};

struct InNode final : Node {
    InNode(NodePtr v, std::vector<NodePtr> l, bool n)
        : Node(ExprKind::Bool), value(std::move(v)), list(std::move(l)), negated(n)
    {
    }
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override
    {
        value->eval(context, a);
        if (a.null)
            return false;
        for (const NodePtr& item : list) {
            item->eval(context, b);
            if (b.null)
                continue;
            auto order = compare_scalars(a, b);
            if (order && *order == 0)
                return !negated;
        }
        return negated;
    }
    NodePtr value;
    std::vector<NodePtr> list;
    bool negated;
    Scalar a, b;
};

struct BetweenNode final : Node {
    BetweenNode(NodePtr v, NodePtr l, NodePtr h, bool n)
        : Node(ExprKind::Bool), value(std::move(v)), low(std::move(l)), high(std::move(h)), negated(n)
    {
    }
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override
    {
        value->eval(context, a);
        low->eval(context, b);
        high->eval(context, c);
        if (a.null || b.null || c.null)
            return false;
        auto lo = compare_scalars(a, b);
        auto hi = compare_scalars(a, c);
        if (!lo || !hi)
            return false;
        return (*lo >= 0 && *hi <= 0) != negated;
    }
    NodePtr value, low, high;
    bool negated;
    Scalar a, b, c;
};

struct CaseNode final : Node {
    CaseNode(NodePtr s, std::vector<CaseWhen> w, NodePtr o, ExprKind k)
        : Node(k), subject(std::move(s)), whens(std::move(w)), otherwise(std::move(o))
    {
    }
    void eval(const RowContext& context, Scalar& out) override
    {
        subject->eval(context, a);
        for (CaseWhen& when : whens) {
            if (a.null)
                break;
            for (CaseWhen::Test& test : when.tests) {
                test.value->eval(context, b);
                if (b.null)
                    continue;
                auto order = compare_scalars(a, b);
                if (!order)
                    continue;
                bool hit = false;
                if (test.is_compare) {
                    hit = holds(test.op, *order);
                } else if (test.upper) {
                    test.upper->eval(context, c);
                    auto upper = c.null ? std::nullopt : compare_scalars(a, c);
                    hit = *order >= 0 && upper && *upper <= 0;
                } else {
                    hit = *order == 0;
                }
                if (hit)
                    return when.result->eval(context, out);
            }
        }
        if (otherwise)
            return otherwise->eval(context, out);
        out.set_null(kind);
    }
    NodePtr subject;
    std::vector<CaseWhen> whens;
    NodePtr otherwise;
    Scalar a, b, c;
};

} // namespace

NodePtr make_literal(const Scalar& value, std::string text)
{
    return std::make_unique<LiteralNode>(value, std::move(text));
}

NodePtr make_column(int index, const ColumnType& type) { return std::make_unique<ColumnNode>(index, type.storage()); }

int column_of(const Node& node)
{
    const auto* column = dynamic_cast<const ColumnNode*>(&node);
    return column ? column->index : -1;
}

NodePtr make_compare(CompareOp op, NodePtr left, NodePtr right, int column)
{
    require_comparable(*left, *right, column);
    // Literal on the left: mirror so the specialised nodes see column <op> literal.
    if (dynamic_cast<LiteralNode*>(left.get()) && dynamic_cast<ColumnNode*>(right.get())) {
        std::swap(left, right);
        op = mirrored(op);
    }
    auto* col = dynamic_cast<ColumnNode*>(left.get());
    auto* lit = dynamic_cast<LiteralNode*>(right.get());
    if (col && lit && !lit->value.null) {
        if (lit->value.kind == ExprKind::String && col->kind == ExprKind::String)
            return by_op<StringColumnCompare>(op, col->index, lit->storage);
        if (lit->value.kind == ExprKind::Number && lit->value.type == Type::Long && col->storage == Storage::Integer)
            return by_op<IntegerColumnCompare>(op, col->index, lit->value.integer);
    }
    return std::make_unique<CompareNode>(op, std::move(left), std::move(right));
}

NodePtr make_logic(LogicOp op, OperatorRun run)
{
    if (run.operands.size() == 1)
        return std::move(run.operands[0]);
    std::string_view name = op == LogicOp::And ? "AND" : "OR";
    for (std::size_t i = 0; i < run.operands.size(); ++i)
        require_boolean(*run.operands[i], run.columns[i == 0 ? 0 : i - 1], name);
    if (op == LogicOp::And)
        return std::make_unique<LogicNode<LogicOp::And>>(std::move(run.operands));
    return std::make_unique<LogicNode<LogicOp::Or>>(std::move(run.operands));
}

NodePtr make_not(NodePtr operand, int column)
{
    require_boolean(*operand, column, "NOT");
    return std::make_unique<NotNode>(std::move(operand));
}

NodePtr make_arith(OperatorRun run)
{
    if (run.operands.size() == 1)
        return std::move(run.operands[0]);
    // The run's kind, step by step as the operators apply.
    ExprKind kind = run.operands[0]->kind;
    for (std::size_t i = 0; i < run.ops.size(); ++i) {
        ExprKind a = kind, b = run.operands[i + 1]->kind;
        bool strings = (a == ExprKind::String || a == ExprKind::Any) && (b == ExprKind::String || b == ExprKind::Any)
            && (a == ExprKind::String || b == ExprKind::String);
        if (strings && run.ops[i] == ArithmeticOp::Add) {
            kind = ExprKind::String;
            continue;
        }
        bool numbers = (a == ExprKind::Number || a == ExprKind::Any) && (b == ExprKind::Number || b == ExprKind::Any);
        if (!numbers)
            throw CompileError {run.columns[i], fmt::format("arithmetic on {} and {}", kind_name(a), kind_name(b))};
        kind = (a == ExprKind::Any && b == ExprKind::Any && run.ops[i] == ArithmeticOp::Add) ? ExprKind::Any
                                                                                             : ExprKind::Number;
    }
    return std::make_unique<ArithNode>(std::move(run), kind);
}

NodePtr make_negate(NodePtr operand, int column)
{
    if (operand->kind != ExprKind::Number && operand->kind != ExprKind::Any)
        throw CompileError {column, fmt::format("minus sign before a {}", kind_name(operand->kind))};
    return std::make_unique<NegateNode>(std::move(operand));
}

NodePtr make_like(NodePtr text, NodePtr pattern, bool negated, int column)
{
    for (const Node* node : {text.get(), pattern.get()})
        if (node->kind != ExprKind::String && node->kind != ExprKind::Any)
            throw CompileError {column, fmt::format("LIKE needs strings, not a {}", kind_name(node->kind))};
    return std::make_unique<LikeNode>(std::move(text), std::move(pattern), negated);
}

NodePtr make_in(NodePtr value, std::vector<NodePtr> list, bool negated, int column)
{
    for (const NodePtr& item : list)
        require_comparable(*value, *item, column);
    return std::make_unique<InNode>(std::move(value), std::move(list), negated);
}

NodePtr make_between(NodePtr value, NodePtr low, NodePtr high, bool negated, int column)
{
    require_comparable(*value, *low, column);
    require_comparable(*value, *high, column);
    return std::make_unique<BetweenNode>(std::move(value), std::move(low), std::move(high), negated);
}

NodePtr make_case(NodePtr subject, std::vector<CaseWhen> whens, NodePtr otherwise, int column)
{
    ExprKind kind = whens.front().result->kind;
    for (const CaseWhen& when : whens) {
        for (const CaseWhen::Test& test : when.tests) {
            require_comparable(*subject, *test.value, column);
            if (test.upper)
                require_comparable(*subject, *test.upper, column);
        }
        if (when.result->kind != kind)
            kind = ExprKind::Any;
    }
    if (otherwise && otherwise->kind != kind)
        kind = ExprKind::Any;
    return std::make_unique<CaseNode>(std::move(subject), std::move(whens), std::move(otherwise), kind);
}

} // namespace hearth::dw
