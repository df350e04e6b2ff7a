// Built-in functions of the expression language. The string and conversion work is done
// by the runtime's global functions (hearth::fn); this file adapts them to compiled nodes:
// arguments are evaluated into scalars, a null argument gives a null result (except for
// IsNull and If), and string results live in the node's own buffer.
#include "host/datawindow/datawindow.h"
#include "host/datawindow/expr_build.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"

#include "host/value/calendar.h"
#include "host/value/functions.h"

#include <fmt/format.h>

#include <cmath>
#include <ctime>

namespace hearth::dw {

namespace {

struct CallNode;
using Impl = void (*)(CallNode& node, const RowContext& context, Scalar& out);

struct FunctionSpec {
    std::string_view name;
    int min_args;
    int max_args;
    ExprKind result;
    // Kind each argument must have (Any: not checked); the last entry repeats.
    std::initializer_list<ExprKind> params;
    Impl impl;
    bool null_in_null_out = true;
};

struct CallNode final : Node {
    CallNode(const FunctionSpec& s, std::vector<NodePtr> a)
        : Node(s.result), spec(s), args(std::move(a)), values(args.size())
    {
    }

    void eval(const RowContext& context, Scalar& out) override
    {
        for (std::size_t i = 0; i < args.size(); ++i) {
            args[i]->eval(context, values[i]);
            if (spec.null_in_null_out && values[i].null)
                return out.set_null(spec.result);
        }
        spec.impl(*this, context, out);
    }

    std::string_view text(std::size_t i) const { return values[i].text; }
    long number(std::size_t i) const
    {
        std::int64_t n = values[i].as_long();
        return static_cast<long>(std::clamp<std::int64_t>(n, -2147483648LL, 2147483647LL));
    }
    void set_result(Scalar& out, std::string result)
    {
        buffer = std::move(result);
        out.set_text(buffer);
    }

