#pragma once
// Internal: compiled expression nodes. Each node evaluates into a Scalar owned by its
// parent; strings are views into column storage, literals or a node's own buffer, valid
// until that node is evaluated again.

#include "host/datawindow/expr.h"
#include "host/datawindow/row_store.h"
#include "host/value/operators.h"

#include <string>
#include <string_view>
#include <vector>

namespace hearth::dw {

// A value while evaluating. A number is held as the runtime's long, double or decimal
// (Number::type), so arithmetic runs on it directly (host/value/operators.h).
struct Scalar : Number {
    ExprKind kind = ExprKind::Any;
    bool null = true;
    bool boolean = false;
    Date date;
    DateTime stamp;
    Time time;
    std::string_view text;

    void set_null(ExprKind k)
    {
        kind = k;
        null = true;
    }
    void set_bool(bool b)
    {
        kind = ExprKind::Bool;
        null = false;
        boolean = b;
    }
    void set_long(std::int64_t v)
    {
        kind = ExprKind::Number;
        null = false;
        type = Type::Long;
        integer = v;
    }
    void set_double(double v)
    {
        kind = ExprKind::Number;
        null = false;
        type = Type::Double;
        real = v;
    }
    void set_decimal(const Decimal& v)
    {
        kind = ExprKind::Number;
        null = false;
        type = Type::Decimal;
        decimal = v;
    }
    void set_text(std::string_view t)
    {
        kind = ExprKind::String;
        null = false;
        text = t;
    }
    void set_date(Date d)
    {
        kind = ExprKind::Date;
        null = false;
        date = d;
    }
    void set_datetime(DateTime d)
    {
        kind = ExprKind::DateTime;
        null = false;
        stamp = d;
    }
    void set_time(Time t)
    {
        kind = ExprKind::Time;
        null = false;
        time = t;
    }

    Decimal as_decimal() const;   // Long or Decimal exactly; Double through Decimal::from_double
    std::int64_t as_long() const; // rounded half away from zero
};

struct Node {
    explicit Node(ExprKind k) : kind(k) {}
    virtual ~Node() = default;
    virtual void eval(const RowContext& context, Scalar& out) = 0;
    // A boolean result that is true; nodes that are comparisons answer without a Scalar.
    virtual bool test(const RowContext& context);

    ExprKind kind;
};

// Three-way comparison of two non-null scalars of comparable kinds; nullopt when the kinds
// cannot be compared (the comparison is then false).
std::optional<int> compare_scalars(const Scalar& a, const Scalar& b);
// Strings compare with trailing blanks ignored, case-sensitive, by bytes.
int compare_text(std::string_view a, std::string_view b);
std::string_view trim_trailing_blanks(std::string_view text);
// LIKE with % and _ (one character), case-sensitive.
bool like_match(std::string_view text, std::string_view pattern);

Value scalar_to_value(const Scalar& scalar);
// Loads a runtime value into a scalar; text is viewed, so the value must outlive it.
void value_to_scalar(const Value& value, Scalar& out);

// The column's item into a scalar (text is a view into the store).
void load_item(const ColumnValues& column, std::uint32_t slot, Scalar& out);

} // namespace hearth::dw
