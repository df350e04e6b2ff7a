// SaveAs Text! and CSV!: one line per Primary! row ended by CR LF, the column names as an
// optional first line. The computed fields of the detail band follow the columns, in the
// order of the source, headed by their names. Text! writes values as they are (tabs and line breaks inside a value
// are not escaped, as the runtime does); CSV! quotes a value holding a comma, a quote, a
// line break or blanks at its ends, doubling inner quotes.
#include "host/datawindow/saveas.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"

namespace hearth::dw {

namespace {

void append_csv_field(std::string& out, std::string_view text)
{
    bool quote = text.find_first_of(",\"\r\n") != std::string::npos
        || (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

Result<void> write_text(const Engine& engine, char separator, ColumnHeadings headings, const TextSink& sink)
{
    constexpr std::size_t block = std::size_t(64) << 10; // handed on after about 64 KiB of rows
    const auto& columns = engine.object().columns;
    const bool csv = separator == ',';
    std::vector<const Control*> computes;
    std::vector<const Expression*> expressions; // null for one that does not compile: empty
    for (const Control& control : engine.object().controls) {
        const Attribute* band = find_attribute(control.attributes, "band");
        if (control.kind == ControlKind::Compute && band && iequals(band->value.text, "detail")) {
            computes.push_back(&control);
            expressions.push_back(engine.compute_expression(control));
        }
    }
    std::string out;
    if (headings == ColumnHeadings::On) {
        auto heading = [&](std::size_t index, std::string_view name) {
            if (index)
                out += separator;
            if (csv)
                append_csv_field(out, name);
            else
                out += name;
        };
        for (std::size_t c = 0; c < columns.size(); ++c)
            heading(c, columns[c].name);
        for (std::size_t k = 0; k < computes.size(); ++k)
            heading(columns.size() + k, computes[k]->name);
        out += "\r\n";
    }
    const RowStore& rows = engine.rows();
    std::string item;
    long row = 0;
    for (Slot slot : engine.slots(Buffer::Primary)) {
        ++row;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += separator;
            if (csv) {
                item.clear();
                append_item_text(item, rows.column(c), slot, columns[c].type);
                append_csv_field(out, item);
            } else {
                append_item_text(out, rows.column(c), slot, columns[c].type);
            }
        }
        for (std::size_t k = 0; k < expressions.size(); ++k) {
            const Expression* expression = expressions[k];
            if (!columns.empty() || k)
                out += separator;
            if (!expression)
                continue;
            Value value = expression->evaluate(engine.row_context(Buffer::Primary, row));
            if (csv) {
                item.clear();
                append_item_text(item, value);
                append_csv_field(out, item);
            } else {
                append_item_text(out, value);
            }
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