    const FunctionSpec& spec;
    std::vector<NodePtr> args;
    std::vector<Scalar> values;
    std::string buffer;
};

// IsNull(column) reads the null flag directly.
struct IsNullColumnNode final : Node {
    explicit IsNullColumnNode(NodePtr c) : Node(ExprKind::Bool), column(std::move(c)) {}
    void eval(const RowContext& context, Scalar& out) override { out.set_bool(test(context)); }
    bool test(const RowContext& context) override
    {
        column->eval(context, value);
        return value.null;
    }
    NodePtr column;
    Scalar value;
};

// If(condition, a, b) evaluates only the branch it takes.
struct IfNode final : Node {
    IfNode(NodePtr c, NodePtr a, NodePtr b, ExprKind k)
        : Node(k), condition(std::move(c)), yes(std::move(a)), no(std::move(b))
    {
    }
    void eval(const RowContext& context, Scalar& out) override
    {
        (condition->test(context) ? yes : no)->eval(context, out);
    }
    NodePtr condition, yes, no;
};

constexpr ExprKind S = ExprKind::String;
constexpr ExprKind N = ExprKind::Number;
constexpr ExprKind A = ExprKind::Any;
constexpr ExprKind B = ExprKind::Bool;

DateTime now_stamp()
{
    std::time_t t = std::time(nullptr);
    std::tm local {};
    localtime_r(&t, &local);
    return DateTime {Date {static_cast<std::int16_t>(local.tm_year + 1900), static_cast<std::uint8_t>(local.tm_mon + 1),
                           static_cast<std::uint8_t>(local.tm_mday)},
                     Time {static_cast<std::uint8_t>(local.tm_hour), static_cast<std::uint8_t>(local.tm_min),
                           static_cast<std::uint8_t>(local.tm_sec), 0}};
}

void to_string_impl(CallNode& node, const RowContext&, Scalar& out)
{
    const Scalar& v = node.values[0];
    if (node.values.size() > 1) {
        // A display mask; its null section (if any) decides what a null value shows.
        if (node.values[1].null)
            return out.set_null(ExprKind::String);
        Value text = fn::to_string(scalar_to_value(v), Value(std::string(node.values[1].text)));
        if (text.is_null() || text.type() != Type::String)
            return out.set_null(ExprKind::String);
        return node.set_result(out, text.as_string());
    }
    if (v.null)
        return out.set_null(ExprKind::String);
    switch (v.kind) {
    case ExprKind::String: return node.set_result(out, std::string(v.text));
    case ExprKind::Bool: return node.set_result(out, v.boolean ? "true" : "false");
    case ExprKind::Number:
        switch (v.type) {
        default: return node.set_result(out, std::to_string(v.integer));
        case Type::Double: return node.set_result(out, fn::to_string(v.real));
        case Type::Decimal: return node.set_result(out, fn::to_string(v.decimal));
        }
        break;
    case ExprKind::Date: return node.set_result(out, fn::to_string(v.date));
    case ExprKind::DateTime: return node.set_result(out, fn::to_string(v.stamp));
    case ExprKind::Time: return node.set_result(out, fn::to_string(v.time));
    case ExprKind::Any: break;
    }
    out.set_null(ExprKind::String);
}

// Number(), Integer(), Long(), Dec(), Double(), Real(): text that is not a number gives 0.
template <int Which> void to_number_impl(CallNode& node, const RowContext&, Scalar& out)
{
    const Scalar& v = node.values[0];
    if (v.kind == ExprKind::Number) {
        out = v;
        if (Which == 1 || Which == 2)
            out.set_long(v.as_long());
        return;
    }
    if (v.kind != ExprKind::String)
        return out.set_null(ExprKind::Number);
    switch (Which) {
    case 0: return out.set_double(fn::to_double(v.text));
    case 1: return out.set_long(fn::to_integer(v.text));
    case 2: return out.set_long(fn::to_long(v.text));
    case 3: return out.set_decimal(fn::to_dec(v.text));
    case 4: return out.set_double(fn::to_real(v.text));
    }
}

void date_impl(CallNode& node, const RowContext&, Scalar& out)
{
    const Scalar& v = node.values[0];
    if (v.kind == ExprKind::DateTime)
        return out.set_date(v.stamp.date);
    if (v.kind == ExprKind::Date)
        return out.set_date(v.date);
    if (v.kind == ExprKind::String) {
        // kept: in an expression Date() of bad text is null, unlike the script's 1900-01-01
        if (auto date = parse_iso_date(trim_blanks(v.text), IsoForm::Loose))
            return out.set_date(*date);
        if (auto stamp = parse_iso_datetime(trim_blanks(v.text), IsoForm::Loose))
            return out.set_date(stamp->date);
    }
    out.set_null(ExprKind::Date);
}

void time_impl(CallNode& node, const RowContext&, Scalar& out)
{
    const Scalar& v = node.values[0];
    if (v.kind == ExprKind::DateTime)
        return out.set_time(v.stamp.time);
    if (v.kind == ExprKind::Time)
        return out.set_time(v.time);
    if (v.kind == ExprKind::String)
        if (auto time = parse_iso_time(trim_blanks(v.text), IsoForm::Loose))
            return out.set_time(*time);
    out.set_null(ExprKind::Time);
}

void datetime_impl(CallNode& node, const RowContext&, Scalar& out)
{
    const Scalar& d = node.values[0];
    Time time {};
    if (node.values.size() > 1) {
        if (node.values[1].kind != ExprKind::Time)
            return out.set_null(ExprKind::DateTime);
        time = node.values[1].time;
    }
    if (d.kind == ExprKind::Date)
        return out.set_datetime(DateTime {d.date, time});
    if (d.kind == ExprKind::DateTime)
        return out.set_datetime(node.values.size() > 1 ? DateTime {d.stamp.date, time} : d.stamp);
    if (d.kind == ExprKind::String)
        if (auto stamp = parse_iso_datetime(trim_blanks(d.text), IsoForm::Loose))
            return out.set_datetime(*stamp);
    out.set_null(ExprKind::DateTime);
}

void round_impl(CallNode& node, const RowContext&, Scalar& out, bool truncate)
{
    const Scalar& v = node.values[0];
    long places = node.number(1);
    if (places < -18 || places > Decimal::max_scale)
        return out.set_null(ExprKind::Number);
    if (v.type == Type::Double) {
        double factor = std::pow(10.0, static_cast<double>(places));
        double scaled = v.real * factor;
        double r = truncate ? std::trunc(scaled) : std::round(scaled);
        return out.set_double(r / factor);
    }
    if (places < 0)
        return out.set_null(ExprKind::Number);
    Decimal d = v.as_decimal();
    out.set_decimal(truncate ? d.truncated(static_cast<int>(places)) : d.rounded(static_cast<int>(places)));
}

const FunctionSpec functions[] = {
    {"len", 1, 1, N, {S}, [](CallNode& n, const RowContext&, Scalar& o) { o.set_long(fn::len(n.text(0))); }},
    {"upper", 1, 1, S, {S}, [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::upper(n.text(0))); }},
    {"lower", 1, 1, S, {S}, [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::lower(n.text(0))); }},
    {"trim", 1, 1, S, {S}, [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::trim(n.text(0))); }},
    {"lefttrim",
     1,
     1,
     S,
     {S},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::left_trim(n.text(0))); }},
    {"righttrim",
     1,
     1,
     S,
     {S},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::right_trim(n.text(0))); }},
    {"left",
     2,
     2,
     S,
     {S, N},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::left(n.text(0), n.number(1))); }},
    {"right",
     2,
     2,
     S,
     {S, N},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::right(n.text(0), n.number(1))); }},
    {"mid",
     2,
     3,
     S,
     {S, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         n.set_result(
             o, n.values.size() > 2 ? fn::mid(n.text(0), n.number(1), n.number(2)) : fn::mid(n.text(0), n.number(1)));
     }},
    {"pos",
     2,
     3,
     N,
     {S, S, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         o.set_long(fn::pos(n.text(0), n.text(1), n.values.size() > 2 ? n.number(2) : 1));
     }},
    {"replace",
     4,
     4,
     S,
     {S, N, N, S},
     [](CallNode& n, const RowContext&, Scalar& o) {
         n.set_result(o, fn::replace(n.text(0), n.number(1), n.number(2), n.text(3)));
     }},
    {"space", 1, 1, S, {N}, [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::space(n.number(0))); }},
    {"string", 1, 2, S, {A, S}, to_string_impl, /*null_in_null_out=*/false},
    {"number", 1, 1, N, {A}, to_number_impl<0>},
    {"integer", 1, 1, N, {A}, to_number_impl<1>},
    {"long", 1, 1, N, {A}, to_number_impl<2>},
    {"dec", 1, 1, N, {A}, to_number_impl<3>},
    {"real", 1, 1, N, {A}, to_number_impl<4>},
    {"double", 1, 1, N, {A}, to_number_impl<0>},
    {"date", 1, 1, ExprKind::Date, {A}, date_impl},
    {"time", 1, 1, ExprKind::Time, {A}, time_impl},
    {"datetime", 1, 2, ExprKind::DateTime, {A, ExprKind::Time}, datetime_impl},
    // kept: in an expression Today() is a datetime that carries the current time
    {"today",
     0,
     0,
     ExprKind::DateTime,
     {},
     [](CallNode&, const RowContext&, Scalar& o) { o.set_datetime(now_stamp()); }},
    {"now", 0, 0, ExprKind::Time, {}, [](CallNode&, const RowContext&, Scalar& o) { o.set_time(now_stamp().time); }},
    {"year",
     1,
     1,
     N,
     {A},
     [](CallNode& n, const RowContext&, Scalar& o) {
         const Scalar& v = n.values[0];
         v.kind == ExprKind::Date           ? o.set_long(v.date.year)
             : v.kind == ExprKind::DateTime ? o.set_long(v.stamp.date.year)
                                            : o.set_null(N);
     }},
    {"month",
     1,
     1,
     N,
     {A},
     [](CallNode& n, const RowContext&, Scalar& o) {
         const Scalar& v = n.values[0];
         v.kind == ExprKind::Date           ? o.set_long(v.date.month)
             : v.kind == ExprKind::DateTime ? o.set_long(v.stamp.date.month)
                                            : o.set_null(N);
     }},
    {"day",
     1,
     1,
     N,
     {A},
     [](CallNode& n, const RowContext&, Scalar& o) {
         const Scalar& v = n.values[0];
         v.kind == ExprKind::Date           ? o.set_long(v.date.day)
             : v.kind == ExprKind::DateTime ? o.set_long(v.stamp.date.day)
                                            : o.set_null(N);
     }},
    {"getrow", 0, 0, N, {}, [](CallNode&, const RowContext& c, Scalar& o) { o.set_long(c.row); }},
    {"rowcount", 0, 0, N, {}, [](CallNode&, const RowContext& c, Scalar& o) { o.set_long(c.row_count); }},
    {"currentrow", 0, 0, N, {}, [](CallNode&, const RowContext& c, Scalar& o) { o.set_long(c.current_row); }},
    {"isrownew",
     0,
     0,
     B,
     {},
     [](CallNode&, const RowContext& c, Scalar& o) {
         ItemStatus s = c.rows->status(c.slot);
         o.set_bool(s == ItemStatus::New || s == ItemStatus::NewModified);
     }},
    {"isrowmodified",
     0,
     0,
     B,
     {},
     [](CallNode&, const RowContext& c, Scalar& o) {
         ItemStatus s = c.rows->status(c.slot);
         o.set_bool(s == ItemStatus::DataModified || s == ItemStatus::NewModified);
     }},
    {"abs",
     1,
     1,
     N,
     {N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         o = n.values[0];
         if (o.type == Type::Long && o.integer < 0 && o.integer != INT64_MIN)
             o.integer = -o.integer;
         else if (o.type == Type::Double)
             o.real = std::fabs(o.real);
         else if (o.type == Type::Decimal && o.decimal.is_negative())
             o.decimal = o.decimal.negated();
     }},
    {"round", 2, 2, N, {N, N}, [](CallNode& n, const RowContext& c, Scalar& o) { round_impl(n, c, o, false); }},
    {"truncate", 2, 2, N, {N, N}, [](CallNode& n, const RowContext& c, Scalar& o) { round_impl(n, c, o, true); }},
    {"mod",
     2,
     2,
     N,
     {N, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         const Scalar& a = n.values[0];
         const Scalar& b = n.values[1];
         if (a.type == Type::Long && b.type == Type::Long) {
             if (b.integer == 0 || (b.integer == -1 && a.integer == INT64_MIN))
                 return o.set_null(N);
             return o.set_long(a.integer % b.integer);
         }
         double y = b.as_double();
         if (y == 0)
             return o.set_null(N);
         o.set_double(std::fmod(a.as_double(), y));
     }},
};

