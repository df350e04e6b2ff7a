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
#include <limits>
#include <numbers>
#include <optional>
#include <random>

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
constexpr ExprKind D = ExprKind::Date;
constexpr ExprKind T = ExprKind::Time;
constexpr ExprKind DT = ExprKind::DateTime;

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

// The date of a date or datetime argument, the time of a time or datetime argument.
std::optional<Date> date_of(const Scalar& v)
{
    if (v.kind == ExprKind::Date)
        return v.date;
    if (v.kind == ExprKind::DateTime)
        return v.stamp.date;
    return std::nullopt;
}
std::optional<Time> time_of(const Scalar& v)
{
    if (v.kind == ExprKind::Time)
        return v.time;
    if (v.kind == ExprKind::DateTime)
        return v.stamp.time;
    return std::nullopt;
}

// Year(), Hour() and the others: a whole-number part of the date (time) of the argument,
// null when it has none.
template <auto Part> void date_part(CallNode& node, const RowContext&, Scalar& out)
{
    auto date = date_of(node.values[0]);
    date ? out.set_long(Part(*date)) : out.set_null(ExprKind::Number);
}
template <auto Part> void time_part(CallNode& node, const RowContext&, Scalar& out)
{
    auto time = time_of(node.values[0]);
    time ? out.set_long(Part(*time)) : out.set_null(ExprKind::Number);
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
    if (auto date = date_of(v))
        return out.set_date(*date);
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
    if (auto time = time_of(v))
        return out.set_time(*time);
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

// Round and Truncate keep the argument's type; negative places work on the whole part.
template <bool Truncate> void round_impl(CallNode& node, const RowContext&, Scalar& out)
{
    const Scalar& v = node.values[0];
    long places = node.number(1);
    if (places > Decimal::max_scale)
        return out.set_null(N);
    if (v.type == Type::Double) {
        if (places < -308)
            return out.set_double(0);
        double factor = std::pow(10.0, static_cast<double>(places));
        double scaled = v.real * factor;
        if (!std::isfinite(scaled)) // too large to have places left to cut
            return out.set_double(v.real);
        return out.set_double((Truncate ? std::trunc(scaled) : std::round(scaled)) / factor);
    }
    Decimal d = v.as_decimal();
    Decimal r = Truncate ? d.truncated(static_cast<int>(places)) : d.rounded(static_cast<int>(places));
    if (v.type == Type::Long && r.scale() == 0 && r.coefficient() >= INT64_MIN && r.coefficient() <= INT64_MAX)
        return out.set_long(static_cast<std::int64_t>(r.coefficient()));
    out.set_decimal(r);
}

// Int and Ceiling: the whole number at or below (above) the argument, in its own type
// except that Int gives a long when it fits.
template <bool Up> void whole_impl(CallNode& node, const RowContext&, Scalar& out)
{
    const Scalar& v = node.values[0];
    if (v.type == Type::Long)
        return out.set_long(v.integer);
    if (v.type == Type::Double) {
        double r = Up ? std::ceil(v.real) : std::floor(v.real);
        if (!Up && std::fabs(r) < 9.2e18)
            return out.set_long(static_cast<std::int64_t>(r));
        return out.set_double(r);
    }
    Decimal cut = v.decimal.truncated(0);
    bool has_fraction = !v.decimal.subtract(cut).value_or(Decimal()).is_zero();
    if (has_fraction && (Up ? !v.decimal.is_negative() : v.decimal.is_negative()))
        cut = cut.add(Decimal(Up ? 1 : -1)).value_or(cut);
    if (!Up && cut.coefficient() >= INT64_MIN && cut.coefficient() <= INT64_MAX)
        return out.set_long(static_cast<std::int64_t>(cut.coefficient()));
    out.set_decimal(cut);
}

// A double result; NaN and infinities (Sqrt(-1), Log(0)) give null.
void set_real(Scalar& out, double value)
{
    out.set_double(value);
    out.null = !std::isfinite(value);
}

template <double (*F)(double)> void real_impl(CallNode& node, const RowContext&, Scalar& out)
{
    set_real(out, F(node.values[0].as_double()));
}

double log_ten(double x) { return std::log10(x); }
double natural_log(double x) { return std::log(x); }
double square_root(double x) { return std::sqrt(x); }
double exponential(double x) { return std::exp(x); }
double sine(double x) { return std::sin(x); }
double cosine(double x) { return std::cos(x); }
double tangent(double x) { return std::tan(x); }
double arc_sine(double x) { return std::asin(x); }
double arc_cosine(double x) { return std::acos(x); }
double arc_tangent(double x) { return std::atan(x); }

void fact_impl(CallNode& node, const RowContext&, Scalar& out)
{
    long n = node.number(0);
    double r = 1;
    for (long k = 2; k <= n && k <= 171; ++k) // 171! is beyond a double: null
        r *= static_cast<double>(k);
    set_real(out, n < 0 ? NAN : r);
}

void rand_impl(CallNode& node, const RowContext&, Scalar& out)
{
    thread_local std::mt19937 engine {std::random_device {}()};
    long n = node.number(0);
    if (n < 1)
        return out.set_null(N);
    out.set_long(std::uniform_int_distribution<long>(1, n)(engine));
}

void sign_impl(CallNode& node, const RowContext&, Scalar& out)
{
    const Scalar& v = node.values[0];
    int sign = v.type == Type::Long ? (v.integer > 0) - (v.integer < 0)
        : v.type == Type::Double    ? (v.real > 0) - (v.real < 0)
                                    : (v.decimal.is_zero()           ? 0
                                           : v.decimal.is_negative() ? -1
                                                                     : 1);
    out.set_long(sign);
}

// Match keeps its compiled pattern while the pattern text stays the same, so a column
// tested against one pattern compiles it once.
struct MatchNode final : Node {
    MatchNode(NodePtr t, NodePtr p) : Node(ExprKind::Bool), text(std::move(t)), pattern(std::move(p)) {}
    void eval(const RowContext& context, Scalar& out) override
    {
        text->eval(context, text_value);
        pattern->eval(context, pattern_value);
        if (text_value.null || pattern_value.null)
            return out.set_null(ExprKind::Bool);
        if (!compiled_for || *compiled_for != pattern_value.text) {
            compiled = fn::MatchPattern::compile(pattern_value.text);
            compiled_for = std::string(pattern_value.text);
        }
        out.set_bool(compiled && compiled->matches(text_value.text));
    }
    NodePtr text, pattern;
    Scalar text_value, pattern_value;
    std::optional<std::string> compiled_for;
    std::optional<fn::MatchPattern> compiled;
};

// Describe inside an expression answers as the engine's Describe does. A Describe that
// evaluates an expression that calls Describe again stops after a few levels with null.
void describe_impl(CallNode& node, const RowContext& context, Scalar& out)
{
    thread_local int depth = 0;
    constexpr int max_depth = 8;
    if (!context.engine || depth >= max_depth)
        return out.set_null(S);
    struct Level {
        Level() { ++depth; }
        ~Level() { --depth; }
    } level;
    // Describe only reads; it takes a mutable engine because it shares its attribute table
    // with Modify.
    node.set_result(out, const_cast<Engine*>(context.engine)->describe(node.text(0)));
}

// The built-in functions of expressions. Each function's work is written once, in
// hearth::fn where a script has the same function (Left, LastPos, WordCap, RelativeDate,
// ...), and called here on the arguments' scalars; the rest (the numeric functions, the
// row functions, Describe) exist only in expressions.
//
// Where expressions and scripts differ, as the runtime documents:
// - A null argument gives a null result in both; in expressions also where a script would
//   fail (Sqrt(-1), Log(0), Fact(171), a date past the calendar), and Date/Time of text that
//   is no date or time is null here where a script gives 1900-01-01 / 00:00:00.
// - Today() is a datetime here (it carries the current time), a date in scripts.
// - Max and Min are aggregates over rows in expressions (the aggregate functions, with Sum,
//   Count, Avg ...) where scripts compare two values; they are not in this table.
const FunctionSpec functions[] = {
    // ---- strings ----
    {"len", 1, 1, N, {S}, [](CallNode& n, const RowContext&, Scalar& o) { o.set_long(fn::len(n.text(0))); }},
    {"upper", 1, 1, S, {S}, [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::upper(n.text(0))); }},
    {"lower", 1, 1, S, {S}, [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::lower(n.text(0))); }},
    {"wordcap",
     1,
     1,
     S,
     {S},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::word_cap(n.text(0))); }},
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
    {"lastpos",
     2,
     3,
     N,
     {S, S, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         o.set_long(n.values.size() > 2 ? fn::last_pos(n.text(0), n.text(1), n.number(2))
                                        : fn::last_pos(n.text(0), n.text(1)));
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
    {"fill",
     2,
     2,
     S,
     {S, N},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::fill(n.text(0), n.number(1))); }},
    {"asc", 1, 1, N, {S}, [](CallNode& n, const RowContext&, Scalar& o) { o.set_long(fn::asc(n.text(0))); }},
    {"char",
     1,
     1,
     S,
     {N},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::char_of(n.number(0))); }},
    // the byte forms, counting bytes of the ANSI code page
    {"lena", 1, 1, N, {S}, [](CallNode& n, const RowContext&, Scalar& o) { o.set_long(fn::ansi::len(n.text(0))); }},
    {"lefta",
     2,
     2,
     S,
     {S, N},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::ansi::left(n.text(0), n.number(1))); }},
    {"righta",
     2,
     2,
     S,
     {S, N},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::ansi::right(n.text(0), n.number(1))); }},
    {"mida",
     2,
     3,
     S,
     {S, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         n.set_result(o,
                      fn::ansi::mid(n.text(0), n.number(1),
                                    n.values.size() > 2 ? n.number(2) : std::numeric_limits<long>::max()));
     }},
    {"posa",
     2,
     3,
     N,
     {S, S, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         o.set_long(fn::ansi::pos(n.text(0), n.text(1), n.values.size() > 2 ? n.number(2) : 1));
     }},
    {"replacea",
     4,
     4,
     S,
     {S, N, N, S},
     [](CallNode& n, const RowContext&, Scalar& o) {
         n.set_result(o, fn::ansi::replace(n.text(0), n.number(1), n.number(2), n.text(3)));
     }},
    {"filla",
     2,
     2,
     S,
     {S, N},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::ansi::fill(n.text(0), n.number(1))); }},
    {"asca", 1, 1, N, {S}, [](CallNode& n, const RowContext&, Scalar& o) { o.set_long(fn::ansi::asc(n.text(0))); }},
    {"chara",
     1,
     1,
     S,
     {N},
     [](CallNode& n, const RowContext&, Scalar& o) { n.set_result(o, fn::ansi::char_of(n.number(0))); }},
    {"profilestring",
     4,
     4,
     S,
     {S},
     [](CallNode& n, const RowContext&, Scalar& o) {
         n.set_result(o, fn::profile_string(n.text(0), n.text(1), n.text(2), n.text(3)));
     }},
    {"profileint",
     4,
     4,
     N,
     {S, S, S, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         o.set_long(fn::profile_int(n.text(0), n.text(1), n.text(2), static_cast<int>(n.number(3))));
     }},
    // ---- conversions and type tests ----
    {"string", 1, 2, S, {A, S}, to_string_impl, /*null_in_null_out=*/false},
    {"number", 1, 1, N, {A}, to_number_impl<0>},
    {"integer", 1, 1, N, {A}, to_number_impl<1>},
    {"long", 1, 1, N, {A}, to_number_impl<2>},
    {"dec", 1, 1, N, {A}, to_number_impl<3>},
    {"real", 1, 1, N, {A}, to_number_impl<4>},
    {"double", 1, 1, N, {A}, to_number_impl<0>},
    {"isnumber", 1, 1, B, {S}, [](CallNode& n, const RowContext&, Scalar& o) { o.set_bool(fn::is_number(n.text(0))); }},
    {"isdate", 1, 1, B, {S}, [](CallNode& n, const RowContext&, Scalar& o) { o.set_bool(fn::is_date(n.text(0))); }},
    {"istime", 1, 1, B, {S}, [](CallNode& n, const RowContext&, Scalar& o) { o.set_bool(fn::is_time(n.text(0))); }},
    {"rgb",
     3,
     3,
     N,
     {N},
     [](CallNode& n, const RowContext&, Scalar& o) { o.set_long(fn::rgb(n.number(0), n.number(1), n.number(2))); }},
    // ---- dates and times ----
    {"date", 1, 1, D, {A}, date_impl},
    {"time", 1, 1, T, {A}, time_impl},
    {"datetime", 1, 2, DT, {A, T}, datetime_impl},
    // kept: in an expression Today() is a datetime that carries the current time
    {"today", 0, 0, DT, {}, [](CallNode&, const RowContext&, Scalar& o) { o.set_datetime(now_stamp()); }},
    {"now", 0, 0, T, {}, [](CallNode&, const RowContext&, Scalar& o) { o.set_time(now_stamp().time); }},
    {"year", 1, 1, N, {A}, date_part<[](Date d) -> long { return d.year; }>},
    {"month", 1, 1, N, {A}, date_part<[](Date d) -> long { return d.month; }>},
    {"day", 1, 1, N, {A}, date_part<[](Date d) -> long { return d.day; }>},
    {"daynumber", 1, 1, N, {A}, date_part<[](Date d) -> long { return fn::day_number(d); }>},
    {"dayname",
     1,
     1,
     S,
     {A},
     [](CallNode& n, const RowContext&, Scalar& o) {
         auto d = date_of(n.values[0]);
         d ? o.set_text(fn::day_name(*d)) : o.set_null(S);
     }},
    {"hour", 1, 1, N, {A}, time_part<[](Time t) -> long { return t.hour; }>},
    {"minute", 1, 1, N, {A}, time_part<[](Time t) -> long { return t.minute; }>},
    {"second", 1, 1, N, {A}, time_part<[](Time t) -> long { return t.second; }>},
    {"relativedate",
     2,
     2,
     D,
     {A, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         auto d = date_of(n.values[0]);
         auto moved = d ? fn::relative_date(*d, n.number(1)) : std::nullopt;
         moved ? o.set_date(*moved) : o.set_null(D);
     }},
    {"relativetime",
     2,
     2,
     T,
     {A, N},
     [](CallNode& n, const RowContext&, Scalar& o) {
         auto t = time_of(n.values[0]);
         t ? o.set_time(fn::relative_time(*t, n.number(1))) : o.set_null(T);
     }},
    {"daysafter",
     2,
     2,
     N,
     {A, A},
     [](CallNode& n, const RowContext&, Scalar& o) {
         auto a = date_of(n.values[0]), b = date_of(n.values[1]);
         a&& b ? o.set_long(fn::days_after(*a, *b)) : o.set_null(N);
     }},
    {"secondsafter",
     2,
     2,
     N,
     {A, A},
     [](CallNode& n, const RowContext&, Scalar& o) {
         const Scalar &a = n.values[0], &b = n.values[1];
         if (a.kind == DT && b.kind == DT)
             return o.set_long(fn::seconds_after(a.stamp, b.stamp));
         auto x = time_of(a), y = time_of(b);
         x&& y ? o.set_long(fn::seconds_after(*x, *y)) : o.set_null(N);
     }},
    // ---- numbers ----
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
    {"sign", 1, 1, N, {N}, sign_impl},
    {"int", 1, 1, N, {N}, whole_impl<false>},
    {"ceiling", 1, 1, N, {N}, whole_impl<true>},
    {"round", 2, 2, N, {N, N}, round_impl<false>},
    {"truncate", 2, 2, N, {N, N}, round_impl<true>},
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
    {"sqrt", 1, 1, N, {N}, real_impl<square_root>},
    {"exp", 1, 1, N, {N}, real_impl<exponential>},
    {"log", 1, 1, N, {N}, real_impl<natural_log>},
    {"logten", 1, 1, N, {N}, real_impl<log_ten>},
    {"sin", 1, 1, N, {N}, real_impl<sine>},
    {"cos", 1, 1, N, {N}, real_impl<cosine>},
    {"tan", 1, 1, N, {N}, real_impl<tangent>},
    {"asin", 1, 1, N, {N}, real_impl<arc_sine>},
    {"acos", 1, 1, N, {N}, real_impl<arc_cosine>},
    {"atan", 1, 1, N, {N}, real_impl<arc_tangent>},
    {"pi",
     1,
     1,
     N,
     {N},
     [](CallNode& n, const RowContext&, Scalar& o) { set_real(o, n.values[0].as_double() * std::numbers::pi); }},
    {"fact", 1, 1, N, {N}, fact_impl},
    {"rand", 1, 1, N, {N}, rand_impl},
    // ---- the row and the DataWindow ----
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
    {"isselected",
     0,
     0,
     B,
     {},
     [](CallNode&, const RowContext& c, Scalar& o) { o.set_bool(c.rows->is_selected(c.slot)); }},
    {"describe", 1, 1, S, {S}, describe_impl},
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
    if (iequals(name, "match")) {
        if (count != 2)
            throw CompileError {column, fmt::format("{} takes 2 argument(s), not {}", name, count)};
        for (int i = 0; i < 2; ++i)
            if (!fits(args[i]->kind, ExprKind::String))
                throw CompileError {
                    column,
                    fmt::format("argument {} of {} must be a string, not a {}", i + 1, name, kind_name(args[i]->kind))};
        return std::make_unique<MatchNode>(std::move(args[0]), std::move(args[1]));
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
