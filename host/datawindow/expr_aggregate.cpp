// Aggregate functions of the expression language: Sum, Count, Avg, Max, Min, First, Last,
// Median, Mode, StDev, StDevP, Var, VarP, LargeValue, SmallValue, Large, Small, Percent,
// CumulativeSum and CumulativePercent over the rows of Primary!, for all rows, a page or each
// group. Null values are skipped (Count counts the values that are not null; First and Last
// give the value of the first and last row as it is).
//
// A computed field showing Sum(income FOR ALL) is evaluated once per row that shows it, so a
// node keeps its results until the engine's rows change (Engine::rows_generation): the first
// evaluation after a change computes every group (or the running values of every row) in one
// pass, and the others look their answer up.
//
// The engine has no pages: it shows every row of Primary! at once, so a page is all of them.
#include "host/datawindow/datawindow.h"
#include "host/datawindow/expr_build.h"
#include "host/datawindow/text_util.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_set>

namespace hearth::dw {

namespace {

enum class Fn : std::uint8_t {
    Avg,
    Count,
    CumulativePercent,
    CumulativeSum,
    First,
    Last,
    Large,
    LargeValue,
    Max,
    Median,
    Min,
    Mode,
    Percent,
    Small,
    SmallValue,
    StDev,
    StDevP,
    Sum,
    Var,
    VarP,
};

struct FnSpec {
    std::string_view name;
    Fn fn;
    int args;             // Large/Small: return expression, value, rank; LargeValue/SmallValue: value, rank
    bool numeric;         // the aggregated value must be a number
    bool distinct = true; // takes DISTINCT
};

constexpr FnSpec specs[] = {
    {"avg", Fn::Avg, 1, true},
    {"count", Fn::Count, 1, false},
    {"cumulativepercent", Fn::CumulativePercent, 1, true, false},
    {"cumulativesum", Fn::CumulativeSum, 1, true, false},
    {"first", Fn::First, 1, false},
    {"last", Fn::Last, 1, false},
    {"large", Fn::Large, 3, false},
    {"largevalue", Fn::LargeValue, 2, false},
    {"max", Fn::Max, 1, false},
    {"median", Fn::Median, 1, true},
    {"min", Fn::Min, 1, false},
    {"mode", Fn::Mode, 1, true},
    {"percent", Fn::Percent, 1, true},
    {"small", Fn::Small, 3, false},
    {"smallvalue", Fn::SmallValue, 2, false},
    {"stdev", Fn::StDev, 1, true},
    {"stdevp", Fn::StDevP, 1, true},
    {"sum", Fn::Sum, 1, true},
    {"var", Fn::Var, 1, true},
    {"varp", Fn::VarP, 1, true},
};

const FnSpec* find_spec(std::string_view name)
{
    for (const FnSpec& spec : specs)
        if (iequals(spec.name, name))
            return &spec;
    return nullptr;
}

bool is_numeric(ExprKind kind) { return kind == ExprKind::Number || kind == ExprKind::Any; }

bool is_number_storage(Storage storage)
{
    return storage == Storage::Integer || storage == Storage::Double || storage == Storage::Decimal;
}

// A running total in the language's arithmetic: decimals add up exactly as decimals, longs
// exactly as integers, and the total is a decimal only when every value was one (longs and
// mixtures give a double, as + does).
struct Total {
    std::int64_t integer = 0;
    double real = 0;
    Int128 coefficient = 0; // decimals of one scale, summed without rescaling
    int scale = -1;
    Decimal decimal; // decimals of other scales
    bool longs = false, doubles = false, decimals = false, mixed_scales = false, overflow = false;
    long count = 0;

    void add(const Number& n)
    {
        ++count;
        switch (n.type) {
        case Type::Double:
        case Type::Real:
            doubles = true;
            real += n.real;
            break;
        case Type::Decimal: add_decimal(n.decimal); break;
        default:
            longs = true;
            if (__builtin_add_overflow(integer, n.integer, &integer))
                overflow = true;
        }
    }
    void add_decimal(const Decimal& d)
    {
        decimals = true;
        if (scale < 0)
            scale = d.scale();
        if (d.scale() == scale && !mixed_scales) {
            coefficient += d.coefficient();
            // a coefficient of 28 digits and more is taken over by the exact Decimal sum
            if (coefficient > limit || coefficient < -limit)
                spill();
            return;
        }
        spill();
        mixed_scales = true;
        auto sum = decimal.add(d);
        if (!sum)
            overflow = true;
        else
            decimal = *sum;
    }
    void spill()
    {
        if (coefficient == 0)
            return;
        auto sum = decimal.add(Decimal::from_parts(coefficient, scale));
        if (!sum)
            overflow = true;
        else
            decimal = *sum;
        coefficient = 0;
    }
    static constexpr Int128 limit = Int128(1'000'000'000'000'000'000LL) * 1'000'000'000LL;