bool fits(ExprKind actual, ExprKind wanted)
{
    if (wanted == ExprKind::Any || actual == ExprKind::Any || actual == wanted)
        return true;
    return false;
}

} // namespace

NodePtr make_call(std::string_view name, std::vector<NodePtr> args, int column)
{
    int count = static_cast<int>(args.size());
    if (iequals(name, "isnull")) {
        if (count != 1)
            throw CompileError {column, "IsNull takes one argument"};
        return std::make_unique<IsNullColumnNode>(std::move(args[0]));
    }
    if (iequals(name, "if")) {
        if (count != 3)
            throw CompileError {column, "If takes three arguments"};
        if (args[0]->kind != ExprKind::Bool && args[0]->kind != ExprKind::Any)
            throw CompileError {column, "the first argument of If must be a condition"};
        ExprKind kind = args[1]->kind == args[2]->kind ? args[1]->kind : ExprKind::Any;
        return std::make_unique<IfNode>(std::move(args[0]), std::move(args[1]), std::move(args[2]), kind);
    }
    for (const FunctionSpec& spec : functions) {
        if (!iequals(spec.name, name))
            continue;
        if (count < spec.min_args || count > spec.max_args)
            throw CompileError {
                column,
                spec.min_args == spec.max_args
                    ? fmt::format("{} takes {} argument(s), not {}", name, spec.min_args, count)
                    : fmt::format("{} takes {} to {} arguments, not {}", name, spec.min_args, spec.max_args, count)};
        std::size_t i = 0;
        for (const NodePtr& arg : args) {
            ExprKind wanted = spec.params.size() == 0 ? ExprKind::Any
                : i < spec.params.size()              ? *(spec.params.begin() + i)
                                                      : *(spec.params.end() - 1);
            if (!fits(arg->kind, wanted))
                throw CompileError {column,
                                    fmt::format("argument {} of {} must be a {}, not a {}", i + 1, name,
                                                kind_name(wanted), kind_name(arg->kind))};
            ++i;
        }
        return std::make_unique<CallNode>(spec, std::move(args));
    }
    throw CompileError {column, fmt::format("unknown function '{}'", name)};
}

} // namespace hearth::dw
