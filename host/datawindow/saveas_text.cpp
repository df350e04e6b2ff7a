// SaveAs Text! and CSV!: one line per Primary! row ended by CR LF, the column names as an
// optional first line. The computed fields of the detail band follow the columns, in the
// order of the source, headed by their names. Text! writes values as they are, except that a
// value holding a tab or a line break, or starting with a quote, is quoted with inner quotes
// doubled, as spreadsheet programs write tab-separated text, so that ImportFile reads it back
// whole; CSV! quotes a value holding a comma, a quote, a line break or blanks at its ends,
// doubling inner quotes.
#include "host/datawindow/expr_node.h"
#include "host/datawindow/saveas.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"

namespace hearth::dw {

namespace {

// Quotes the value `out` holds from `at` on, doubling inner quotes, when it holds what would
// end the field or the line early (for Text!, also a leading quote, which the import would
// take as quoting). Values are appended first and quoted after, as most need nothing.
void quote_field(std::string& out, std::size_t at, char separator)
{
    const std::string_view text = std::string_view(out).substr(at);
    const bool quote = separator == ','
        ? text.find_first_of(",\"\r\n") != std::string::npos || text.starts_with(' ') || text.ends_with(' ')
        : text.find_first_of("\t\r\n") != std::string::npos || text.starts_with('"');
    if (!quote)
        return;
    const std::string value(text);
    out.resize(at);
    out += '"';
    for (char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// A computed field's text, kept from the row before while the value stays the same: a total
// over all rows has one value on every row, and formatting a number costs more than the rest
// of its field.
struct ComputedText {
    const Expression* expression = nullptr; // null for one that does not compile: empty
    Scalar value, last;
    std::string text;
    bool has_last = false;

    std::string_view next(const RowContext& context)
    {
        expression->root()->eval(context, value);
        if (value.kind == ExprKind::String && !value.null)
            return value.text; // already text
        if (!(has_last && same(value, last))) {
            text.clear();
            append_item_text(text, scalar_to_value(value));
            last = value;
            has_last = true;
        }
        return text;
    }

    // The same value written the same way (3.5 and 3.50 are not).
    static bool same(const Scalar& a, const Scalar& b)
    {
        if (a.kind != b.kind || a.null != b.null)
            return false;
        if (a.null)
            return true;
        switch (a.kind) {
        case ExprKind::Number:
            if (a.type != b.type)
                return false;
            if (a.type == Type::Decimal)
                return a.decimal.coefficient() == b.decimal.coefficient() && a.decimal.scale() == b.decimal.scale();
            return a.type == Type::Double ? a.real == b.real : a.integer == b.integer;
        case ExprKind::Bool: return a.boolean == b.boolean;
        case ExprKind::Date: return a.date == b.date;
        case ExprKind::DateTime: return a.stamp == b.stamp;
        case ExprKind::Time: return a.time == b.time;
        default: return false;
        }
    }
};

} // namespace

Result<void> write_text(const Engine& engine, char separator, ColumnHeadings headings, const TextSink& sink)
{
    constexpr std::size_t block = std::size_t(64) << 10; // handed on after about 64 KiB of rows
    const auto& columns = engine.object().columns;
    std::vector<const Control*> computes;
    std::vector<ComputedText> computed;
    for (const Control& control : engine.object().controls) {
        const Attribute* band = find_attribute(control.attributes, "band");
        if (control.kind == ControlKind::Compute && band && iequals(band->value.text, "detail")) {
            computes.push_back(&control);
            computed.emplace_back().expression = engine.compute_expression(control);
        }
    }
    std::string out;
    if (headings == ColumnHeadings::On) {
        auto heading = [&](std::size_t index, std::string_view name) {
            if (index)
                out += separator;
            const std::size_t at = out.size();
            out += name;
            quote_field(out, at, separator);
        };
        for (std::size_t c = 0; c < columns.size(); ++c)
            heading(c, columns[c].name);
        for (std::size_t k = 0; k < computes.size(); ++k)
            heading(columns.size() + k, computes[k]->name);
        out += "\r\n";
    }
    const RowStore& rows = engine.rows();
    RowContext context = engine.row_context(Buffer::Primary, 0);
    for (Slot slot : engine.slots(Buffer::Primary)) {
        context.slot = slot;
        ++context.row;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += separator;
            const std::size_t at = out.size();
            append_item_text(out, rows.column(c), slot, columns[c].type);
            quote_field(out, at, separator);
        }
        for (std::size_t k = 0; k < computed.size(); ++k) {
            if (!columns.empty() || k)
                out += separator;
            if (!computed[k].expression)
                continue;
            const std::size_t at = out.size();
            out += computed[k].next(context);
            quote_field(out, at, separator);
        }
        out += "\r\n";
        if (out.size() >= block) {
            if (auto passed = sink(out); !passed)
                return passed;
            out.clear();
        }
    }
    return sink(out);
}

Result<std::string> write_text(const Engine& engine, char separator, ColumnHeadings headings)
{
    std::string text;
    auto written = write_text(engine, separator, headings, [&](std::string_view block) -> Result<void> {
        text += block;
        return {};
    });
    if (!written)
        return Result<std::string>::failure(written.error());
    return text;
}

} // namespace hearth::dw