    // The total; false when it overflowed.
    bool result(Number& out) const
    {
        if (overflow)
            return false;
        Decimal exact = decimal;
        if (coefficient != 0) {
            auto sum = exact.add(Decimal::from_parts(coefficient, scale));
            if (!sum)
                return false;
            exact = *sum;
        } else if (decimals && !mixed_scales && decimal.is_zero()) {
            exact = Decimal::from_parts(0, scale);
        }
        if (decimals && !longs && !doubles) {
            out.type = Type::Decimal;
            out.decimal = exact;
            return true;
        }
        out.type = Type::Double;
        out.real = real + static_cast<double>(integer) + (decimals ? exact.to_double() : 0.0);
        return std::isfinite(out.real);
    }
};

void set_number(Scalar& out, const Number& n)
{
    static_cast<Number&>(out) = n;
    out.kind = ExprKind::Number;
    out.null = false;
}

void null_number(Scalar& out)
{
    out.set_null(ExprKind::Number);
    out.type = Type::Double;
}

// out = a / b in the language's arithmetic (null for a zero divisor).
void divide(const Number& a, const Number& b, Scalar& out)
{
    Number q;
    if (!compute(ArithmeticOp::Divide, a, b, ExpressionRules::DataWindow, q))
        return null_number(out);
    set_number(out, q);
}

// Appends a value's identity for DISTINCT: equal values (3.5 and 3.50, 'a' and 'a  ') give
// equal bytes.
void append_key(std::string& key, const Scalar& v)
{
    key += static_cast<char>(v.null ? 0xFF : static_cast<int>(v.kind));
    if (v.null)
        return;
    auto raw = [&](const auto& datum) { key.append(reinterpret_cast<const char*>(&datum), sizeof datum); };
    auto raw_time = [&](Date d, Time t) {
        raw(d.year);
        raw(d.month);
        raw(d.day);
        raw(t.hour);
        raw(t.minute);
        raw(t.second);
        raw(t.microsecond);
    };
    switch (v.kind) {
    case ExprKind::Number:
        if (v.type == Type::Decimal) {
            Decimal d = v.decimal.normalized();
            raw(d.coefficient());
            raw(d.scale());
        } else {
            raw(v.as_double());
        }
        break;
    case ExprKind::String: {
        std::string_view text = trim_trailing_blanks(v.text);
        raw(text.size());
        key += text;
        break;
    }
    case ExprKind::Bool: key += v.boolean ? '1' : '0'; break;
    case ExprKind::Date: raw_time(v.date, Time {}); break;
    case ExprKind::DateTime: raw_time(v.stamp.date, v.stamp.time); break;
    case ExprKind::Time: raw_time(Date {}, v.time); break;
    case ExprKind::Any: break;
    }
}

// A result kept across evaluations; its text, if any, is owned here.
struct Kept {
    Scalar value;
    std::string text;

    void keep(const Scalar& v)
    {
        value = v;
        if (v.kind == ExprKind::String && !v.null) {
            text.assign(v.text);
            value.text = text;
        }
    }
    Kept() = default;
    Kept(const Kept& other) { keep(other.value); }
    Kept& operator=(const Kept& other)
    {
        keep(other.value);
        return *this;
    }
};

struct AggregateNode final : Node {
    AggregateNode(const FnSpec& s, ExprKind k, std::vector<NodePtr> operands, AggregateClause c, std::vector<int> by)
        : Node(k), spec(s), args(std::move(operands)), clause(std::move(c)), by_columns(std::move(by))
    {
        value = args[spec.fn == Fn::Large || spec.fn == Fn::Small ? 1 : 0].get();
        value_column = clause.distinct ? -1 : column_of(*value);
    }

    void eval(const RowContext& context, Scalar& out) override
    {
        if (!context.engine)
            return out.set_null(kind);
        refresh(context);
        const auto& slots = context.engine->slots(Buffer::Primary);
        const long at = context.row - 1;
        const bool in_primary
            = at >= 0 && at < static_cast<long>(slots.size()) && slots[static_cast<std::size_t>(at)] == context.slot;
        const auto row = static_cast<std::size_t>(at);
        if (spec.fn == Fn::CumulativeSum || spec.fn == Fn::CumulativePercent) {
            if (!in_primary)
                return out.set_null(kind);
            out = running[row];
            return;
        }
        std::size_t unit = 0;
        if (clause.range == AggregateRange::Group) {
            if (!in_primary)
                return out.set_null(kind);
            unit = unit_of[row];
        }
        if (unit >= results.size())
            return out.set_null(kind);
        if (spec.fn == Fn::Percent) {
            // this row's value as a part of its range's total
            const Scalar& total = results[unit].value;
            if (!in_primary || total.null)
                return null_number(out);
            value->eval(context, scratch);
            if (scratch.null || scratch.kind != ExprKind::Number)
                return null_number(out);
            return divide(scratch, total, out);
        }
        out = results[unit].value;
    }

    // Recomputes every range's result when the rows have changed since the last time.
    void refresh(const RowContext& context)
    {
        const std::uint64_t generation = context.engine->rows_generation();
        if (engine == context.engine && computed_generation == generation)
            return;
        const auto& slots = context.engine->slots(Buffer::Primary);
        results.clear();
        running.clear();
        unit_of.clear();
        RowContext at = context;
        if (clause.range == AggregateRange::Group) {
            unit_of.resize(slots.size());
            std::size_t start = 0;
            for (std::size_t i = 1; i <= slots.size(); ++i) {
                if (i < slots.size() && !group_breaks(*context.rows, slots[i - 1], slots[i]))
                    continue;
                compute_range(at, slots, start, i);
                std::fill(unit_of.begin() + static_cast<std::ptrdiff_t>(start),
                          unit_of.begin() + static_cast<std::ptrdiff_t>(i),
                          static_cast<std::uint32_t>(results.size() - 1));
                start = i;
            }
        } else {
            compute_range(at, slots, 0, slots.size());
        }
        engine = context.engine;
        computed_generation = generation;
    }

    bool group_breaks(const RowStore& rows, Slot before, Slot slot)
    {
        for (int c : by_columns) {
            load_item(rows.column(c), before, a);
            load_item(rows.column(c), slot, b);
            if (a.null != b.null)
                return true;
            if (!a.null && compare_scalars(a, b).value_or(1) != 0)
                return true;
        }
        return false;
    }

    // The value at Primary! row i (0-based) into v.
    void value_at(RowContext& at, const std::vector<Slot>& slots, std::size_t i, Node& node, Scalar& v)
    {
        at.slot = slots[i];
        at.row = static_cast<long>(i) + 1;
        if (&node == value && value_column >= 0)
            return load_item(at.rows->column(value_column), at.slot, v);
        node.eval(at, v);
    }

    // DISTINCT: whether row i is the first of its key in the range.
    bool first_of_key(RowContext& at, const std::vector<Slot>& slots, std::size_t i, const Scalar& v)
    {
        key.clear();
        if (clause.keys.empty()) {
            append_key(key, v);
        } else {
            for (const NodePtr& expression : clause.keys) {
                value_at(at, slots, i, *expression, b);
                append_key(key, b);
            }
        }
        return seen.insert(key).second;
    }

    void compute_range(RowContext& at, const std::vector<Slot>& slots, std::size_t begin, std::size_t end)
    {
        Kept& result = results.emplace_back();
        result.value.set_null(kind);
        if (kind == ExprKind::Number)
            result.value.type = Type::Double;
        seen.clear();
        switch (spec.fn) {
        case Fn::Sum:
        case Fn::Avg:
        case Fn::Percent:
        case Fn::Count: return total_range(at, slots, begin, end, result);
        case Fn::CumulativeSum:
        case Fn::CumulativePercent: return running_range(at, slots, begin, end);
        case Fn::First:
        case Fn::Last:
        case Fn::Max:
        case Fn::Min: return pick_range(at, slots, begin, end, result);
        case Fn::StDev:
        case Fn::StDevP:
        case Fn::Var:
        case Fn::VarP: return spread_range(at, slots, begin, end, result);
        case Fn::Median:
        case Fn::Mode:
        case Fn::Large:
        case Fn::LargeValue:
        case Fn::Small:
        case Fn::SmallValue: return order_range(at, slots, begin, end, result);
        }
    }

    void total_range(RowContext& at, const std::vector<Slot>& slots, std::size_t begin, std::size_t end, Kept& result)
    {
        Total total;
        if (value_column >= 0 && is_number_storage(at.rows->column(value_column).storage())) {
            sum_column(at.rows->column(value_column), slots, begin, end, total);
        } else {
            for (std::size_t i = begin; i < end; ++i) {
                value_at(at, slots, i, *value, a);
                if (a.null || (clause.distinct && !first_of_key(at, slots, i, a)))
                    continue;
                if (a.kind == ExprKind::Number)
                    total.add(a);
                else
                    ++total.count; // Count of a value that is not a number
            }
        }
        Number sum;
        switch (spec.fn) {
        case Fn::Count: result.value.set_long(total.count); return;
        case Fn::Avg:
            if (total.count == 0 || !total.result(sum))
                return;
            if (sum.type == Type::Decimal) {
                Number count;
                count.type = Type::Decimal;
                count.decimal = Decimal(total.count);
                return divide(sum, count, result.value);
            }
            return result.value.set_double(sum.real / static_cast<double>(total.count));
        default:
            // Sum of no values is 0: a summary band of an empty grid shows a zero total.
            if (total.count == 0)
                return result.value.set_long(0);
            if (total.result(sum))
                set_number(result.value, sum);
        }
    }

    // The plain loop over a number column, for Sum(column) without DISTINCT.
    static void sum_column(const ColumnValues& column, const std::vector<Slot>& slots, std::size_t begin,
                           std::size_t end, Total& total)
    {
        Number n;
        switch (column.storage()) {
        case Storage::Integer: {
            const auto values = column.integers();
            for (std::size_t i = begin; i < end; ++i) {
                if (column.is_null(slots[i]))
                    continue;
                n.integer = values[slots[i]];
                total.add(n);
            }
            return;
        }
        case Storage::Double: {
            const auto values = column.doubles();
            total.doubles = true;
            for (std::size_t i = begin; i < end; ++i) {
                if (column.is_null(slots[i]))
                    continue;
                ++total.count;
                total.real += values[slots[i]];
            }
            return;
        }
        case Storage::Decimal: {
            const auto values = column.decimals();
            for (std::size_t i = begin; i < end; ++i)
                if (!column.is_null(slots[i]))
                    total.add_decimal(values[slots[i]]), ++total.count;
            return;
        }
        default: return;
        }
    }

    // Running totals from the start of the range, one per row.
    void running_range(RowContext& at, const std::vector<Slot>& slots, std::size_t begin, std::size_t end)
    {
        running.resize(end);
        Total total;
        Number sum;
        for (std::size_t i = begin; i < end; ++i) {
            value_at(at, slots, i, *value, a);
            if (!a.null && a.kind == ExprKind::Number)
                total.add(a);
            Scalar& out = running[i];
            if (total.count == 0)
                out.set_long(0);
            else if (total.result(sum))
                set_number(out, sum);
            else
                null_number(out);
        }
        if (spec.fn == Fn::CumulativeSum)
            return;
        // each running total as a part of the range's total
        Scalar whole = running.empty() || end == begin ? Scalar() : running[end - 1];
        for (std::size_t i = begin; i < end; ++i) {
            if (whole.null || running[i].null) {
                null_number(running[i]);
                continue;
            }
            Scalar part = running[i];
            divide(part, whole, running[i]);
        }
    }

    // First, Last, Max, Min: one value of the range.
    void pick_range(RowContext& at, const std::vector<Slot>& slots, std::size_t begin, std::size_t end, Kept& result)
    {
        if (begin == end)
            return;
        if (spec.fn == Fn::First || spec.fn == Fn::Last) {
            // the first (last) row of the range; with DISTINCT the first (last) row of a new key
            std::size_t chosen = spec.fn == Fn::First ? begin : end - 1;
            if (clause.distinct && spec.fn == Fn::Last)
                for (std::size_t i = begin; i < end; ++i) {
                    value_at(at, slots, i, *value, a);
                    if (first_of_key(at, slots, i, a))
                        chosen = i;
                }
            value_at(at, slots, chosen, *value, a);
            return result.keep(a);
        }
        bool found = false;
        for (std::size_t i = begin; i < end; ++i) {
            value_at(at, slots, i, *value, a);
            if (a.null)
                continue;
            if (found) {
                auto order = compare_scalars(a, result.value);
                if (!order || (spec.fn == Fn::Max ? *order <= 0 : *order >= 0))
                    continue;
            }
            result.keep(a);
            found = true;
        }
    }

    // StDev, StDevP, Var, VarP in doubles (Welford's running mean and squared deviations).
    void spread_range(RowContext& at, const std::vector<Slot>& slots, std::size_t begin, std::size_t end, Kept& result)
    {
        double mean = 0, squares = 0;
        long count = 0;
        for (std::size_t i = begin; i < end; ++i) {
            value_at(at, slots, i, *value, a);
            if (a.null || a.kind != ExprKind::Number || (clause.distinct && !first_of_key(at, slots, i, a)))
                continue;
            const double x = a.as_double();
            ++count;
            const double delta = x - mean;
            mean += delta / static_cast<double>(count);
            squares += delta * (x - mean);
        }
        const bool sample = spec.fn == Fn::StDev || spec.fn == Fn::Var;
        const long divisor = sample ? count - 1 : count;
        if (divisor <= 0)
            return;
        const double variance = squares / static_cast<double>(divisor);
        result.value.set_double(spec.fn == Fn::StDev || spec.fn == Fn::StDevP ? std::sqrt(variance) : variance);
    }

    // Median, Mode, LargeValue, SmallValue, Large, Small: the values in order.
    void order_range(RowContext& at, const std::vector<Slot>& slots, std::size_t begin, std::size_t end, Kept& result)
    {
        struct Item {
            Scalar value;
            std::size_t row;
        };
        std::vector<Item> items;
        std::vector<std::string> texts; // string values outlive the next evaluation
        for (std::size_t i = begin; i < end; ++i) {
            value_at(at, slots, i, *value, a);
            if (a.null || (clause.distinct && !first_of_key(at, slots, i, a)))
                continue;
            items.push_back({a, i});
            if (a.kind == ExprKind::String)
                texts.emplace_back(a.text);
        }
        if (!texts.empty())
            for (std::size_t i = 0; i < items.size(); ++i)
                items[i].value.text = texts[i];
        // stable: among equal values the earlier row comes first
        std::stable_sort(items.begin(), items.end(), [](const Item& x, const Item& y) {
            return compare_scalars(x.value, y.value).value_or(0) < 0;
        });
        if (items.empty())
            return;
        switch (spec.fn) {
        case Fn::Median: {
            const std::size_t middle = items.size() / 2;
            if (items.size() % 2)
                return result.keep(items[middle].value);
            Number sum, two;
            if (!compute(ArithmeticOp::Add, items[middle - 1].value, items[middle].value, ExpressionRules::DataWindow,
                         sum))
                return;
            two.type = sum.type == Type::Decimal ? Type::Decimal : Type::Long;
            two.integer = 2;
            two.decimal = Decimal(2);
            return divide(sum, two, result.value);
        }
        case Fn::Mode: {
            // the most frequent value; among as frequent ones the one met first
            std::size_t best = 0, best_count = 0, best_row = 0;
            for (std::size_t i = 0; i < items.size();) {
                std::size_t j = i;
                std::size_t first_row = items[i].row;
                while (j < items.size() && compare_scalars(items[i].value, items[j].value).value_or(1) == 0)
                    first_row = std::min(first_row, items[j++].row);
                if (j - i > best_count || (j - i == best_count && first_row < best_row)) {
                    best = i;
                    best_count = j - i;
                    best_row = first_row;
                }
                i = j;
            }
            return result.keep(items[best].value);
        }
        default: break;
        }
        // the nth largest or smallest; n is read at the range's first row
        value_at(at, slots, begin, *args.back(), b);
        if (b.null || b.kind != ExprKind::Number)
            return;
        const std::int64_t n = b.as_long();
        if (n < 1 || n > static_cast<std::int64_t>(items.size()))
            return;
        const bool largest = spec.fn == Fn::Large || spec.fn == Fn::LargeValue;
        const Item& item
            = largest ? items[items.size() - static_cast<std::size_t>(n)] : items[static_cast<std::size_t>(n - 1)];
        if (spec.fn == Fn::LargeValue || spec.fn == Fn::SmallValue)
            return result.keep(item.value);
        value_at(at, slots, item.row, *args.front(), a);
        result.keep(a);
    }

    const FnSpec& spec;
    std::vector<NodePtr> args;
    AggregateClause clause;
    std::vector<int> by_columns; // the table columns whose change starts a group of the range
    Node* value = nullptr;       // the aggregated expression, one of args
    int value_column = -1;       // its column when it is a bare column (read without a node)

    const Engine* engine = nullptr;
    std::uint64_t computed_generation = 0;
    std::vector<Kept> results;          // one per range: all rows, or each group in order
    std::vector<std::uint32_t> unit_of; // for groups: the group of each Primary! row
    std::vector<Scalar> running;        // CumulativeSum/Percent: the value of each row
    Scalar a, b, scratch;
    std::string key;
    std::unordered_set<std::string> seen;
};

// The columns that define groups 1..level, from the object's group(level=n by=(...)) items.
std::vector<int> group_columns(const ObjectDefinition& object, int level, int column)
{
    std::vector<int> columns;
    bool found = false;
    int position = 0;
    for (const SourceItem& group : object.groups) {
        ++position;
        int number = position;
        if (const Attribute* written = find_attribute(group.attributes, "level")) {
            std::string_view text = written->value.text;
            if (std::from_chars(text.data(), text.data() + text.size(), number).ec != std::errc())
                continue;
        }
        if (number > level)
            continue;
        found = found || number == level;
        const Attribute* by = find_attribute(group.attributes, "by");
        if (!by)
            continue;
        auto add = [&](std::string_view name) {
            int index = object.column_index(name);
            if (index < 0)
                throw CompileError {column, fmt::format("group {} is by '{}', which is not a column", number, name)};
            columns.push_back(index);
        };
        if (by->value.form == AttrValue::Form::List) {
            for (const Attribute& item : by->value.items)
                add(item.value.text);
        } else {
            add(by->value.text);
        }
    }
    if (!found)
        throw CompileError {column, fmt::format("the object has no group {}", level)};
    return columns;
}

} // namespace

bool is_aggregate(std::string_view name) { return find_spec(name) != nullptr; }

NodePtr make_aggregate(std::string_view name, std::vector<NodePtr> args, AggregateClause clause,
                       const ObjectDefinition& object, int column)
{
    const FnSpec& spec = *find_spec(name);
    if (static_cast<int>(args.size()) != spec.args)
        throw CompileError {column, fmt::format("{} takes {} argument(s), not {}", name, spec.args, args.size())};
    if (clause.distinct && !spec.distinct)
        throw CompileError {column, fmt::format("{} does not take DISTINCT", name)};
    const bool ranked = spec.fn == Fn::Large || spec.fn == Fn::Small;
    const Node& value = *args[ranked ? 1 : 0];
    if (spec.numeric && !is_numeric(value.kind))
        throw CompileError {column,
                            fmt::format("argument 1 of {} must be a number, not a {}", name, kind_name(value.kind))};
    if (spec.args > 1 && !is_numeric(args.back()->kind))
        throw CompileError {column, fmt::format("the rank in {} must be a number", name)};
    std::vector<int> by;
    if (clause.range == AggregateRange::Group)
        by = group_columns(object, clause.group, column);
    ExprKind kind = ExprKind::Number;
    switch (spec.fn) {
    case Fn::First:
    case Fn::Last:
    case Fn::Max:
    case Fn::Min:
    case Fn::Mode:
    case Fn::LargeValue:
    case Fn::SmallValue: kind = value.kind; break;
    case Fn::Large:
    case Fn::Small: kind = args.front()->kind; break;
    default: break;
    }
    return std::make_unique<AggregateNode>(spec, kind, std::move(args), std::move(clause), std::move(by));
}

} // namespace hearth::dw
